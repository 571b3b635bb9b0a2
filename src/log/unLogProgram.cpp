#include "log/unLogProgram.h"

#include "log/unProgram.h"

TLogProgram::TLogProgram() : TLogDocument(lProgram, u"", nullptr) {}

bool TLogProgram::AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                           const TLogArgs& args) {
  try {
    TProgram* program = TProgram::GetProgram();
    return program && program->AddToLog(group, type, format, args);
  } catch (...) {
    return false;
  }
}

std::int32_t TLogProgram::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                    const std::u16string& format, const TLogArgs& args) {
  try {
    TProgram* program = TProgram::GetProgram();
    return program ? program->AddToLogW(group, type, format, args) : -1;
  } catch (...) {
    return -1;
  }
}

void TLogProgram::Show() {
  try {
    if (TProgram* program = TProgram::GetProgram(); program && program->Log)
      program->Log->Show();
  } catch (...) {
  }
}
