#include "log/unLogSystem.h"

#include "platform/unStrings.h"

TLogSystem::TLogSystem(std::int32_t logId, const std::string& logName)
    : TLogDocument(lLogSystem, u"", nullptr) {
  try {
    Client = std::make_unique<TClient_LogSystem>(TClient_LogSystem::WorkBit, logId, logName);
  } catch (...) {
  }
}

std::int32_t TLogSystem::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                   const std::u16string& format, const TLogArgs& args) {
  if (!Client)
    return -1;
  try {
    return Client->Log(group, type, Utf16ToUtf8(format), args) ? 1 : -1;
  } catch (...) {
    return -1;
  }
}

TLogNode* TLogSystem::AddNode(TLogTypeMessage type, const std::string& text, std::int32_t,
                              std::int32_t) {
  AddToLog(lgGeneral, type, text, {});
  return nullptr;
}
