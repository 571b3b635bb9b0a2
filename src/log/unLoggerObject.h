#pragma once

#include "log/unLogGlobals.h"

// An object that logs through an optional handler.
class TLoggerObject {
public:
  explicit TLoggerObject(TAddToLog onAddToLog = {}) : OnAddToLog(std::move(onAddToLog)) {}
  virtual ~TLoggerObject() = default;
  // The handler's answer; false without one or when it throws.
  virtual bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                        const TLogArgs& args);

  TAddToLog OnAddToLog;
};
