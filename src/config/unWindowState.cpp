#include "config/unWindowState.h"

#include "canvas/unQtStrings.h"
#include "xml/unXml.h"

#include <QWidget>

void LoadWindowState(QWidget& window, const TKvenXmlNode1& element) {
  // The frame's extra size, so that the stored outer size is what comes back.
  const QSize extra = window.frameGeometry().size() - window.size();
  QRect frame = window.frameGeometry();
  std::int32_t value = 0;
  if (element.ReadInteger(u"Left", value))
    frame.moveLeft(value);
  if (element.ReadInteger(u"Top", value))
    frame.moveTop(value);
  if (element.ReadInteger(u"Width", value))
    frame.setWidth(value);
  if (element.ReadInteger(u"Height", value))
    frame.setHeight(value);
  window.move(frame.topLeft());
  window.resize((frame.size() - extra).expandedTo(QSize(1, 1)));
  if (element.ReadInteger(u"WindowState", value))
    window.setWindowState(value == 1   ? Qt::WindowMinimized
                          : value == 2 ? Qt::WindowMaximized
                                       : Qt::WindowNoState);
  std::u16string caption;
  if (element.ReadString(u"Caption", caption))
    window.setWindowTitle(ToQString(caption));
}

void SaveWindowState(const QWidget& window, TKvenXmlNode1& element) {
  const Qt::WindowStates state = window.windowState();
  if (!(state & Qt::WindowMaximized)) {
    const QRect frame = window.frameGeometry();
    element.WriteInteger(u"Left", frame.left());
    element.WriteInteger(u"Top", frame.top());
    element.WriteInteger(u"Width", frame.width());
    element.WriteInteger(u"Height", frame.height());
  }
  element.WriteInteger(u"WindowState", state & Qt::WindowMaximized   ? 2
                                       : state & Qt::WindowMinimized ? 1
                                                                     : 0);
  element.WriteString(u"Caption", ToU16(window.windowTitle()));
}
