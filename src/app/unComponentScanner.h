#pragma once

#include <QObject>
#include <atomic>
#include <memory>
#include <thread>

class QTimer;
class TComponentList;
class TComponentScan;

// Scans the registry's folder without holding up the window: the hosts are asked on a worker
// thread while the window goes on; the registry changes (and logs) on the window's thread when
// the scan is done.
class TComponentScanner : public QObject {
  Q_OBJECT
public:
  TComponentScanner(TComponentList& registry, QObject* parent = nullptr);
  // A scan under way is cancelled and waited for; the registry keeps what it had.
  ~TComponentScanner() override;

  // Starts a scan unless one is under way.
  void Start();
  bool Scanning() const { return Scan != nullptr; }
  // Waits for the scan under way, if any, and finishes it; the window is drawn meanwhile, and the
  // user's input waits.
  void Wait();

signals:
  // How many of the files have their answer.
  void Progress(int done, int total);
  // The registry holds the scan's components.
  void Finished();

private:
  // Reports the progress; takes the components once the worker is done.
  void Poll();
  void Finish();

  TComponentList& Registry;
  std::unique_ptr<TComponentScan> Scan;
  std::thread Worker;
  std::atomic<bool> Cancel{false};
  QTimer* Timer;
  int LastDone = -1;
};
