#pragma once

#include "log/unLogGlobals.h"

#include <memory>

class TConfigForm;
class TFormLog;
class TKvenXmlNode1;

// The log window's document: every message becomes an entry of its window, whose state it keeps
// in a configuration element.
class TLogForm : public TLogDocumentA {
public:
  // The element may be null: then the window's state is not kept.
  explicit TLogForm(TKvenXmlNode1* element);

  void Dispose() override;
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;
  bool LoadConfig() override;
  bool SaveConfig() override;
  // Hides the window; true.
  bool Close() override;
  // The next id, whatever id is given; the entry and the document's own node.
  TLogNode* AddNode(TLogTypeMessage type, const std::string& text, std::int32_t parentId,
                    std::int32_t id) override;
  void Show() override;

  TFormLog* GetWindow() const { return Window.get(); }

protected:
  ~TLogForm() override;

private:
  std::unique_ptr<TFormLog> Window;
  std::unique_ptr<TConfigForm> ConfigForm;
};
