#include "log/unLogShablon.h"

TKvenMessage TfmLogShablon::GetCommand() const {
  return {};
}

void TfmLogShablon::SetCommand(TKvenMessage) {}

std::int32_t TfmLogShablon::AddToLogW(TLogGroupMessage, TLogTypeMessage, const std::u16string&,
                                      const TLogArgs&) {
  return -1;
}
