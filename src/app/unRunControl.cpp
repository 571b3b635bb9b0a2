#include "app/unRunControl.h"

#include "app/unProjectDocument.h"
#include "model/unLink.h"
#include "model/unProject.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unCondition.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

TRunControl::TRunControl(TProjectDocument& document, const TComponentList& registry,
                         QObject* parent)
    : QObject(parent), Document(document), Registry(registry), Watch(new QTimer(this)) {
  // The host's silence is watched too: a module that hangs sends nothing.
  Watch->setInterval(1000 / MaxUpdatesPerSecond);
  connect(Watch, &QTimer::timeout, this, &TRunControl::Poll);
  // Another project, or none, ends the run of the last one at once: its modules are gone.
  connect(&Document, &TProjectDocument::ProjectChanged, this, [this] {
    Abort();
    // Nothing of the last project's run is shown for another.
    Runner.reset();
    Data.Signals.clear();
    Plan = TProjectRun();
    emit ValuesChanged();
  });
}

TRunControl::~TRunControl() {
  if (Runner)
    Runner->Abort();
}

bool TRunControl::Start(QString* reason) {
  auto fail = [reason](const QString& why) {
    if (reason)
      *reason = why;
    return false;
  };
  if (Running())
    return true;
  const TProject* project = Document.GetProject();
  if (!project)
    return fail(QCoreApplication::translate("TRunControl", "Нет открытого проекта"));
  Plan = PlanProjectRun(*project, Registry);
  if (!Plan.Ok)
    return fail(QString::fromStdString(Plan.Error));
  if (Plan.Plan.Modules.empty())
    return fail(QCoreApplication::translate("TRunControl",
                                            "В проекте нет модулей, которые могут выполняться"));
  Plan.Plan.RateHz = RateHz;
  Plan.Plan.Ticks = 0;
  Plan.Plan.ReportMs = 1000 / MaxUpdatesPerSecond;
  QString why;
  PlanWatches();
  if (!PlanBreaks(why)) {
    Data.Signals.clear();
    return fail(why);
  }
  Data.Paces = {{1, RateHz}};
  Runner = std::make_unique<TRunner>();
  Data.Stats = TStatsMessage();
  std::string error;
  if (!Runner->Start(Plan.Plan, Registry.ProbeProgram, &error)) {
    Runner.reset();
    return fail(QString::fromStdString(error));
  }
  Runner->OnValues = [this] { Pending = true; };
  Runner->OnRow = [this](std::int64_t tick, const std::vector<std::string>& row) {
    for (TSignal& signal : Data.Signals)
      signal.History.Append(tick, LatestNumber(signal.Watch >= 0
                                                   ? row[static_cast<std::size_t>(signal.Watch)]
                                                   : signal.Constant));
  };
  Runner->OnPaused = [this](std::int64_t tick, std::int32_t cause) {
    // The views show the values of the tick paused at, at once.
    PausedAt = {tick, cause};
  };
  Runner->OnLog = [this](const std::string& module, int type, const std::string& text) {
    const TLogTypeMessage kind = type == 1 ? ltError : type == 2 ? ltWarning : ltInformation;
    if (module.empty())
      CallLogHandler(Log, lgGeneral, kind, "%s", {text});
    else
      CallLogHandler(Log, lgGeneral, kind, "Модуль «%s»: %s", {module, text});
  };
  Notifier = new QSocketNotifier(Runner->Descriptor(), QSocketNotifier::Read, this);
  connect(Notifier, &QSocketNotifier::activated, this, &TRunControl::Poll);
  if (Runner->EndDescriptor() >= 0) {
    EndNotifier = new QSocketNotifier(Runner->EndDescriptor(), QSocketNotifier::Read, this);
    connect(EndNotifier, &QSocketNotifier::activated, this, &TRunControl::Poll);
  }
  Watch->start();
  Pending = false;
  LastTold = 0;
  emit Started();
  return true;
}

void TRunControl::Poll() {
  if (!Runner)
    return;
  const bool going = Runner->Poll(0);
  Data.Stats = Runner->GetStats();
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  const bool paused = PausedAt.first > 0;
  if (Pending && (now - LastTold >= 1000 / MaxUpdatesPerSecond || !going || paused)) {
    Pending = false;
    LastTold = now;
    emit ValuesChanged();
  }
  if (paused) {
    const auto [tick, cause] = PausedAt;
    PausedAt = {0, -1};
    emit Paused(tick, cause >= 0 && static_cast<std::size_t>(cause) < BreakTexts.size()
                          ? BreakTexts[static_cast<std::size_t>(cause)]
                          : QString());
  }
  if (!going)
    Ended();
}

void TRunControl::Ended() {
  Watch->stop();
  delete Notifier;
  Notifier = nullptr;
  delete EndNotifier;
  EndNotifier = nullptr;
  const QString failure = QString::fromStdString(Runner->GetFailure());
  // The last values stay readable until the next run.
  emit Stopped(failure);
}

void TRunControl::SetRate(double hz) {
  RateHz = hz;
  if (Running()) {
    Runner->SetRate(hz);
    Data.Paces.emplace_back(Runner->GetTick() + 1, hz);
  }
}

