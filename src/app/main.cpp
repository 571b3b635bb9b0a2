#include "app/unMain.h"
#include "app/unTranslation.h"
#include "platform/unExeFolder.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// The write end of the pipe that carries the ending signals into the event loop.
int SignalPipe[2] = {-1, -1};

void OnEndingSignal(int) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(SignalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kven.ZU.Programming");
  QGuiApplication::setDesktopFileName("zu-programming");
  // Qt's own texts (standard buttons, file dialogs) in the user's language.
  QTranslator qtTexts;
  if (qtTexts.load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtTexts);
  // The window's own texts: the source texts, or English for those who read it.
  InstallTranslation(UiLanguage(), QString::fromStdString(ExeFolder()) + "translations");
  TfmMain window;
  // Ended by the system (the session ending, a terminal closed): no questions, the unsaved work
  // left for recovery, the configuration written.
  if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, SignalPipe) == 0) {
    auto* notifier = new QSocketNotifier(SignalPipe[0], QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
      char byte = 0;
      [[maybe_unused]] const ssize_t read = ::read(SignalPipe[0], &byte, 1);
      notifier->setEnabled(false);
      window.Terminate();
    });
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
      std::signal(signal, OnEndingSignal);
  }
  window.Start(ProjectArgument(QApplication::arguments()));
  return QApplication::exec();
}
