#pragma once

#include "app/unScopeData.h"
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

// Project ▸ Run, Stop, Pause, Resume and Step: runs the document's project in a component host
// and keeps its latest values for the views, and the history of every watched output for the
// scope, from the run's start until the next run. The project is locked against edits while it
// runs; nothing of it changes (it is not marked modified), whatever the modules do. The latest
// values stay readable after the run ended, marked as those of a stopped run.
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
  // Pauses after the tick under way (Paused follows); goes on from a pause; runs one tick while
  // paused (Paused follows after it).
  void Pause();
  void Resume();
  bool Step();
  bool IsPaused() const { return Runner && Runner->Paused(); }
  // The pace's figures the host told last.
  const TStatsMessage& Stats() const { return Data.Stats; }
  // The module the last run's failure names (its level and selection show it); null when none.
  std::shared_ptr<IModule> FailedModule() const;
  // The values shown are those of a run that ended (kept until the next run).
  bool HasEnded() const { return Runner != nullptr && !Runner->Running(); }
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

  // The watched outputs of the run under way or the last one, with their histories.
  using TSignal = TScopeSignal;
  const std::vector<TSignal>& Signals() const { return Data.Signals; }
  const TScopeData& ScopeData() const { return Data; }
  // At most this many updates per second reach the views.
  static constexpr int MaxUpdatesPerSecond = 30;

signals:
  void Started();
  // The run paused after the tick: why (a break condition that held, or empty when asked for
  // or stepped).
  void Paused(qint64 tick, const QString& cause);
  // The run goes on from a pause.
  void Resumed();
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
  // Finds the watches of the document's modules in the plan (one that names nothing that runs is
  // left out with a warning in the log).
  void PlanWatches();
  // Adds the project's break conditions to the plan; false with the reason.
  bool PlanBreaks(QString& reason);
  TScopeData Data;
  // The break conditions of the run, as written, in the plan's order.
  std::vector<QString> BreakTexts;
  // A pause the host told of and the views were not told yet: the tick and the cause.
  std::pair<std::int64_t, std::int32_t> PausedAt{0, -1};
  // Whether values came since the views were last told, and when they were.
  bool Pending = false;
  double RateHz = 10;
  qint64 LastTold = 0;
};
