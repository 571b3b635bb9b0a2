#pragma once

#include "log/unLogGlobals.h"

// A document that passes every message to the program object's log.
class TLogProgram : public TLogDocument {
public:
  TLogProgram();

  // The program's answer; false (AddToLogW: -1) without a program or when it throws.
  bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                const TLogArgs& args) override;
  std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type, const std::u16string& format,
                         const TLogArgs& args) override;
  // Shows the program's log.
  void Show() override;

protected:
  ~TLogProgram() override = default;
};
