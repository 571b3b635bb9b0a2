#pragma once

#include "log/unLogGlobals.h"
#include "plugins/unProjectRun.h"
#include "plugins/unRunner.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>
#include <string>

class IModule;
class QSocketNotifier;
class QTimer;
class TComponentList;
class TProjectDocument;
struct TLink;

// Project ▸ Run and Stop: runs the document's project in a component host and keeps its latest
// values for the views. The project is locked against edits while it runs; nothing of it changes
// (it is not marked modified), whatever the modules do.
class TRunControl : public QObject {
  Q_OBJECT
public:
  // Runs go to the registry's component host.
  TRunControl(TProjectDocument& document, const TComponentList& registry,
              QObject* parent = nullptr);
  ~TRunControl() override;

  // Plans and starts the run; false, with the reason, when the project cannot run (no project,
  // nothing to run, a cycle of links, no host).
  bool Start(QString* reason = nullptr);
  // Asks the host to stop after its tick; Stopped follows when it has (a host that does not
  // stop is killed). Nothing waits for it.
  void Stop();
  // Ends a run at once (the host is killed); Stopped follows at once.
  void Abort();
  // Stop was asked and the run has not ended yet.
  bool Stopping() const { return Running() && Runner->StopRequested(); }
  bool Running() const { return Runner != nullptr && Runner->Running(); }
  // Ticks per second; 0: as fast as possible. A run under way takes the new pace at once.
  void SetRate(double hz);
  double GetRate() const { return RateHz; }
  // What will not run of the last plan, one line each.
  const std::vector<std::string>& Notes() const { return Plan.Notes; }
  // The latest tick reported.
  std::int64_t Tick() const { return Runner ? Runner->GetTick() : 0; }

  // The latest value of the module's output or input while the project runs (an input: the value of
  // the output that feeds it, or the value typed for it); nothing when it does not run or has none.
  std::optional<std::string> Value(const IModule& module, bool output,
                                   const std::u16string& name) const;
  // The value a link carries now (its output's), or nothing.
  std::optional<std::string> LinkValue(const TLink& link) const;
  // Where the modules' messages go (the program's log).
  TAddToLog Log;
  // At most this many updates per second reach the views.
  static constexpr int MaxUpdatesPerSecond = 30;

signals:
  void Started();
  // New values arrived (at most MaxUpdatesPerSecond times a second).
  void ValuesChanged();
  // The run ended; the failure's message, or empty for a clean end.
  void Stopped(const QString& failure);

private:
  // Takes what the host sent; notices the end.
  void Poll();
  void Ended();

  TProjectDocument& Document;
  const TComponentList& Registry;
  TProjectRun Plan;
  std::unique_ptr<TRunner> Runner;
  QSocketNotifier* Notifier = nullptr;
  // Told when the host has ended.
  QSocketNotifier* EndNotifier = nullptr;
  QTimer* Watch;
  // Whether values came since the views were last told, and when they were.
  bool Pending = false;
  double RateHz = 10;
  qint64 LastTold = 0;
};