void TRunControl::Pause() {
  if (Running())
    Runner->Pause();
}

void TRunControl::Resume() {
  if (IsPaused()) {
    Runner->Resume();
    emit Resumed();
  }
}

bool TRunControl::Step() {
  return Running() && Runner->StepOnce();
}

std::shared_ptr<IModule> TRunControl::FailedModule() const {
  if (!Runner || Runner->GetFailedModule() < 0)
    return nullptr;
  return Plan.Modules[static_cast<std::size_t>(Runner->GetFailedModule())];
}

void TRunControl::PlanWatches() {
  Data.Signals.clear();
  for (const std::shared_ptr<IModule>& module : Document.WatchingModules()) {
    std::string label;
    if (const std::int32_t index = Plan.IndexOf(module.get()); index >= 0)
      label = Plan.Plan.Modules[static_cast<std::size_t>(index)].Label;
    else
      for (const auto& [name, other] : Plan.Others)
        if (other == module.get())
          label = name;
    // A module that does not run (a description only, its component missing) has no values.
    if (label.empty())
      continue;
    for (const TWatch& watch : module->GetWatches()) {
      TSignal signal;
      signal.Module = module;
      signal.Output = watch.Output;
      signal.Plot = watch.Plot;
      signal.Name = label + "." + Utf16ToUtf8(watch.Output);
      TProjectRun::TSource source;
      std::string why;
      if (!Plan.ValueOf(label, Utf16ToUtf8(watch.Output), source, why)) {
        CallLogHandler(Log, lgGeneral, ltWarning, "Наблюдение «%s» пропущено: %s",
                       {signal.Name, why});
        continue;
      }
      if (source.HasConstant) {
        signal.Constant = source.Constant;
      } else {
        signal.Watch = static_cast<std::int32_t>(Plan.Plan.Watch.size());
        Plan.Plan.Watch.push_back({source.Module, source.Output});
      }
      Data.Signals.push_back(std::move(signal));
    }
  }
  // Rows come only while something is watched: typed values alone watch any output.
  const bool rows = std::any_of(Data.Signals.begin(), Data.Signals.end(),
                                [](const TSignal& s) { return s.Watch < 0; });
  if (rows && Plan.Plan.Watch.empty())
    for (std::size_t m = 0; m < Plan.Plan.Modules.size() && Plan.Plan.Watch.empty(); ++m)
      if (!Plan.Plan.Modules[m].Outputs.empty())
        Plan.Plan.Watch.push_back({static_cast<std::int32_t>(m), 0});
}

bool TRunControl::PlanBreaks(QString& reason) {
  BreakTexts.clear();
  for (const std::u16string& text : Document.GetProject()->GetBreaks()) {
    TCondition condition;
    std::string why;
    if (!ParseCondition(Utf16ToUtf8(text), condition, why) || !Plan.AddBreak(condition, why)) {
      reason = QCoreApplication::translate("TRunControl", "Условие остановки «%1»: %2")
                   .arg(QString::fromStdU16String(text), QString::fromStdString(why));
      return false;
    }
    BreakTexts.push_back(QString::fromStdU16String(text));
  }
  return true;
}

void TRunControl::Stop() {
  if (Running())
    Runner->RequestStop();
}

void TRunControl::Abort() {
  if (!Running())
    return;
  Runner->Abort();
  if (Pending)
    emit ValuesChanged();
  Pending = false;
  Ended();
}

std::optional<std::string> TRunControl::Value(const IModule& module, bool output,
                                              const std::u16string& name) const {
  if (!Runner || !Runner->IsReady())
    return std::nullopt;
  const std::int32_t index = Plan.IndexOf(&module);
  if (index < 0) {
    // A subsystem's port, or a boundary module's value: what feeds it.
    const TProjectRun::TSource* source = output ? Plan.PassedThrough(&module, name) : nullptr;
    if (!source)
      return std::nullopt;
    if (source->Module < 0)
      return source->Constant;
    return Runner->GetValues()[static_cast<std::size_t>(source->Module)]
                              [static_cast<std::size_t>(source->Output)];
  }
  const TRunModule& entry = Plan.Plan.Modules[static_cast<std::size_t>(index)];
  const std::string wanted = Utf16ToUtf8(name);
  const auto& values = Runner->GetValues();
  if (output) {
    for (std::size_t o = 0; o < entry.Outputs.size(); ++o)
      if (entry.Outputs[o] == wanted)
        return values[static_cast<std::size_t>(index)][o];
    return std::nullopt;
  }
  for (const TRunInput& in : entry.Inputs)
    if (in.Name == wanted)
      return in.FromModule < 0 ? in.Constant
                               : values[static_cast<std::size_t>(in.FromModule)]
                                       [static_cast<std::size_t>(in.FromOutput)];
  return std::nullopt;
}

std::optional<std::string> TRunControl::LinkValue(const TLink& link) const {
  if (!link.From)
    return std::nullopt;
  return Value(*link.From, true, link.Output);
}
