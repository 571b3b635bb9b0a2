#include "app/unComponentScanner.h"

#include "plugins/unComponentList.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QTimer>

TComponentScanner::TComponentScanner(TComponentList& registry, QObject* parent)
    : QObject(parent), Registry(registry), Timer(new QTimer(this)) {
  Timer->setInterval(50);
  connect(Timer, &QTimer::timeout, this, &TComponentScanner::Poll);
}

TComponentScanner::~TComponentScanner() {
  Cancel = true;
  if (Worker.joinable())
    Worker.join();
}

void TComponentScanner::Start() {
  if (Scan)
    return;
  Scan = Registry.BeginScan();
  Scan->Options.Cancel = &Cancel;
  LastDone = -1;
  TComponentScan* scan = Scan.get();
  Worker = std::thread([scan] { scan->Run(); });
  Timer->start();
  Poll();
}

void TComponentScanner::Poll() {
  if (!Scan)
    return;
  const int done = static_cast<int>(Scan->Done());
  if (done != LastDone) {
    LastDone = done;
    emit Progress(done, static_cast<int>(Scan->Total()));
  }
  if (Scan->Finished())
    Finish();
}

void TComponentScanner::Finish() {
  Timer->stop();
  Worker.join();
  const std::unique_ptr<TComponentScan> scan = std::move(Scan);
  Registry.FinishScan(*scan);
  emit Finished();
}

void TComponentScanner::Wait() {
  if (!Scan)
    return;
  // The window goes on drawing itself and the progress meanwhile; the user's input waits.
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  while (Scan && !Scan->Finished())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
  QGuiApplication::restoreOverrideCursor();
  if (Scan)
    Finish();
}
