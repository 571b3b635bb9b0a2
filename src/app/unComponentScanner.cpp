#include "app/unComponentScanner.h"

#include "plugins/unComponentList.h"

#include <QTimer>
#include <chrono>

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
  while (Scan && !Scan->Finished())
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (Scan)
    Finish();
}
