#include "app/unMain.h"
#include "app/unTranslation.h"
#include "platform/unExeFolder.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSocketNotifier>
#include <QTranslator>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

// The write end of the pipe that carries the ending signals into the event loop.
int SignalPipe[2] = {-1, -1};
// After an ending signal the program is gone within this time, whatever it does.
constexpr int EndingWithinMs = 900;

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
      // Whatever the program was doing, it ends within a second: the work is kept aside first.
      std::thread([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(EndingWithinMs));
        std::_Exit(0);
      }).detach();
      window.Terminate();
    });
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
      std::signal(signal, OnEndingSignal);
  }
  window.Start(ProjectArgument(QApplication::arguments()));
  // Ended while the start's dialogs were open: no loop is needed to end.
  if (window.Terminated())
    return 0;
  return QApplication::exec();
}
