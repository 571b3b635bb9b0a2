#pragma once

#include "plugins/unComponentAnswer.h"
#include "plugins/unHostMessage.h"
#include "plugins/unRunPlan.h"

#include <cstdint>
#include <string>
#include <vector>

// The one protocol between the editor and a component host, compiled into both. Each side's first
// message is a hello with its version; a host whose version differs is refused with a message.
//   Describing ("host [--log] FD FILE..."): the host says hello, then one answer per file.
//   Running ("host --run FD SHMFD"): the editor says hello and sends the plan; the host says
//   hello, then ready once every instance is made, values, rows and the modules' log messages as
//   it goes, and ends with an error or the end. The editor may ask for another rate, a pause, a
//   resume, a step of one tick while paused, or a stop at any time; the host says when it has
//   paused (asked, after a step, or at a break condition) and tells its pace's figures.
inline constexpr std::int32_t HostProtocolVersion = 5;

enum class THostKind : char {
  Hello = 'H',     // both ways, first
  Described = 'D', // host: one file's answer (TComponentAnswer)
  Plan = 'P',      // editor: what to run (TRunPlan)
  Stop = 'X',      // editor: stop after the tick under way
  Rate = 'A',      // editor: a new pace
  Ready = 'R',     // host: every instance is made, the ticks begin
  Values = 'V',    // host: the values changed since the last report
  Row = 'W',       // host: the watched values after a tick
  Error = 'E',     // host: the run failed
  Log = 'L',       // host: a module's message for the program's log
  End = 'F',       // host: the run ended cleanly
  Control = 'C',   // editor: pause, resume or step one tick
  Paused = 'Q',    // host: paused after a tick (asked, stepped, or at a break)
  Stats = 'S',     // host: the pace's figures so far
};

struct THelloMessage {
  std::int32_t Version = HostProtocolVersion;
};

struct TStopMessage {};

struct TRateMessage {
  std::int64_t MicroHz = 0; // ticks per second times 1 000 000; 0: no waits
};

struct TControlMessage {
  enum TAction : std::uint8_t { Pause = 1, Resume = 2, Step = 3 };
  TAction Action = Pause;
};

struct TPausedMessage {
  std::int64_t Tick = 0;
  std::int32_t Break = -1; // the plan's break condition that held; -1: asked or stepped
};

// The pace so far: ticks done, the time they took, and how late ticks began after their deadline
// (ticks without a deadline, as fast as possible or the first after a pause, are not counted).
struct TStatsMessage {
  std::int64_t Ticks = 0;
  std::int64_t ElapsedNs = 0; // since the ticks began, pauses left out
  std::int64_t Paced = 0;     // ticks with a deadline
  std::int64_t Late = 0;      // of them, those that began over TRunStats::LateNs after it
  std::int64_t P50Ns = 0, P99Ns = 0, MaxNs = 0;
};

struct TReadyMessage {
  std::int32_t Modules = 0;
};

struct TValuesMessage {
  struct TValue {
    std::int32_t Module = 0, Output = 0;
    std::string Text;
    friend bool operator==(const TValue&, const TValue&) = default;
  };
  std::int64_t Tick = 0;
  std::vector<TValue> Values;
};

struct TRowMessage {
  std::int64_t Tick = 0;
  std::vector<std::string> Values; // in the order of the plan's watches
};

struct TErrorMessage {
  std::int32_t Module = -1; // -1: no module
  std::int64_t Tick = 0;    // 0: before the first tick
  std::string Text;
};

struct TLogMessage {
  std::int32_t Module = -1;
  std::int32_t Type = 3; // 1 error, 2 warning, 3 information
  std::string Text;
};

struct TEndMessage {
  std::int64_t Ticks = 0;
};

// Each message as its writer, and back: Decode is false when the message is not of its kind, not
// whole, or carries more than it should. Texts read are valid UTF-8.
TMessageWriter Encode(const THelloMessage& message);
bool Decode(TMessageReader& reader, THelloMessage& message);
TMessageWriter Encode(const TStopMessage& message);
bool Decode(TMessageReader& reader, TStopMessage& message);
TMessageWriter Encode(const TRateMessage& message);
bool Decode(TMessageReader& reader, TRateMessage& message);
TMessageWriter Encode(const TControlMessage& message);
bool Decode(TMessageReader& reader, TControlMessage& message);
TMessageWriter Encode(const TPausedMessage& message);
bool Decode(TMessageReader& reader, TPausedMessage& message);
TMessageWriter Encode(const TStatsMessage& message);
bool Decode(TMessageReader& reader, TStatsMessage& message);
TMessageWriter Encode(const TReadyMessage& message);
bool Decode(TMessageReader& reader, TReadyMessage& message);
TMessageWriter Encode(const TValuesMessage& message);
bool Decode(TMessageReader& reader, TValuesMessage& message);
TMessageWriter Encode(const TRowMessage& message);
bool Decode(TMessageReader& reader, TRowMessage& message);
TMessageWriter Encode(const TErrorMessage& message);
bool Decode(TMessageReader& reader, TErrorMessage& message);
TMessageWriter Encode(const TLogMessage& message);
bool Decode(TMessageReader& reader, TLogMessage& message);
TMessageWriter Encode(const TEndMessage& message);
bool Decode(TMessageReader& reader, TEndMessage& message);
TMessageWriter Encode(const TComponentAnswer& answer);
bool Decode(TMessageReader& reader, TComponentAnswer& answer);
// False also when a module is fed by a module that is not before it, or a watch names nothing.
TMessageWriter Encode(const TRunPlan& plan);
bool Decode(TMessageReader& reader, TRunPlan& plan);

// Why the first message of the other side is refused (not a hello, another version); empty when
// it is accepted.
std::string RefusedHello(const std::string& payload);
