#include "app/unMain.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kven.ZU.Programming");
  // Qt's own texts (standard buttons, file dialogs) in the user's language.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  TfmMain window;
  window.Start();
  return QApplication::exec();
}
