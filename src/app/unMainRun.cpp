// The main window's Project ▸ Run, Stop and Run Rate: the run itself is the run control's; here
// the items, the lock and what the user is told.

#include "app/unMain.h"

#include "app/unCanvasView.h"
#include "app/unPropertyGrid.h"
#include "app/unRunControl.h"
#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "model/unLink.h"
#include "platform/unStrings.h"

#include "app/unMainDialogs.h"
#include "app/unProjectDocument.h"
#include "app/unScopeView.h"
#include "model/unProject.h"

#include <QActionGroup>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>
#include <fstream>

namespace {

// Writes the text as the file's whole content; false when it could not be written.
bool WriteWholeFile(const std::string& file, const std::string& text) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << text;
  out.flush();
  return static_cast<bool>(out);
}

} // namespace

void TfmMain::BuildRunMenu(QMenu* project) {
  miRun = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "&Run"), "miRun", &TfmMain::RunProject);
  miRun->setShortcut(QKeySequence(Qt::Key_F5));
  miStop = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "&Stop"), "miStop", &TfmMain::StopProject);
  miStop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
  miStop->setEnabled(false);
  miPause = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "&Pause"), "miPause",
                    [this] { RunControl->Pause(); });
  miPause->setShortcut(QKeySequence(Qt::Key_F6));
  miResume = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "Res&ume"), "miResume",
                     [this] { RunControl->Resume(); });
  miResume->setShortcut(QKeySequence(Qt::Key_F8));
  miStep = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "S&tep"), "miStep", [this] {
    if (RunControl->Step())
      miStep->setEnabled(false); // until the host has done the tick
  });
  miStep->setShortcut(QKeySequence(Qt::Key_F10));
  for (QAction* item : {miPause, miResume, miStep})
    item->setEnabled(false);
  AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "&Break When..."), "miBreakWhen",
          &TfmMain::EditBreaks);
  project->addSeparator();
  QMenu* rates = project->addMenu(tr("Run R&ate"));
  rates->setObjectName("miRunRate");
  RunRates = new QActionGroup(this);
  const struct {
    const char* Caption;
    const char* Name;
    double Hz;
  } items[] = {{QT_TRANSLATE_NOOP("TfmMain", "&1 per second"), "miRate1", 1},
               {QT_TRANSLATE_NOOP("TfmMain", "1&0 per second"), "miRate10", 10},
               {QT_TRANSLATE_NOOP("TfmMain", "&30 per second"), "miRate30", 30},
               {QT_TRANSLATE_NOOP("TfmMain", "10&0 per second"), "miRate100", 100},
               {QT_TRANSLATE_NOOP("TfmMain", "&250 per second"), "miRate250", 250},
               {QT_TRANSLATE_NOOP("TfmMain", "&500 per second"), "miRate500", 500},
               {QT_TRANSLATE_NOOP("TfmMain", "1 &000 per second"), "miRate1000", 1000},
               {QT_TRANSLATE_NOOP("TfmMain", "As &fast as possible"), "miRateFast", 0}};
  for (const auto& item : items) {
    QAction* action =
        AddItem(rates, item.Caption, item.Name, [this, hz = item.Hz] { SetRunRate(hz); });
    action->setCheckable(true);
    action->setData(item.Hz);
    action->setChecked(item.Hz == DefaultRunRate);
    RunRates->addAction(action);
  }
}

