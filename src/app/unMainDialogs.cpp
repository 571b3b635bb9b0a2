#include "app/unMainDialogs.h"

#include "platform/unStrings.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <vector>

int TQtMainDialogs::ConfirmYesNo(const QString& text) {
  auto answer = QMessageBox::question(Parent, QApplication::applicationName(), text,
                                      QMessageBox::Yes | QMessageBox::No);
  return answer == QMessageBox::Yes ? mrYes : mrNo;
}

int TQtMainDialogs::AskYesNoCancel(const QString& text) {
  auto answer = QMessageBox::question(Parent, QApplication::applicationName(), text,
                                      QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  return answer == QMessageBox::Yes ? mrYes : answer == QMessageBox::No ? mrNo : mrCancel;
}

void TQtMainDialogs::ShowError(const QString& text, const QString& details) {
  QMessageBox box(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok,
                  Parent);
  // Details of any length (a component's message) are shown up to a length a reader can use.
  if (!details.isEmpty())
    box.setDetailedText(details.size() <= static_cast<qsizetype>(ShownTextUnits)
                            ? details
                            : details.left(static_cast<qsizetype>(ShownTextUnits) - 1) +
                                  QChar(0x2026));
  box.exec();
}

std::optional<QString> TQtMainDialogs::Chosen(const QString& file) {
  if (file.isEmpty())
    return std::nullopt;
  LastFolder = QFileInfo(file).absolutePath();
  return file;
}

namespace {

// The open and save dialogs' filters: projects' own extension first; any file still opens.
QStringList ProjectFilters() {
  return {QCoreApplication::translate("TQtMainDialogs", "Проекты ZU Programming (*.zuproj)"),
          QCoreApplication::translate("TQtMainDialogs", "Проекты в файлах XML (*.xml)"),
          QCoreApplication::translate("TQtMainDialogs", "Все файлы (*)")};
}

} // namespace

QString WithProjectSuffix(const QString& file) {
  if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty())
    return file;
  return file + "." + ProjectSuffix;
}

std::optional<QString> TQtMainDialogs::ChooseOpenFile() {
  return Chosen(
      QFileDialog::getOpenFileName(Parent, QString(), LastFolder, ProjectFilters().join(";;")));
}

std::optional<QString> TQtMainDialogs::ChooseSaveFile() {
  // A name typed without an extension gets the projects' own, before the dialog asks whether an
  // existing file is to be replaced.
  QFileDialog dialog(Parent, QString(), LastFolder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(ProjectFilters());
  dialog.setDefaultSuffix(ProjectSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return Chosen(dialog.selectedFiles().front());
}

std::optional<QString> TQtMainDialogs::ChooseModuleFile(const QString& folder,
                                                        const QString& name) {
  QFileDialog dialog(Parent, QString(), QDir(folder).filePath(name));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(ProjectFilters());
  dialog.setDefaultSuffix(ProjectSuffix);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  return dialog.selectedFiles().front();
}

int TQtMainDialogs::Execute(QDialog& dialog) {
  return dialog.exec();
}

QString WithFilterSuffix(const QString& file, const QString& filter) {
  if (file.isEmpty() || !QFileInfo(file).suffix().isEmpty())
    return file;
  return file + "." + SuffixOfFilter(filter);
}

QString SuffixOfFilter(const QString& filter) {
  const int star = filter.indexOf("*.");
  if (star < 0)
    return "png";
  QString suffix = filter.mid(star + 2);
  if (const int end = suffix.indexOf(QRegularExpression("[ )]")); end >= 0)
    suffix.truncate(end);
  return suffix.isEmpty() ? "png" : suffix;
}

namespace {

// A save dialog that gives a name typed without an extension the chosen filter's, before it asks
// whether an existing file is to be replaced.
class TExportFileDialog : public QFileDialog {
public:
  using QFileDialog::QFileDialog;
  void accept() override {
    setDefaultSuffix(SuffixOfFilter(selectedNameFilter()));
    QFileDialog::accept();
  }
};

} // namespace

std::optional<QString> TQtMainDialogs::ChooseFileToWrite(const char* name,
                                                         const QStringList& filters) {
  TExportFileDialog dialog(Parent, QString(), LastFolder);
  dialog.setObjectName(name);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilters(filters);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
    return std::nullopt;
  const QString chosen = dialog.selectedFiles().front();
  const QString file = WithFilterSuffix(chosen, dialog.selectedNameFilter());
  // A dialog of the desktop's may have left the extension to us: then we ask ourselves.
  if (file != chosen && QFileInfo::exists(file) &&
      ConfirmYesNo(
          QCoreApplication::translate("TQtMainDialogs", "Файл «%1» уже существует. Заменить его?")
              .arg(file)) != mrYes)
    return std::nullopt;
  return Chosen(file);
}

std::optional<QString> TQtMainDialogs::ChooseExportFile() {
  return ChooseFileToWrite("ExportFileDialog", {"PNG (*.png)", "SVG (*.svg)"});
}

std::optional<QString> TQtMainDialogs::ChooseScopeFile(bool picture) {
  return ChooseFileToWrite("ScopeFileDialog", {picture ? "PNG (*.png)" : "CSV (*.csv)"});
}

std::optional<QString> TQtMainDialogs::AskText(const QString& label, const QString& initial) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(Parent, "Kven.ZU.Programming", label, QLineEdit::Normal, initial, &ok);
  if (!ok)
    return std::nullopt;
  return text;
}

int TQtMainDialogs::AskChoice(const QString& text, const QStringList& buttons) {
  QMessageBox box(QMessageBox::Question, QApplication::applicationName(), text,
                  QMessageBox::NoButton, Parent);
  std::vector<QPushButton*> added;
  for (const QString& caption : buttons)
    added.push_back(box.addButton(caption, QMessageBox::ActionRole));
  // Escape closes the question without a choice.
  box.setEscapeButton(box.addButton(QMessageBox::Cancel));
  box.exec();
  for (std::size_t i = 0; i < added.size(); ++i)
    if (box.clickedButton() == added[i])
      return static_cast<int>(i);
  return -1;
}
