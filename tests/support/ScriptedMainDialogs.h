#pragma once

#include "app/unMainDialogs.h"

#include <QDialog>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

// Answers the main window's dialogs from queues and records what was asked.
class TScriptedMainDialogs : public IMainDialogs {
public:
  struct TScript {
    std::deque<int> Answers;                  // for ConfirmYesNo, AskYesNoCancel, AskChoice
    std::deque<std::optional<QString>> Files; // for ChooseOpenFile and ChooseSaveFile
    QStringList Asked;                        // questions, in order
    QStringList Errors;                       // error messages, in order
    QStringList Details;                      // their details
    int FileDialogs = 0;
    // Each shown dialog goes to the next of these (which may fill it and press its buttons) and
    // the answer is the result; without one the dialog is cancelled (result 2).
    std::deque<std::function<int(QDialog&)>> Dialogs;
    QStringList Shown;                        // the object names of the dialogs shown, in order
    std::deque<std::optional<QString>> Texts; // for AskText (nothing: cancelled)
    std::vector<QStringList> Choices;         // the buttons of each AskChoice, in order
    std::function<void()> WhileAsked;         // runs while a question is open, before its answer
  };

  explicit TScriptedMainDialogs(TScript& script) : Script(script) {}

  int ConfirmYesNo(const QString& text) override { return Answer(text, mrNo); }
  int AskYesNoCancel(const QString& text) override { return Answer(text, mrCancel); }
  void ShowError(const QString& text, const QString& details = {}) override {
    Script.Errors << text;
    Script.Details << details;
  }
  std::optional<QString> ChooseOpenFile() override { return File(); }
  std::optional<QString> ChooseSaveFile() override { return File(); }
  std::optional<QString> ChooseExportFile() override { return File(); }
  std::optional<QString> ChooseModuleFile(const QString&, const QString&) override {
    return File();
  }
  std::optional<QString> ChooseScopeFile(bool) override { return File(); }
  std::optional<QString> AskText(const QString& label, const QString&) override {
    Script.Asked << label;
    if (Script.Texts.empty())
      return std::nullopt;
    auto text = Script.Texts.front();
    Script.Texts.pop_front();
    return text;
  }
  int AskChoice(const QString& text, const QStringList& buttons) override {
    Script.Choices.push_back(buttons);
    return Answer(text, -1);
  }
  int Execute(QDialog& dialog) override {
    Script.Shown << dialog.objectName();
    if (Script.Dialogs.empty())
      return mrCancel;
    auto answer = std::move(Script.Dialogs.front());
    Script.Dialogs.pop_front();
    return answer(dialog);
  }

private:
  int Answer(const QString& text, int fallback) {
    Script.Asked << text;
    if (Script.WhileAsked)
      Script.WhileAsked();
    if (Script.Answers.empty())
      return fallback;
    int a = Script.Answers.front();
    Script.Answers.pop_front();
    return a;
  }
  std::optional<QString> File() {
    ++Script.FileDialogs;
    if (Script.Files.empty())
      return std::nullopt;
    const bool chosen = Script.Files.front().has_value();
    const QString file = chosen ? *Script.Files.front() : QString();
    Script.Files.pop_front();
    return chosen ? std::optional<QString>(file) : std::nullopt;
  }

  TScript& Script;
};
