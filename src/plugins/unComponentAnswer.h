#pragma once

#include "log/unLogGlobals.h"
#include "plugins/unComponent.h"

#include <string>
#include <vector>

// One message the library wrapper logged while a host described a file.
struct THostLogEntry {
  TLogTypeMessage Type = ltInformation;
  std::string Text;
  friend bool operator==(const THostLogEntry&, const THostLogEntry&) = default;
};

// What a component host found out about one library file: whether it can be registered (or
// why not), its description, which entry points it has, and the two parameter texts as the
// plug-in left them.
struct TComponentAnswer {
  bool Ok = false;
  std::string Cause;
  TComponentInfo Info;
  TZUVersion Version{0, 0, 0, 0};
  bool HasRun = false;
  bool HasLoad = false;
  bool HasUnLoad = false;
  // ZU_Plugin_Load, ZU_Plugin_UnLoad and the execution mark are there: modules can run.
  bool Executes = false;
  // The group a palette lists it in (ZU_Plugin_Category); empty when it names none.
  std::string Category;
  std::u16string ParamIn;
  std::u16string ParamOut;
  // The library wrapper's messages, in the order it wrote them.
  std::vector<THostLogEntry> Log;
  // The failure tells of the host, not of the file (it could not be started, was stopped, is
  // missing or of another version): asked again next time, never kept. Not sent by hosts.
  bool HostFault = false;
};

// A failed answer with the cause: the file's fault.
TComponentAnswer FailedAnswer(std::string cause);
// A failed answer with the cause: the host's fault, the file was not asked.
TComponentAnswer UnaskedAnswer(std::string cause);
