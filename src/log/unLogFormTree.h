#pragma once

#include "log/unLogShablon.h"

#include <utility>
#include <vector>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;

// The log window "Сообщения программы" across the bottom of the screen: a tree of messages,
// newest on top, each with the time, the type, the group and the text, and a coloured mark for
// errors, warnings and untyped messages. It keeps at most 10001 entries.
class TFormLog : public TfmLogShablon {
  Q_OBJECT
public:
  explicit TFormLog(QWidget* owner = nullptr);

  static constexpr std::size_t MaxRecords = 10000;

  // Adds an entry with the time before the text: on top, or as the first child of the oldest
  // entry with the parent id. The whole tree is emptied first when it is full.
  QTreeWidgetItem* AddNode(TLogTypeMessage type, std::int32_t id, std::int32_t parentId,
                           const std::u16string& text);
  // An entry "[type] group: message" (the format unfilled when it does not fit); 1.
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;
  TKvenMessage GetCommand() const override { return CommandHandler; }
  // Shows the command line while there is a handler.
  void SetCommand(TKvenMessage handler) override;
  // Empties the tree.
  void NClearClick();
  // The command line's Enter: logs the command and hands it to the handler.
  void CommandLineEnter();

  // The image index of a type, -1 for none.
  static int ImageOf(TLogTypeMessage type);

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QLineEdit* CommandLine;
  std::vector<std::pair<std::int32_t, QTreeWidgetItem*>> Records;
  TKvenMessage CommandHandler;
  QWidget* SidePanel;
  QTreeWidget* Tree;
};
