#pragma once

#include "app/unMainDialogs.h"

#include <QString>
#include <optional>
#include <utility>

// Answers every dialog of the main window so that a file is opened and nothing else is asked.
class TOpenDialogs : public IMainDialogs {
public:
  explicit TOpenDialogs(QString file) : File(std::move(file)) {}
  int ConfirmYesNo(const QString&) override { return mrNo; }
  int AskYesNoCancel(const QString&) override { return mrNo; }
  void ShowError(const QString&, const QString&) override { Failed = true; }
  std::optional<QString> ChooseOpenFile() override { return File; }
  std::optional<QString> ChooseSaveFile() override { return std::nullopt; }
  std::optional<QString> ChooseExportFile() override { return std::nullopt; }
  std::optional<QString> ChooseModuleFile(const QString&, const QString&) override {
    return std::nullopt;
  }
  std::optional<QString> ChooseScopeFile(bool) override { return std::nullopt; }
  int Execute(QDialog&) override { return mrCancel; }
  std::optional<QString> AskText(const QString&, const QString&) override { return std::nullopt; }
  int AskChoice(const QString&, const QStringList&) override { return -1; }
  QString File;
  bool Failed = false;
};
