#include "log/unLogDocuments.h"

#include "platform/unStrings.h"

TLogDocuments::TLogDocuments() : TLogDocuments(lDocuments) {}

TLogDocuments::TLogDocuments(TLogType logType) : TLogDocumentA(logType, u"", nullptr) {}

std::int32_t TLogDocuments::Add(TLogDocument* document) {
  Documents.push_back(document);
  return static_cast<std::int32_t>(Documents.size()) - 1;
}

bool TLogDocuments::AddToLog(TLogGroupMessage group, TLogTypeMessage type,
                             const std::string& format, const TLogArgs& args) {
  return AddToLogW(group, type, Utf8ToUtf16(format), args) >= 0;
}

std::int32_t TLogDocuments::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                      const std::u16string& format, const TLogArgs& args) {
  std::int32_t result = -1;
  for (TLogDocument* child : Documents)
    if (const std::int32_t r = child->AddToLogW(group, type, format, args); r >= 0)
      result = r;
  return result;
}

void TLogDocuments::SetOnCommand(TKvenMessage handler) {
  TLogDocument::SetOnCommand(handler);
  for (TLogDocument* child : Documents)
    child->SetOnCommand(handler);
}

bool TLogDocuments::LoadConfig() {
  const bool result = TLogDocument::LoadConfig();
  for (TLogDocument* child : Documents)
    child->LoadConfig();
  return result;
}

bool TLogDocuments::SaveConfig() {
  const bool result = TLogDocument::SaveConfig();
  for (TLogDocument* child : Documents)
    child->SaveConfig();
  return result;
}

TLogNode* TLogDocuments::AddNode(TLogTypeMessage type, const std::string& text,
                                 std::int32_t parentId, std::int32_t id) {
  TLogNode* node = TLogDocumentA::AddNode(type, text, parentId, id);
  for (TLogDocument* child : Documents)
    child->AddNode(type, text, parentId, node->ID);
  return node;
}

void TLogDocuments::Show() {
  for (TLogDocument* child : Documents)
    child->Show();
}
