#include "app/unMain.h"

#include <QApplication>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kven.ZU.Programming");
  TfmMain window;
  window.Start();
  return QApplication::exec();
}
