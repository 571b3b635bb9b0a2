#include "app/unProjectCommands.h"

#include "app/unMainDialogs.h"
#include "app/unProjectDocument.h"
#include "canvas/unPictureExport.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unProject.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"
#include "plugins/unParamAttach.h"
#include "xml/unXml.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QLocale>
#include <filesystem>

TProjectCommands::TProjectCommands(TProjectDocument& document, IMainDialogs& dialogs,
                                   TComponentList* components, TAddToLog log)
    : Document(document), Dialogs(dialogs), Components(components), Log(std::move(log)) {}

void TProjectCommands::NewProject() {
  if (Document.GetProject() && Document.GetProject()->Modified) {
    if (!ConfirmDiscard())
      return;
  } else if (Document.GetProject() &&
             Dialogs.ConfirmYesNo(QCoreApplication::translate(
                 "TProjectCommands", "Вы хотите закрыть текущий проект?")) != IMainDialogs::mrYes) {
    return;
  }
  auto project = std::make_shared<TProject>(Components, Log, u"", u"Project1");
  if (auto modules = project->GetMainModules())
    modules->AddModule(100, 100, u"Module1", 100, 100);
  Document.CloseProject();
  Document.SetProject(std::move(project));
}

void TProjectCommands::OpenProject() {
  if (!ConfirmDiscard())
    return;
  if (const std::optional<QString> file = Dialogs.ChooseOpenFile())
    Load(*file);
}

bool TProjectCommands::OpenFile(const QString& file) {
  return ConfirmDiscard() && Load(file);
}

bool TProjectCommands::Load(const QString& file) {
  auto project = std::make_shared<TProject>(Components, Log, u"", u"");
  if (const TResult loaded = project->Load(ToU16(file)); !loaded) {
    Dialogs.ShowError(QCoreApplication::translate("TProjectCommands", "Ошибка загрузки из файла."),
                      QString::fromStdString(loaded.Reason));
    project->Close();
    return false;
  }
  project->FileName = ToU16(file);
  project->Modified = false;
  // The files keep no parameters: the modules get their components' lists back.
  if (auto modules = project->GetMainModules())
    AttachParameters(*modules, Components);
  Document.CloseProject();
  Document.SetProject(std::move(project));
  Document.OnDisk = TFileIdentity::Of(file.toStdString());
  FileUsed(ToU16(file));
  return true;
}

void TProjectCommands::FileUsed(const std::u16string& file) {
  if (OnFileUsed)
    OnFileUsed(QFileInfo(ToQString(file)).absoluteFilePath());
}

bool TProjectCommands::SaveProject() {
  if (!Document.GetProject())
    return false;
  // A file that held something other than a project is never written over by a plain save; nor
  // is the remembered file of restored work once it no longer holds a project.
  if (Document.GetProject()->FileName.empty() || Document.GetProject()->ForeignFile ||
      (Document.CheckFileBeforeSave && !HoldsProject(Document.GetProject()->FileName)))
    return SaveProjectAs();
  // Another program (a second editor) wrote the file since this one read or wrote it: its work
  // is not written over without a word.
  if (!Document.OnDisk.Matches(Utf16ToUtf8(Document.GetProject()->FileName))) {
    switch (AskChangedOnDisk(QCoreApplication::translate(
        "TProjectCommands",
        "Файл проекта «%1» изменён другой программой после того, как этот редактор открыл или "
        "сохранил его."))) {
    case TOnDisk::Overwrite:
      break;
    case TOnDisk::SaveAs:
      return SaveProjectAs();
    case TOnDisk::Reload:
      Reload();
      return false;
    default:
      return false;
    }
  }
  if (!SaveTo(Document.GetProject()->FileName))
    return false;
  Document.MarkSaved();
  FileUsed(Document.GetProject()->FileName);
  return true;
}

bool TProjectCommands::SaveProjectAs() {
  if (!Document.GetProject())
    return false;
  std::optional<QString> file = Dialogs.ChooseSaveFile();
  if (!file)
    return false;
  file = WithProjectSuffix(*file);
  if (!SaveTo(ToU16(*file)))
    return false;
  Document.GetProject()->FileName = ToU16(*file);
  Document.GetProject()->ForeignFile = false;
  Document.MarkSaved();
  FileUsed(Document.GetProject()->FileName);
  return true;
}

bool TProjectCommands::SaveTo(const std::u16string& file) {
  const TResult saved = Document.GetProject()->Save(file);
  if (!saved)
    Dialogs.ShowError(QCoreApplication::translate("TProjectCommands", "Ошибка при сохранении."),
                      QString::fromStdString(saved.Reason));
  else
    Document.OnDisk = TFileIdentity::Of(Utf16ToUtf8(file));
  return saved.Ok;
}

TProjectCommands::TOnDisk TProjectCommands::AskChangedOnDisk(const QString& question) {
  const QString file = QFileInfo(ToQString(Document.GetProject()->FileName)).fileName();
  const int answer = Dialogs.AskChoice(
      question.arg(file), {QCoreApplication::translate("TProjectCommands", "Перезаписать"),
                           QCoreApplication::translate("TProjectCommands", "Сохранить как..."),
                           QCoreApplication::translate("TProjectCommands", "Загрузить заново")});
  return answer >= 0 && answer <= 2 ? static_cast<TOnDisk>(answer) : TOnDisk::Cancel;
}

bool TProjectCommands::Reload() {
  if (!Document.GetProject() || Document.GetProject()->FileName.empty())
    return false;
  // What is loaded now replaces the work here: it is not asked about again.
  Document.GetProject()->Modified = false;
  return Load(ToQString(Document.GetProject()->FileName));
}

