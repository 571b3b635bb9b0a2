#pragma once

#include "app/unMainDialogs.h"

#include <QStringList>
#include <deque>

// Answers the main window's dialogs from queues and records what was asked.
class TScriptedMainDialogs : public IMainDialogs {
public:
  struct TScript {
    std::deque<int> Answers;                  // for ConfirmYesNo and AskYesNoCancel
    std::deque<std::optional<QString>> Files; // for ChooseOpenFile and ChooseSaveFile
    QStringList Asked;                        // questions, in order
    QStringList Errors;                       // error messages, in order
    int FileDialogs = 0;
  };

  explicit TScriptedMainDialogs(TScript& script) : Script(script) {}

  int ConfirmYesNo(const QString& text) override { return Answer(text, mrNo); }
  int AskYesNoCancel(const QString& text) override { return Answer(text, mrCancel); }
  void ShowError(const QString& text) override { Script.Errors << text; }
  std::optional<QString> ChooseOpenFile() override { return File(); }
  std::optional<QString> ChooseSaveFile() override { return File(); }

private:
  int Answer(const QString& text, int fallback) {
    Script.Asked << text;
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
    auto f = Script.Files.front();
    Script.Files.pop_front();
    return f;
  }

  TScript& Script;
};
