#include "log/unLogGlobals.h"

#include "platform/unStrings.h"

#include <algorithm>
#include <cstdio>

const std::array<std::int32_t, 10> LogGroupCodes = {0, 1, 2, 4, 8, 16, 32, 64, 128, 256};
const std::array<const char*, 10> LogGroupAbbreviations = {"Non", "Net", "Set", "Gen", "DB",
                                                           "Key", "Equ", "Alg", "Sys", "Usr"};
const std::array<std::int32_t, 4> LogTypeCodes = {0, 1, 2, 4};
const std::array<const char*, 4> LogTypeAbbreviations = {"N", "E", "W", "I"};
const std::array<std::int32_t, 6> LogMarkCodes = {0, 16, 32, 1, 2, 4};

const char* LogGroupAbbreviation(std::int64_t ordinal, const char* unknown) {
  return ordinal >= 0 && ordinal < static_cast<std::int64_t>(LogGroupAbbreviations.size())
             ? LogGroupAbbreviations[static_cast<std::size_t>(ordinal)]
             : unknown;
}

const char* LogTypeAbbreviation(std::int64_t ordinal, const char* unknown) {
  return ordinal >= 0 && ordinal < static_cast<std::int64_t>(LogTypeAbbreviations.size())
             ? LogTypeAbbreviations[static_cast<std::size_t>(ordinal)]
             : unknown;
}

namespace {

template <class F> TLogStatus Guarded(F&& body) {
  try {
    body();
    return LogStatusOk;
  } catch (...) {
    return LogStatusFail;
  }
}

// Index of the code in the table, or -1.
template <std::size_t N>
int IndexOfCode(const std::array<std::int32_t, N>& table, std::int32_t code) {
  auto it = std::find(table.begin(), table.end(), code);
  return it == table.end() ? -1 : static_cast<int>(it - table.begin());
}

const std::u16string NewNodeFormat = u"###<NewNode ParentNodeID=%d>%s</NewNode>";

} // namespace

bool CallLogHandler(const TAddToLog& handler, TLogGroupMessage group, TLogTypeMessage type,
                    const std::string& format, const TLogArgs& args) {
  if (!handler)
    return false;
  try {
    return handler(group, type, format, args);
  } catch (...) {
    return false;
  }
}

TLogNode::TLogNode(TLogDocument* document, std::int32_t parentId, const std::string& text,
                   std::int32_t id)
    : TimeStamp(Now()), ID(id), Text(Utf8ToUtf16(text)), Document(document), ParentID(parentId) {}

bool TLogNode::AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                        const TLogArgs& args) {
  return AddToLogW(group, type, Utf8ToUtf16(format), args) > 0;
}

void TLogNode::Dispose() {
  delete this;
}

std::int32_t TLogNode::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args) {
  if (!Document)
    return -1;
  try {
    std::string message = FormatLog(Utf16ToUtf8(format), args);
    return Document->AddToLogW(group, type, NewNodeFormat, TLogArgs{ID, std::move(message)});
  } catch (...) {
    return -1;
  }
}

TLogStatus TLogNode::GetDocument(ILogDocument*& document) {
  return Guarded([&] { document = Document; });
}
TLogStatus TLogNode::GetGroup(std::int32_t& code) {
  return Guarded([&] { code = LogGroupCodes.at(Group); });
}
TLogStatus TLogNode::GetID(std::int32_t& id) {
  return Guarded([&] { id = ID; });
}
TLogStatus TLogNode::GetType(std::int32_t& code) {
  return Guarded([&] { code = LogTypeCodes.at(Type); });
}
TLogStatus TLogNode::GetParentID(std::int32_t& id) {
  return Guarded([&] { id = ParentID; });
}
TLogStatus TLogNode::GetMark(std::int32_t& code) {
  return Guarded([&] { code = LogMarkCodes.at(Mark); });
}
TLogStatus TLogNode::GetText(std::u16string& text) {
  return Guarded([&] { text = Text; });
}
TLogStatus TLogNode::SetGroup(std::int32_t code) {
  return Guarded([&] {
    if (int i = IndexOfCode(LogGroupCodes, code); i >= 0)
      Group = static_cast<TLogGroupMessage>(i);
  });
}
TLogStatus TLogNode::SetID(std::int32_t id) {
  return Guarded([&] { ID = id; });
}
TLogStatus TLogNode::SetType(std::int32_t code) {
  return Guarded([&] {
    if (int i = IndexOfCode(LogTypeCodes, code); i >= 0)
      Type = static_cast<TLogTypeMessage>(i);
  });
}
TLogStatus TLogNode::SetText(const std::u16string& text) {
  return Guarded([&] { Text = text; });
}
TLogStatus TLogNode::SetParentID(std::int32_t id) {
  return Guarded([&] { ParentID = id; });
}
TLogStatus TLogNode::SetMark(std::int32_t code) {
  return Guarded([&] {
    if (int i = IndexOfCode(LogMarkCodes, code); i >= 0)
      Mark = static_cast<std::uint8_t>(i);
  });
}

TLogDocument::TLogDocument(TLogType logType, const std::u16string& text, TLogDocument* owner)
    : TLogNode(owner, 0, Utf16ToUtf8(text), 0), LogType(logType) {}

bool TLogDocument::AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                            const TLogArgs& args) {
  return OnAddToLog ? OnAddToLog(group, type, format, args) : false;
}

std::int32_t TLogDocument::AddToLogW(TLogGroupMessage, TLogTypeMessage, const std::u16string&,
                                     const TLogArgs&) {
  return -1;
}

void TLogDocument::SetOnCommand(TKvenMessage handler) {
  OnCommand = std::move(handler);
}
bool TLogDocument::LoadConfig() {
  return Config != nullptr;
}
bool TLogDocument::SaveConfig() {
  return Config != nullptr;
}
bool TLogDocument::Close() {
  return true;
}
TLogNode* TLogDocument::FindNode(std::int32_t) {
  return nullptr;
}
bool TLogDocument::Open() {
  return true;
}
TLogNode* TLogDocument::AddNode(TLogTypeMessage, const std::string&, std::int32_t, std::int32_t) {
  return nullptr;
}
void TLogDocument::Show() {}

std::int32_t TLogDocumentA::NextID() const {
  return static_cast<std::int32_t>(Nodes.size()) + 1;
}

TLogNode* TLogDocumentA::FindNode(std::int32_t id) {
  for (const auto& node : Nodes)
    if (node->ID == id)
      return node.get();
  return nullptr;
}

TLogNode* TLogDocumentA::AddNode(TLogTypeMessage, const std::string& text, std::int32_t parentId,
                                 std::int32_t id) {
  std::string nodeText = FormatNodeTime(Now()) + " " + text;
  if (id == 0)
    id = NextID();
  Nodes.emplace_back(new TLogNode(this, parentId, nodeText, id));
  return Nodes.back().get();
}

std::string FormatNodeTime(TDateTime time) {
  TDateTimeParts p = DecodeDateTime(time);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d.%02d.%04d %02d:%02d:%02d", p.Day, p.Month, p.Year, p.Hour,
                p.Minute, p.Second);
  return buf;
}

std::string FormatFileLineTime(TDateTime time) {
  TDateTimeParts p = DecodeDateTime(time);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d.%02d.%02d %02d:%02d:%02d:%03d", p.Year, p.Month, p.Day,
                p.Hour, p.Minute, p.Second, p.Millisecond);
  return buf;
}

std::string FormatWindowTime(TDateTime time) {
  TDateTimeParts p = DecodeDateTime(time);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%03d", p.Minute, p.Second, p.Millisecond);
  return buf;
}
