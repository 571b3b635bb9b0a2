#include "app/unMainDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

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
  if (!details.isEmpty())
    box.setDetailedText(details);
  box.exec();
}

std::optional<QString> TQtMainDialogs::Chosen(const QString& file) {
  if (file.isEmpty())
    return std::nullopt;
  LastFolder = QFileInfo(file).absolutePath();
  return file;
}

std::optional<QString> TQtMainDialogs::ChooseOpenFile() {
  return Chosen(QFileDialog::getOpenFileName(Parent, QString(), LastFolder));
}

std::optional<QString> TQtMainDialogs::ChooseSaveFile() {
  return Chosen(QFileDialog::getSaveFileName(Parent, QString(), LastFolder, QString(), nullptr,
                                             QFileDialog::DontConfirmOverwrite));
}

int TQtMainDialogs::Execute(QDialog& dialog) {
  return dialog.exec();
}

std::optional<QString> TQtMainDialogs::ChooseExportFile() {
  return Chosen(
      QFileDialog::getSaveFileName(Parent, QString(), LastFolder, "PNG (*.png);;SVG (*.svg)"));
}
