#pragma once

#include "log/unLogGlobals.h"

#include <vector>

// A document that passes every call on to its children, in the order they were added. It does
// not own them.
class TLogDocuments : public TLogDocumentA {
public:
  TLogDocuments();

  // The child's index.
  std::int32_t Add(TLogDocument* document);
  const std::vector<TLogDocument*>& GetDocuments() const { return Documents; }

  // Through the own AddToLogW; true when a child took the message.
  bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                const TLogArgs& args) override;
  // The last non-negative answer of the children, -1 when none took it. A child's exception
  // passes on.
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;
  void SetOnCommand(TKvenMessage handler) override;
  bool LoadConfig() override;
  bool SaveConfig() override;
  // The collection's own node, then each child's with that node's id.
  TLogNode* AddNode(TLogTypeMessage type, const std::string& text, std::int32_t parentId,
                    std::int32_t id) override;
  void Show() override;

protected:
  explicit TLogDocuments(TLogType logType);
  ~TLogDocuments() override = default;

private:
  std::vector<TLogDocument*> Documents;
};
