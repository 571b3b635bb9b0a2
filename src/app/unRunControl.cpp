#include "app/unRunControl.h"

#include "app/unProjectDocument.h"
#include "model/unLink.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSocketNotifier>
#include <QTimer>

TRunControl::TRunControl(TProjectDocument& document, const TComponentList& registry,
                         QObject* parent)
    : QObject(parent), Document(document), Registry(registry), Watch(new QTimer(this)) {
  // The host's silence is watched too: a module that hangs sends nothing.
  Watch->setInterval(1000 / MaxUpdatesPerSecond);
  connect(Watch, &QTimer::timeout, this, &TRunControl::Poll);
  // Another project, or none, ends the run of the last one at once: its modules are gone.
  connect(&Document, &TProjectDocument::ProjectChanged, this, [this] { Abort(); });
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
  Runner = std::make_unique<TRunner>();
  std::string error;
  if (!Runner->Start(Plan.Plan, Registry.ProbeProgram, &error)) {
    Runner.reset();
    return fail(QString::fromStdString(error));
  }
  Runner->OnValues = [this] { Pending = true; };
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
  const qint64 now = QDateTime::currentMSecsSinceEpoch();
  if (Pending && (now - LastTold >= 1000 / MaxUpdatesPerSecond || !going)) {
    Pending = false;
    LastTold = now;
    emit ValuesChanged();
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
  if (Running())
    Runner->SetRate(hz);
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
  if (!Running())
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
