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

#include <QActionGroup>
#include <QCoreApplication>
#include <QKeySequence>
#include <QMenu>
#include <QStatusBar>

void TfmMain::BuildRunMenu(QMenu* project) {
  miRun = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "&Run"), "miRun", &TfmMain::RunProject);
  miRun->setShortcut(QKeySequence(Qt::Key_F5));
  miStop = AddItem(project, QT_TRANSLATE_NOOP("TfmMain", "&Stop"), "miStop", &TfmMain::StopProject);
  miStop->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F5));
  miStop->setEnabled(false);
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
  RunControl->SetRate(DefaultRunRate);
  RunControl->Log = LogHandler();
  connect(RunControl, &TRunControl::Started, this, &TfmMain::RunStarted);
  connect(RunControl, &TRunControl::Stopped, this, &TfmMain::RunStopped);
  // New values: the links and the grid show them.
  connect(RunControl, &TRunControl::ValuesChanged, this, [this] {
    GetCanvas()->Redraw();
    Grid->ShowLiveValues();
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Выполняется: такт %1. %2")
                            .arg(RunControl->Tick())
                            .arg(TProjectDocument::LockedNote()));
  });
  GetCanvas()->OnReadOnly = [this] { sbMain->showMessage(TProjectDocument::LockedNote()); };
  Grid->LiveValue = [this](const IModule& module, bool output, const std::u16string& name) {
    return RunControl->Value(module, output, name);
  };
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
  Document->SetLocked(true);
  GetCanvas()->SetReadOnly(true);
  GetCanvas()->LinkValue = [this](const TLink& link) {
    const auto value = RunControl->LinkValue(link);
    return value ? Utf8ToUtf16(*value) : std::u16string();
  };
  sbMain->showMessage(TProjectDocument::LockedNote());
}

void TfmMain::RunStopped(const QString& failure) {
  miRun->setEnabled(true);
  miStop->setEnabled(false);
  GetCanvas()->LinkValue = nullptr;
  GetCanvas()->SetReadOnly(false);
  Document->SetLocked(false);
  GetCanvas()->Redraw();
  if (failure.isEmpty()) {
    Log(lgGeneral, ltInformation, "Выполнение проекта остановлено на такте %d",
        {static_cast<std::int64_t>(RunControl->Tick())});
    sbMain->showMessage(QCoreApplication::translate("TfmMain", "Выполнение остановлено на такте %1")
                            .arg(RunControl->Tick()));
    return;
  }
  Log(lgGeneral, ltError, "Выполнение проекта прервано: %s", {failure.toStdString()});
  sbMain->showMessage(
      QCoreApplication::translate("TfmMain", "Выполнение прервано: %1").arg(failure));
  Dialogs->ShowError(QCoreApplication::translate("TfmMain", "Выполнение проекта прервано"),
                     failure);
}
