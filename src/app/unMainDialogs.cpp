#include "app/unMainDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
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

std::optional<QString> TQtMainDialogs::ChooseOpenFile() {
  QString file = QFileDialog::getOpenFileName(Parent);
  return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
}

std::optional<QString> TQtMainDialogs::ChooseSaveFile() {
  QString file = QFileDialog::getSaveFileName(Parent, QString(), QString(), QString(), nullptr,
                                              QFileDialog::DontConfirmOverwrite);
  return file.isEmpty() ? std::nullopt : std::optional<QString>(file);
}

int TQtMainDialogs::Execute(QDialog& dialog) {
  return dialog.exec();
}