void TfmMain::ConnectRun() {
  BuildScope();
  RunControl->SetRate(DefaultRunRate);
  RunControl->Log = LogHandler();
  connect(RunControl, &TRunControl::Started, this, &TfmMain::RunStarted);
  connect(RunControl, &TRunControl::Stopped, this, &TfmMain::RunStopped);
  // New values: the links and the grid show them.
  connect(RunControl, &TRunControl::ValuesChanged, this, [this] {
    GetCanvas()->Redraw();
    Grid->ShowLiveValues();
    Scope->Changed();
    if (RunControl->Running() && !RunControl->IsPaused())
      sbMain->showMessage(RunningNote());
  });
  connect(RunControl, &TRunControl::Paused, this, &TfmMain::RunPaused);
  connect(RunControl, &TRunControl::Resumed, this, [this] {
    miPause->setEnabled(true);
    miResume->setEnabled(false);
    miStep->setEnabled(false);
    sbMain->showMessage(RunningNote());
  });
  GetCanvas()->OnReadOnly = [this] { sbMain->showMessage(TProjectDocument::LockedNote()); };
  GetCanvas()->OutputValue = [this](const IModule& module, const std::u16string& output) {
    const auto value = RunControl->Value(module, true, output);
    return value ? Utf8ToUtf16(*value) : std::u16string();
  };
  GetCanvas()->OnContextMenu = [this](QPoint at, const std::shared_ptr<IModule>& module,
                                      const std::u16string& output) {
    if (!module)
      return;
    std::unique_ptr<QMenu> menu(WatchMenu(module, output));
    menu->exec(at);
  };
  Grid->LiveValue = [this](const IModule& module, bool output, const std::u16string& name) {
    return RunControl->Value(module, output, name);
  };
}

QString TfmMain::RunningNote() const {
  const TStatsMessage stats = RunControl->Stats();
  const double seconds = static_cast<double>(stats.ElapsedNs) / 1e9;
  const QString rate =
      seconds > 0 ? QString::number(static_cast<double>(stats.Ticks) / seconds, 'f', 1) : "—";
  return QCoreApplication::translate(
             "TfmMain", "Выполняется: такт %1, %2 тактов в секунду, опоздавших тактов: %3. %4")
      .arg(RunControl->Tick())
      .arg(rate)
      .arg(stats.Late)
      .arg(TProjectDocument::LockedNote());
}

QMenu* TfmMain::WatchMenu(const std::shared_ptr<IModule>& module, const std::u16string& output) {
  auto* menu = new QMenu(this);
  menu->setObjectName("pmWatch");
  const auto& watches = module->GetWatches();
  const auto it = std::find_if(watches.begin(), watches.end(),
                               [&](const TWatch& w) { return w.Output == output; });
  const QString name = QString::fromStdU16String(module->GetName() + u"." + output);
  auto watch = [this, module, output](bool on, std::int32_t plot) {
    const TEditResult result = Document->SetWatched(module, output, on, plot);
    result.Ok ? sbMain->clearMessage() : sbMain->showMessage(result.Reason);
    if (result.Ok && on)
      dkScope->show();
  };
  if (it != watches.end()) {
    menu->addAction(QCoreApplication::translate("TfmMain", "Stop Watching %1").arg(name),
                    [watch] { watch(false, 0); })
        ->setObjectName("miUnwatch");
    return menu;
  }
  menu->addAction(QCoreApplication::translate("TfmMain", "Watch %1").arg(name),
                  [watch] { watch(true, 0); })
      ->setObjectName("miWatch");
  // A plot of its own: the one after the highest any watch uses.
  std::int32_t plots = 0;
  for (const std::shared_ptr<IModule>& m : Document->WatchingModules())
    for (const TWatch& w : m->GetWatches())
      plots = std::max(plots, w.Plot + 1);
  menu->addAction(QCoreApplication::translate("TfmMain", "Watch %1 in a New Plot").arg(name),
                  [watch, plots] { watch(true, plots); })
      ->setObjectName("miWatchNewPlot");
  return menu;
}

void TfmMain::RunPaused(qint64 tick, const QString& cause) {
  miPause->setEnabled(false);
  miResume->setEnabled(true);
  miStep->setEnabled(true);
  Scope->Changed();
  if (cause.isEmpty()) {
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Пауза после такта %1").arg(tick));
    return;
  }
  Log(lgGeneral, ltInformation, "Условие «%s» выполнилось на такте %d: пауза",
      {cause.toStdString(), static_cast<std::int64_t>(tick)});
  sbMain->showMessage(
      QCoreApplication::translate("TfmMain", "Условие «%1» выполнилось на такте %2: пауза")
          .arg(cause)
          .arg(tick));
}

