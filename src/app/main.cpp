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
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

const char* const Usage =
    "Usage: zu-programming [FILE]\n"
    "Opens the project FILE, or asks whether to make a new project or to open one.\n"
    "\n"
    "  --help      show this text\n"
    "  --version   show the program's version\n"
    "\n"
    "The options of Qt (-platform NAME, -style NAME, ...) are taken as Qt takes them. The editor\n"
    "ends without questions on SIGTERM, SIGINT and SIGHUP, keeping unsaved work for the next\n"
    "start.\n";

} // namespace

int main(int argc, char** argv) {
  // Answered before any window: no display is needed for them.
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    std::fputs(Usage, stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("ZU Programming %s\n", ZU_VERSION);
    return 0;
  }
  QApplication app(argc, argv);
  // What is left once Qt took its own options: a file, or a mistake said in one line.
  for (const QString& argument : QApplication::arguments().mid(1))
    if (argument.startsWith('-')) {
      std::fprintf(stderr, "zu-programming: unknown option \"%s\"; see zu-programming --help\n",
                   argument.toLocal8Bit().constData());
      return 2;
    }
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