void TProjectCommands::FileChangedOnDisk() {
  TProject* project = Document.GetProject();
  if (!project || project->FileName.empty() || !Document.OnDisk.Known)
    return;
  const std::string file = Utf16ToUtf8(project->FileName);
  if (Document.OnDisk.Matches(file))
    return;
  // Each new state of the file is offered once.
  const TFileIdentity now = TFileIdentity::Of(file);
  if (now.Exists && Offered.Known && Offered.Size == now.Size && Offered.Digest == now.Digest)
    return;
  Offered = now;
  if (!now.Exists || !HoldsProject(project->FileName))
    return;
  const QString name = QFileInfo(ToQString(project->FileName)).fileName();
  const QString question =
      project->Modified
          ? QCoreApplication::translate("TProjectCommands",
                                        "Файл проекта «%1» изменён другой программой. Загрузить "
                                        "его заново? Несохранённые изменения будут потеряны.")
          : QCoreApplication::translate("TProjectCommands",
                                        "Файл проекта «%1» изменён другой программой. Загрузить "
                                        "его заново?");
  if (Dialogs.ConfirmYesNo(question.arg(name)) == IMainDialogs::mrYes)
    Reload();
}

bool TProjectCommands::ConfirmDiscard() {
  if (Ending || !Document.GetProject() || !Document.GetProject()->Modified)
    return true;
  switch (Dialogs.AskYesNoCancel(
      QCoreApplication::translate("TProjectCommands", "Сохранить изменения в проекте?"))) {
  case IMainDialogs::mrYes:
    return SaveProject();
  case IMainDialogs::mrNo:
    return true;
  default:
    return false;
  }
}

bool TProjectCommands::OfferRecovery() {
  // Only work of editors that no longer run; this editor's own lock is taken afterwards.
  const std::vector<TRecovery::TLeft> left = Document.LeftRecoveries();
  for (const TRecovery::TLeft& entry : left) {
    const std::u16string file = Utf8ToUtf16(entry.File);
    TKvenXmlDocument1 document;
    std::u16string name, original;
    if (document.LoadFromFile(file)) {
      document.GetRoot()->ReadString(u"Name", name);
      document.GetRoot()->ReadString(u"RecoveredFrom", original);
    }
    const QString question =
        QCoreApplication::translate("TProjectCommands",
                                    "Восстановить несохранённый проект «%1», сохранённый %2?")
            .arg(ToQString(name),
                 QLocale::c().toString(
                     QDateTime::fromSecsSinceEpoch(entry.Kept),
                     // The form of a date and time in the user's language.
                     QCoreApplication::translate("TProjectCommands", "dd.MM.yyyy HH:mm")));
    const int answer = Dialogs.ConfirmYesNo(question);
    // Closed by the program's end, the question was never answered: the work stays.
    if (Ending)
      return false;
    if (answer != IMainDialogs::mrYes) {
      std::error_code ec;
      std::filesystem::remove(entry.File, ec);
      continue;
    }
    auto project = std::make_shared<TProject>(Components, Log, u"", u"");
    if (const TResult loaded = project->Load(file); !loaded) {
      Dialogs.ShowError(
          QCoreApplication::translate("TProjectCommands", "Ошибка загрузки из файла."),
          QString::fromStdString(loaded.Reason));
      continue;
    }
    project->FileName = original;
    project->Modified = true;
    if (auto modules = project->GetMainModules())
      AttachParameters(*modules, Components);
    Document.CloseProject();
    Document.SetProject(std::move(project));
    // The remembered file is written only while it still holds a project.
    Document.CheckFileBeforeSave = true;
    // Kept aside again at once, as this editor's: killed once more, the editor loses nothing.
    if (Document.WriteRecovery()) {
      std::error_code ec;
      std::filesystem::remove(entry.File, ec);
    }
    return true;
  }
  return false;
}

bool HoldsProject(const std::u16string& file) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(Utf16ToUtf8(file), ec))
    return false;
  TKvenXmlDocument1 document;
  return document.LoadFromFile(file) && document.HasElement() &&
         document.GetRoot()->GetName() == ProjectRootName;
}

void TProjectCommands::ExportPicture() {
  if (!Document.GetProject())
    return;
  // With levels below the main one: the level shown, or every level into a folder.
  bool every = false;
  if (ProjectLevels(*Document.GetProject()).size() > 1) {
    const int answer = Dialogs.AskChoice(
        QCoreApplication::translate("TProjectCommands",
                                    "У проекта несколько уровней. Какой рисунок записать?"),
        {QCoreApplication::translate("TProjectCommands", "Уровень на холсте"),
         QCoreApplication::translate("TProjectCommands", "Все уровни, в папку")});
    if (answer < 0)
      return;
    every = answer == 1;
  }
  const std::optional<QString> file = Dialogs.ChooseExportFile();
  if (!file)
    return;
  QString reason;
  const QFileInfo info(*file);
  const bool written =
      every ? ExportEveryLevel(*Document.GetProject(), info.path() + "/" + info.completeBaseName(),
                               info.suffix().toLower(), &reason)
            : ExportLevelPicture(*Document.GetProject(), Document.Level().get(), *file, &reason);
  if (!written) {
    CallLogHandler(Log, lgGeneral, ltError, "%s", {ToU16(reason)});
    Dialogs.ShowError(QCoreApplication::translate("TProjectCommands", "Рисунок не сохранён."),
                      reason);
  }
}