void TfmMain::EditBreaks() {
  if (!GetProject())
    return;
  QDialog dialog(this);
  dialog.setObjectName("fmBreaks");
  dialog.setWindowTitle(QCoreApplication::translate("TfmMain", "Break When"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(
      QCoreApplication::translate(
          "TfmMain", "Одно условие в строке: сравнения выхода с числом, соединённые and или or "
                     "(Gen1.Signal > 0.9 and Cmp.Out == true). Выполнение встаёт на паузу на "
                     "такте, где условие выполнилось."),
      &dialog);
  label->setWordWrap(true);
  layout->addWidget(label);
  auto* edit = new QPlainTextEdit(&dialog);
  edit->setObjectName("edBreaks");
  QStringList lines;
  for (const std::u16string& b : GetProject()->GetBreaks())
    lines << QString::fromStdU16String(b);
  edit->setPlainText(lines.join('\n'));
  layout->addWidget(edit);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
  for (;;) {
    if (Dialogs->Execute(dialog) != IMainDialogs::mrOk)
      return;
    std::vector<std::u16string> conditions;
    for (const QString& line : edit->toPlainText().split('\n'))
      conditions.push_back(line.trimmed().toStdU16String());
    const TEditResult set = Document->SetBreaks(std::move(conditions));
    if (set.Ok) {
      sbMain->clearMessage();
      return;
    }
    // Refused: said, and the list is there to be mended.
    Dialogs->ShowError(set.Field.isEmpty() ? set.Reason
                                           : QString("«%1»: %2").arg(set.Field, set.Reason));
    if (set.Reason == TProjectDocument::LockedNote())
      return;
  }
}

void TfmMain::BuildScope() {
  dkScope = new QDockWidget(QCoreApplication::translate("TfmMain", "Scope"), this);
  dkScope->setObjectName("dkScope");
  auto* panel = new QWidget(dkScope);
  auto* layout = new QVBoxLayout(panel);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* bar = new QToolBar(panel);
  bar->setObjectName("tbScope");
  Scope = new TScopeView(RunControl->ScopeData(), panel);
  auto* follow = bar->addAction(QCoreApplication::translate("TfmMain", "Follow"));
  follow->setObjectName("acScopeFollow");
  follow->setCheckable(true);
  follow->setChecked(true);
  connect(follow, &QAction::toggled, Scope, [this](bool on) {
    if (on != Scope->Following())
      Scope->SetFollow(on);
  });
  connect(Scope, &TScopeView::ViewChanged, follow,
          [this, follow] { follow->setChecked(Scope->Following()); });
  auto* seconds = bar->addAction(QCoreApplication::translate("TfmMain", "Seconds"));
  seconds->setObjectName("acScopeSeconds");
  seconds->setCheckable(true);
  connect(seconds, &QAction::toggled, Scope, &TScopeView::SetSeconds);
  bar->addAction(QCoreApplication::translate("TfmMain", "Show All"), Scope, &TScopeView::ShowAll)
      ->setObjectName("acScopeAll");
  bar->addSeparator();
  auto save = [this](bool picture, bool whole) {
    const std::optional<QString> file = Dialogs->ChooseScopeFile(picture);
    if (!file)
      return;
    bool written = false;
    if (picture) {
      written = Scope->grab().save(*file, "PNG");
    } else {
      const std::string csv = whole ? Scope->HistoryCsv() : Scope->ShownCsv();
      written = WriteWholeFile(file->toStdString(), csv);
    }
    if (!written)
      Dialogs->ShowError(QCoreApplication::translate("TfmMain", "Файл «%1» не записан").arg(*file));
  };
  bar->addAction(QCoreApplication::translate("TfmMain", "Export View as CSV..."), this,
                 [save] { save(false, false); })
      ->setObjectName("acScopeViewCsv");
  bar->addAction(QCoreApplication::translate("TfmMain", "Export View as PNG..."), this,
                 [save] { save(true, false); })
      ->setObjectName("acScopeViewPng");
  bar->addAction(QCoreApplication::translate("TfmMain", "Export History as CSV..."), this,
                 [save] { save(false, true); })
      ->setObjectName("acScopeHistoryCsv");
  // An output's row dragged from the grid: the selected module's output, in the plot dropped on.
  Scope->OnDropOutput = [this](const std::u16string& output, int plot) {
    if (const std::shared_ptr<IModule> module = Document->Selected()) {
      const TEditResult result = Document->SetWatched(module, output, true, plot);
      result.Ok ? sbMain->clearMessage() : sbMain->showMessage(result.Reason);
    }
  };
  layout->addWidget(bar);
  layout->addWidget(Scope, 1);
  dkScope->setWidget(panel);
  addDockWidget(Qt::BottomDockWidgetArea, dkScope);
  dkScope->hide();
}

void TfmMain::SetRunRate(double hz) {
  // A run under way takes the new pace at once.
  RunControl->SetRate(hz);
  for (QAction* action : RunRates->actions())
    action->setChecked(action->data().toDouble() == hz);
}

double TfmMain::GetRunRate() const {
  return RunControl->GetRate();
}

void TfmMain::RunProject() {
  if (RunControl->Running())
    return;
  // The plan needs every component: a scan under way ends first.
  WaitForComponents();
  QString reason;
  if (!RunControl->Start(&reason)) {
    sbMain->showMessage(
        QCoreApplication::translate("TfmMain", "Проект не запущен: %1").arg(reason));
    Log(lgGeneral, ltError, "Проект не запущен: %s", {reason.toStdString()});
    return;
  }
}

void TfmMain::StopProject() {
  RunControl->Stop();
}

void TfmMain::RunStarted() {
  for (const std::string& note : RunControl->Notes())
    Log(lgGeneral, ltWarning, "%s", {note});
  Log(lgGeneral, ltInformation, "Выполнение проекта начато", {});
  miRun->setEnabled(false);
  miStop->setEnabled(true);
  miPause->setEnabled(true);
  miResume->setEnabled(false);
  miStep->setEnabled(false);
  Document->SetLocked(true);
  GetCanvas()->SetReadOnly(true);
  // Labels show 6 significant digits; the grid and the tool tips the whole value.
  GetCanvas()->LinkValue = [this](const TLink& link) {
    const auto value = RunControl->LinkValue(link);
    return value ? Utf8ToUtf16(ShortValue(*value)) : std::u16string();
  };
  GetCanvas()->LinkValuesStopped = false;
  // Something watched: the scope shows it from the first tick.
  if (!RunControl->Signals().empty())
    dkScope->show();
  Scope->Changed();
  sbMain->showMessage(TProjectDocument::LockedNote());
}

void TfmMain::RunStopped(const QString& failure) {
  miRun->setEnabled(true);
  miStop->setEnabled(false);
  for (QAction* item : {miPause, miResume, miStep})
    item->setEnabled(false);
  // The last values stay, grey, until the next run or another project.
  GetCanvas()->LinkValuesStopped = true;
  GetCanvas()->SetReadOnly(false);
  Document->SetLocked(false);
  Scope->Changed();
  GetCanvas()->Redraw();
  if (failure.isEmpty()) {
    Log(lgGeneral, ltInformation, "Выполнение проекта остановлено на такте %d",
        {static_cast<std::int64_t>(RunControl->Tick())});
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Выполнение остановлено на такте %1")
                            .arg(RunControl->Tick()));
    return;
  }
  Log(lgGeneral, ltError, "Выполнение проекта прервано: %s", {failure.toStdString()});
  // The module the failure names is shown on its level, selected.
  if (const std::shared_ptr<IModule> failed = RunControl->FailedModule())
    Document->Reveal(failed);
  sbMain->showMessage(
      QCoreApplication::translate("TfmMain", "Выполнение прервано: %1").arg(failure));
  Dialogs->ShowError(QCoreApplication::translate("TfmMain", "Выполнение проекта прервано"),
                     failure);
}
