#pragma once

#include "log/unLoggerObject.h"
#include "platform/unDateTime.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The program object: the command-line switches, the executable's names and a log of its own,
// reached by every thread through one lock. The most recently created one is the program.
class TProgram : public TLoggerObject {
public:
  // Reads the switches of the process's own command line.
  TProgram();
  // Reads the switches of the given arguments (the first is the program itself).
  explicit TProgram(const std::vector<std::string>& arguments);
  ~TProgram() override;
  TProgram(const TProgram&) = delete;
  TProgram& operator=(const TProgram&) = delete;

  // The program, or null.
  static TProgram* GetProgram();

  // Through the locked AddToLogW; true when the log took the message.
  bool AddToLog(TLogGroupMessage group, TLogTypeMessage type, const std::string& format,
                const TLogArgs& args) override;
  // The log's answer, or -1 without a log; AddToLogW takes the lock, the other does not.
  virtual std::int32_t AddToLogW(TLogGroupMessage group, TLogTypeMessage type,
                                 const std::u16string& format, const TLogArgs& args);
  virtual std::int32_t AddToLogWUnlocked(TLogGroupMessage group, TLogTypeMessage type,
                                         const std::u16string& format, const TLogArgs& args);
  // Closes and disposes of the log; always true.
  virtual bool CloseLog();

  std::u16string ExePath;
  std::u16string ExeName;
  std::u16string ExeFolder;
  std::u16string ProgramName;
  bool ConsoleMode = false;
  bool DebugMode = false;
  bool SilentMode = false;
  bool ShowSplash = true;
  bool TeachMode = false;
  TDateTime StartTime = 0;
  // Owned; may be null.
  std::unique_ptr<TLogDocument, TLogDisposer> Log;

private:
  std::mutex Lock;
};

// Whether an argument is the switch ("-NAME" or "/NAME", in any case).
bool IsSwitch(const std::string& argument, const std::string& name);
