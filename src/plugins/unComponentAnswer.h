#pragma once

#include "log/unLogGlobals.h"
#include "plugins/unComponent.h"
#include "plugins/unHostMessage.h"

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
  std::u16string ParamIn;
  std::u16string ParamOut;
  // The library wrapper's messages, in the order it wrote them.
  std::vector<THostLogEntry> Log;
};

// Kinds of the messages a describing host writes.
inline constexpr char DescribedKind = 'D';

// The answer as a message, and back; false when the message is not a whole answer.
TMessageWriter EncodeAnswer(const TComponentAnswer& answer);
bool DecodeAnswer(TMessageReader& reader, TComponentAnswer& answer);

// A failed answer with the cause.
TComponentAnswer FailedAnswer(std::string cause);

// Loads the library in this process and asks it, as a component host does: its description,
// both parameter texts (when it has ZU_Plugin_Run), and which entry points it exports; frees
// every string it hands back and unloads it. With logWrapper the library wrapper's messages are
// kept in the answer. Meant for a host process: a library that crashes or hangs takes the
// process with it.
TComponentAnswer DescribeHere(const std::string& file, bool logWrapper = false);
