#include "config/unWindowState.h"

#include "canvas/unQtStrings.h"
#include "xml/unXml.h"

#include <QWidget>

void LoadWindowState(QWidget& window, const TKvenXmlNode1& element) {
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
  window.move(position);
  window.resize(size.expandedTo(QSize(1, 1)));
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
    element.WriteInteger(u"Left", window.x());
    element.WriteInteger(u"Top", window.y());
    element.WriteInteger(u"Width", window.width());
    element.WriteInteger(u"Height", window.height());
  }
  element.WriteInteger(u"WindowState", state & Qt::WindowMaximized   ? 2
                                       : state & Qt::WindowMinimized ? 1
                                                                     : 0);
  element.WriteString(u"Caption", ToU16(window.windowTitle()));
}
