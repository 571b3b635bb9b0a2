#include "log/unProgram.h"

#include "platform/unExeFolder.h"
#include "platform/unStrings.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace {

TProgram* Singleton = nullptr;

std::vector<std::string> OwnArguments() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  const std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> arguments;
  std::size_t start = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (all[i] == '\0') {
      arguments.push_back(all.substr(start, i - start));
      start = i + 1;
    }
  }
  return arguments;
}

} // namespace

bool IsSwitch(const std::string& argument, const std::string& name) {
  if (argument.size() != name.size() + 1 || (argument[0] != '-' && argument[0] != '/'))
    return false;
  for (std::size_t i = 0; i < name.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(argument[i + 1])) !=
        std::toupper(static_cast<unsigned char>(name[i])))
      return false;
  return true;
}

TProgram::TProgram() : TProgram(OwnArguments()) {}

TProgram::TProgram(const std::vector<std::string>& arguments) {
  auto has = [&](const char* name) {
    return std::any_of(arguments.begin() + (arguments.empty() ? 0 : 1), arguments.end(),
                       [&](const std::string& a) { return IsSwitch(a, name); });
  };
  ConsoleMode = has("CONSOLE");
  DebugMode = has("DEBUG");
  SilentMode = has("SILENT");
  ShowSplash = !has("NOSPLASH");
  TeachMode = has("TEACH");
  ExeFolder = Utf8ToUtf16(::ExeFolder());
  ExeName = Utf8ToUtf16(::ExeName());
  ExePath = ExeFolder + ExeName;
  ProgramName = Utf8ToUtf16(ExeBaseName());
  StartTime = Now();
  Singleton = this;
}

TProgram::~TProgram() {
  CloseLog();
  if (Singleton == this)
    Singleton = nullptr;
}

TProgram* TProgram::GetProgram() {
  return Singleton;
}

bool TProgram::AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                        const TLogArgs& args) {
  return AddToLogW(group, type, Utf8ToUtf16(format), args) >= 0;
}

std::int32_t TProgram::AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args) {
  const std::lock_guard<std::mutex> guard(Lock);
  return AddToLogWUnlocked(group, type, format, args);
}

std::int32_t TProgram::AddToLogWUnlocked(TLogGroupMessage group, TLogTypeMessage type,
                                         const std::u16string& format, const TLogArgs& args) {
  return Log ? Log->AddToLogW(group, type, format, args) : -1;
}

bool TProgram::CloseLog() {
  if (Log) {
    try {
      Log->Close();
    } catch (...) {
    }
    Log.reset();
  }
  return true;
}
