#include "log/unLoggerObject.h"

bool TLoggerObject::AddToLog(TLogGroupMessage group, TLogTypeMessage type,
                             const std::string& format, const TLogArgs& args) {
  return CallLogHandler(OnAddToLog, group, type, format, args);
}
