#include "config/unWindowState.h"

#include <QVariant>

#include "canvas/unQtStrings.h"
#include "xml/unXml.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect BoundsOnScreen(QPoint position, QSize size, const QList<QRect>& areas) {
  // Stored values may be anything: kept within a range where sums cannot overflow.
  constexpr int Far = 1 << 24;
  position = QPoint(std::clamp(position.x(), -Far, Far), std::clamp(position.y(), -Far, Far));
  size = size.boundedTo(QSize(Far, Far)).expandedTo(QSize(1, 1));
  const QRect wanted(position, size);
  if (areas.isEmpty())
    return wanted;
  // The area that shows most of the window, else the first (the primary screen's).
  QRect area = areas.front();
  qint64 most = 0;
  for (const QRect& a : areas) {
    const QRect common = a.intersected(wanted);
    const qint64 shown = common.isEmpty() ? 0 : qint64(common.width()) * common.height();
    if (shown > most) {
      most = shown;
      area = a;
    }
  }
  QRect bounds = wanted;
  bounds.setSize(wanted.size().boundedTo(area.size()).expandedTo(QSize(1, 1)));
  // The title bar must be on a screen, and enough of it to take hold of.
  const QRect title(bounds.left(), bounds.top(), bounds.width(), TitleBarHeight);
  const int grip = std::min(bounds.width(), MinTitleGrip);
  bool held = false;
  for (const QRect& a : areas) {
    const QRect common = a.intersected(title);
    held = held || (common.height() == TitleBarHeight && common.width() >= grip);
  }
  if (!held)
    bounds.moveTo(std::clamp(bounds.left(), area.left(), area.right() - bounds.width() + 1),
                  std::clamp(bounds.top(), area.top(), area.bottom() - bounds.height() + 1));
  return bounds;
}

void LoadWindowState(QWidget& window, TKvenXmlNode1& element) {
  QPoint position = window.pos();
  QSize size = window.size();
  std::int32_t value = 0;
  if (element.ReadInteger(u"Left", value))
    position.setX(value);
  if (element.ReadInteger(u"Top", value))
    position.setY(value);
  if (element.ReadInteger(u"Width", value))
    size.setWidth(value);
  if (element.ReadInteger(u"Height", value))
    size.setHeight(value);
  QList<QRect> areas;
  for (const QScreen* screen : QGuiApplication::screens())
    areas << screen->availableGeometry();
  const QRect bounds = BoundsOnScreen(position, size, areas);
  window.move(bounds.topLeft());
  window.resize(bounds.size());
  // Corrected values go back at once, so that they stay corrected even when the window is
  // closed maximised (its bounds are not written then).
  if (bounds.topLeft() != position || bounds.size() != size) {
    element.WriteInteger(u"Left", bounds.left());
    element.WriteInteger(u"Top", bounds.top());
    element.WriteInteger(u"Width", bounds.width());
    element.WriteInteger(u"Height", bounds.height());
  }
  if (element.ReadInteger(u"WindowState", value))
    window.setWindowState(value == 1   ? Qt::WindowMinimized
                          : value == 2 ? Qt::WindowMaximized
                                       : Qt::WindowNoState);
  std::u16string caption;
  if (element.ReadString(u"Caption", caption)) {
    // A window whose title says more than its caption keeps the caption apart.
    if (window.property(CaptionProperty).isValid())
      window.setProperty(CaptionProperty, ToQString(caption));
    else
      window.setWindowTitle(ToQString(caption));
  }
}

void SaveWindowState(const QWidget& window, TKvenXmlNode1& element) {
  const Qt::WindowStates state = window.windowState();
  if (!(state & Qt::WindowMaximized)) {
    element.WriteInteger(u"Left", window.x());
    element.WriteInteger(u"Top", window.y());
    element.WriteInteger(u"Width", window.width());
    element.WriteInteger(u"Height", window.height());
  }
  element.WriteInteger(u"WindowState", state & Qt::WindowMaximized   ? 2
                                       : state & Qt::WindowMinimized ? 1
                                                                     : 0);
  const QVariant caption = window.property(CaptionProperty);
  element.WriteString(u"Caption",
                      ToU16(caption.isValid() ? caption.toString() : window.windowTitle()));
}
