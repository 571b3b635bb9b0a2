#include "log/unLogDocumentForm.h"

#include "config/unConfigForm.h"
#include "log/unLogFormTree.h"
#include "platform/unStrings.h"

TLogForm::TLogForm(TKvenXmlNode1* element)
    : TLogDocumentA(lWindow, u"", nullptr), Window(std::make_unique<TFormLog>()) {
  if (element)
    ConfigForm = std::make_unique<TConfigForm>(element, TAddToLog(), Window.get());
}

TLogForm::~TLogForm() = default;

void TLogForm::Dispose() {
  try {
    ConfigForm.reset();
    Window.reset();
  } catch (...) {
  }
  TLogDocumentA::Dispose();
}

std::int32_t TLogForm::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args) {
  return Window ? Window->AddToLogW(group, type, format, args) : -1;
}

bool TLogForm::LoadConfig() {
  const bool result = TLogDocumentA::LoadConfig();
  if (ConfigForm)
    ConfigForm->LoadState();
  return result;
}

bool TLogForm::SaveConfig() {
  const bool result = TLogDocumentA::SaveConfig();
  if (ConfigForm)
    ConfigForm->SaveState();
  return result;
}

bool TLogForm::Close() {
  if (Window)
    Window->hide();
  return true;
}

TLogNode* TLogForm::AddNode(TLogTypeMessage type, const std::string& text, std::int32_t parentId,
                            std::int32_t) {
  const std::int32_t id = NextID();
  if (Window)
    Window->AddNode(type, id, parentId, Utf8ToUtf16(text));
  return TLogDocumentA::AddNode(type, text, parentId, id);
}

void TLogForm::Show() {
  if (Window) {
    Window->show();
    Window->raise();
  }
}
