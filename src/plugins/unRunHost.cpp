#include "plugins/unRunHost.h"

#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "plugins/unCondition.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unLibrary.h"
#include "plugins/unPluginCall.h"
#include "plugins/unPluginStrings.h"
#include "plugins/unRunPlan.h"
#include "plugins/unRunStats.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <poll.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {

struct TLibrary {
  std::unique_ptr<TKvenLibrary> File;
  bool Good = false;
  TZUPluginSetLog SetLog = nullptr;
  TZUPluginRun Run = nullptr;
  TZUPluginLoad Load = nullptr;
  TZUPluginUnLoad UnLoad = nullptr;
  TZUPluginStepValues StepValues = nullptr;
};

// One output's value: its value text, and the number a numeric step gave for it or a numeric
// step found it reads as. Whichever was written last is the value; the other follows on demand.
struct TSlot {
  std::u16string Text;
  double Number = 0;
  bool TextStale = false;      // Number was written after Text
  std::int8_t NumberState = 0; // 1: Number is the value's; -1: the text reads as no number
  std::uint8_t Kind = rkDouble;
};

// The text a value text carries for a number a numeric step gave, as the SDK's helpers write it.
void NumberText(double value, std::uint8_t kind, std::u16string& text) {
  char buf[40];
  if (kind == rkBool) {
    std::snprintf(buf, sizeof buf, "%s", value != 0 ? "true" : "false");
  } else if (kind == rkInt && std::isfinite(value) && std::fabs(value) < 9e18) {
    std::snprintf(buf, sizeof buf, "%lld", static_cast<long long>(std::llround(value)));
  } else {
    ZU_ShortestDouble(buf, sizeof buf, value);
  }
  text.assign(buf, buf + std::strlen(buf));
}

// The value's text.
const std::u16string& TextOf(TSlot& slot) {
  if (slot.TextStale) {
    NumberText(slot.Number, slot.Kind, slot.Text);
    slot.TextStale = false;
  }
  return slot.Text;
}

// The number the value is, read as ZU_ValueDouble reads it; false when it has none (unset, or
// a text that is no number).
bool NumberOf(TSlot& slot, double& value) {
  if (slot.NumberState == 0) {
    slot.NumberState = -1;
    const std::u16string& text = slot.Text;
    if (!text.empty() && text.size() < 64) {
      char ascii[64];
      std::size_t n = 0;
      for (const char16_t c : text)
        ascii[n++] = c > 0 && c < 0x80 ? static_cast<char>(c) : '\x7f';
      ascii[n] = 0;
      char* end = nullptr;
      if (std::strcmp(ascii, "true") == 0 || std::strcmp(ascii, "false") == 0) {
        slot.Number = ascii[0] == 't' ? 1 : 0;
        slot.NumberState = 1;
      } else if (const double read = std::strtod(ascii, &end); end && *end == 0) {
        slot.Number = read;
        slot.NumberState = 1;
      }
    }
  }
  value = slot.Number;
  return slot.NumberState == 1;
}

// Gives the value a text; true when it changed.
bool SetText(TSlot& slot, std::u16string_view text) {
  if (TextOf(slot) == text)
    return false;
  slot.Text.assign(text);
  slot.NumberState = 0;
  return true;
}

// Gives the value a number; true when it changed.
bool SetNumber(TSlot& slot, double value) {
  if (slot.NumberState == 1 && std::memcmp(&slot.Number, &value, sizeof value) == 0)
    return false;
  slot.Number = value;
  slot.NumberState = 1;
  slot.TextStale = true;
  return true;
}

// One module as the host runs it.
struct TModuleRun {
  const TLibrary* Library = nullptr;
  std::vector<std::u16string> Outputs;
  // For each input: "Name=" and either the constant (escaped; and its number, when it reads as
  // one) or the feeding output.
  struct TPart {
    std::u16string Prefix;
    std::u16string Constant;
    TSlot* From = nullptr;
    bool ConstantIsNumber = false;
    double ConstantNumber = 0;
  };
  std::vector<TPart> Parts;
  // Stepped with numbers whenever every input reads as one.
  bool Numeric = false;
  bool Loaded = false;
};

std::u16string U16(std::string_view text) {
  return Utf8ToUtf16(text);
}

class THostRun;
// The function components write their messages with.
void HostLog(std::int32_t instance, std::int32_t type, const char* text);
// The run under way, for the log function components are given.
THostRun* CurrentRun = nullptr;

class THostRun {
public:
  THostRun(TRunPlan plan, int fd, TRunStatus& status)
      : Plan(std::move(plan)), Fd(fd), Status(status) {
    CurrentRun = this;
  }
  ~THostRun() { CurrentRun = nullptr; }

  // A module's message for the program's log: sent while the run's budget of messages lasts
  // (MessagesPerSecond), then counted and told of once it is back.
  void ModuleLog(std::int32_t module, std::int32_t type, const char* text) {
    const std::int64_t now = MonotonicNs();
    if (now - BudgetSince >= 1000000000) {
      BudgetSince = now;
      Budget = MessagesPerSecond;
      if (Dropped > 0) {
        Send(Encode(TLogMessage{
            -1, 2,
            FormatLogOrAsIs("%d сообщений модулей пропущено: их было больше %d в секунду",
                            {Dropped, static_cast<std::int32_t>(MessagesPerSecond)})}));
        Dropped = 0;
      }
    }
    if (Budget == 0) {
      ++Dropped;
      return;
    }
    --Budget;
    if (module < 0 || static_cast<std::size_t>(module) >= Modules.size())
      module = -1;
    if (type < 1 || type > 3)
      type = 3;
    Send(Encode(TLogMessage{module, type, ShownText(ValidUtf8(text ? text : ""), 4096)}));
  }
  static constexpr int MessagesPerSecond = 20;

  int Go() {
    if (!Prepare())
      return 1;
    const int code = Ticks();
    UnLoadAll();
    if (code == 0)
      Send(Encode(TEndMessage{Done}));
    return code;
  }

private:
  bool Send(const TMessageWriter& message) {
    if (!WriteAll(Fd, message.Frame()))
      Gone = true;
    return !Gone;
  }

  void Fail(std::int32_t module, std::int64_t tick, const std::string& text) {
    Send(Encode(TErrorMessage{module, tick, text}));
  }

  void Enter(std::int32_t module, TRunPhase phase) {
    Status.Module.store(module, std::memory_order_relaxed);
    Status.SinceNs.store(MonotonicCoarseNs(), std::memory_order_relaxed);
    Status.Phase.store(phase, std::memory_order_release);
  }
  void Leave() { Status.Phase.store(rpIdle, std::memory_order_release); }

  // Loads the libraries and makes the instances; false (reported) when one cannot be made.
  bool Prepare() {
    Values.resize(Plan.Modules.size());
    Dirty.resize(Plan.Modules.size());
    Modules.resize(Plan.Modules.size());
    for (std::size_t i = 0; i < Plan.Modules.size(); ++i) {
      const TRunModule& m = Plan.Modules[i];
      Values[i].assign(m.Outputs.size(), {});
      for (std::size_t k = 0; k < m.OutputKinds.size() && k < m.Outputs.size(); ++k)
        Values[i][k].Kind = m.OutputKinds[k];
      Dirty[i].assign(m.Outputs.size(), 0);
      for (const std::string& o : m.Outputs)
        Modules[i].Outputs.push_back(U16(o));
    }
    for (std::size_t i = 0; i < Plan.Modules.size(); ++i) {
      const TRunModule& m = Plan.Modules[i];
      TModuleRun& run = Modules[i];
      const auto index = static_cast<std::int32_t>(i);
      std::string cause;
      run.Library = Library(m.Library, cause);
      if (!run.Library) {
        Fail(index, 0, cause);
        return false;
      }
      std::u16string constants;
      for (const TRunInput& in : m.Inputs) {
        TModuleRun::TPart part{U16(in.Name + "="), {}, nullptr};
        if (in.FromModule >= 0) {
          part.From = &Values[static_cast<std::size_t>(in.FromModule)]
                             [static_cast<std::size_t>(in.FromOutput)];
        } else {
          part.Constant = U16(EscapeValue(in.Constant));
          constants += part.Prefix + part.Constant + u"\n";
          TSlot constant{Utf8ToUtf16(in.Constant)};
          part.ConstantIsNumber = NumberOf(constant, part.ConstantNumber);
        }
        run.Parts.push_back(std::move(part));
      }
      run.Numeric =
          m.Numeric && run.Library->StepValues && m.OutputKinds.size() == m.Outputs.size();
      BSTR text = SysAllocStringLen(reinterpret_cast<const ZU_WCHAR*>(constants.data()),
                                    static_cast<std::uint32_t>(constants.size()));
      std::int32_t result = 0;
      Enter(index, rpLoad);
      const bool returned = GuardedPluginCall([&] { result = run.Library->Load(index, &text); });
      Leave();
      const std::string reason = Utf16ToUtf8(BstrText(text));
      SysFreeString(text);
      if (!returned || result != 0) {
        Fail(index, 0,
             !returned ? Say("исключение в ZU_Plugin_Load")
                       : Say("экземпляр не создан: %s", {reason}));
        return false;
      }
      run.Loaded = true;
    }
    return Send(Encode(TReadyMessage{static_cast<std::int32_t>(Modules.size())}));
  }

  const TLibrary* Library(const std::string& file, std::string& cause) {
    auto [it, added] = Libraries().try_emplace(file);
    TLibrary& lib = it->second;
    if (!added)
      return lib.Good ? &lib : nullptr;
    lib.File = std::make_unique<TKvenLibrary>();
    lib.File->SetFileName(U16(file));
    if (!lib.File->Initialize()) {
      cause = Say("библиотека не загружается: %s", {lib.File->GetLastError()});
      return nullptr;
    }
    lib.Run = reinterpret_cast<TZUPluginRun>(lib.File->FindProcedure(u"ZU_Plugin_Run"));
    lib.SetLog = reinterpret_cast<TZUPluginSetLog>(lib.File->FindProcedure(u"ZU_Plugin_SetLog"));
    lib.Load = reinterpret_cast<TZUPluginLoad>(lib.File->FindProcedure(u"ZU_Plugin_Load"));
    lib.UnLoad = reinterpret_cast<TZUPluginUnLoad>(lib.File->FindProcedure(u"ZU_Plugin_UnLoad"));
    lib.StepValues =
        reinterpret_cast<TZUPluginStepValues>(lib.File->FindProcedure(u"ZU_Plugin_StepValues"));
    if (!lib.Run || !lib.Load || !lib.UnLoad || !lib.File->Executes()) {
      cause = Say("у компонента нет процедур выполнения");
      return nullptr;
    }
    lib.Good = true;
    // What its modules have to tell goes to the program's log.
    if (lib.SetLog)
      GuardedPluginCall([&] { lib.SetLog(&HostLog); });
    return &lib;
  }

  // The libraries stay loaded until the host ends: a module may leave threads running their code.
  static std::map<std::string, TLibrary>& Libraries() {
    static auto* libraries = new std::map<std::string, TLibrary>;
    return *libraries;
  }

  // The module's inputs as numbers into Numbers; false when one does not read as a number.
  bool NumericInputs(TModuleRun& run) {
    Numbers.resize(run.Parts.size());
    double* at = Numbers.data();
    for (const TModuleRun::TPart& part : run.Parts) {
      if (part.From ? !NumberOf(*part.From, *at) : !part.ConstantIsNumber)
        return false;
      if (!part.From)
        *at = part.ConstantNumber;
      ++at;
    }
    return true;
  }

  // One numeric step of the module; false (reported) when it failed.
  bool StepNumbers(std::size_t i, std::int64_t tick) {
    TModuleRun& run = Modules[i];
    std::vector<TSlot>& outputs = Values[i];
    OutNumbers.resize(outputs.size());
    for (std::size_t k = 0; k < outputs.size(); ++k)
      if (!NumberOf(outputs[k], OutNumbers[k]))
        OutNumbers[k] = std::nan("");
    BSTR error = nullptr;
    std::int32_t result = 0;
    const auto index = static_cast<std::int32_t>(i);
    Enter(index, rpStep);
    const bool returned = GuardedPluginCall([&] {
      result = run.Library->StepValues(index, Numbers.data(),
                                       static_cast<std::int32_t>(Numbers.size()), OutNumbers.data(),
                                       static_cast<std::int32_t>(OutNumbers.size()), &error);
    });
    Leave();
    if (!returned || result != 0) {
      const std::string reason = Utf16ToUtf8(BstrText(error));
      SysFreeString(error);
      Fail(index, tick,
           !returned ? Say("исключение в ZU_Plugin_StepValues")
                     : Say("ошибка шага: %s", {reason.empty() ? "step failed" : reason}));
      return false;
    }
    SysFreeString(error);
    for (std::size_t k = 0; k < outputs.size(); ++k)
      if (SetNumber(outputs[k], OutNumbers[k]))
        Dirty[i][k] = 1;
    return true;
  }

  // One step of the module; false (reported) when it failed.
  bool Step(std::size_t i, std::int64_t tick) {
    TModuleRun& run = Modules[i];
    if (run.Numeric && NumericInputs(run))
      return StepNumbers(i, tick);
    Input.clear();
    for (const TModuleRun::TPart& part : run.Parts) {
      Input += part.Prefix;
      Input += part.From ? TextOf(*part.From) : part.Constant;
      Input += u'\n';
    }
    BSTR text = SysAllocStringLen(reinterpret_cast<const ZU_WCHAR*>(Input.data()),
                                  static_cast<std::uint32_t>(Input.size()));
    std::int32_t result = 0;
    const auto index = static_cast<std::int32_t>(i);
    Enter(index, rpStep);
    const bool returned =
        GuardedPluginCall([&] { result = run.Library->Run(ZU_RUN_STEP, index, &text); });
    Leave();
    if (!returned || result != 0) {
      const std::string reason = Utf16ToUtf8(BstrText(text));
      SysFreeString(text);
      Fail(index, tick,
           !returned ? Say("исключение в ZU_Plugin_Run") : Say("ошибка шага: %s", {reason}));
      return false;
    }
    TakeOutputs(i, text);
    SysFreeString(text);
    return true;
  }

  void TakeOutputs(std::size_t i, BSTR text) {
    const std::uint32_t len = SysStringLen(text);
    const auto* p = reinterpret_cast<const char16_t*>(text);
    const std::vector<std::u16string>& names = Modules[i].Outputs;
    for (std::uint32_t line = 0; line < len;) {
      std::uint32_t end = line;
      while (end < len && p[end] != u'\n')
        ++end;
      std::uint32_t eq = line;
      while (eq < end && p[eq] != u'=')
        ++eq;
      if (eq < end) {
        const std::u16string_view name(p + line, eq - line);
        for (std::size_t k = 0; k < names.size(); ++k)
          if (names[k] == name) {
            if (SetText(Values[i][k], std::u16string_view(p + eq + 1, end - eq - 1)))
              Dirty[i][k] = 1;
            break;
          }
      }
      line = end + 1;
    }
  }

  // Reports the values changed since the last report.
  bool Report(std::int64_t tick) {
    TValuesMessage message{tick, {}};
    for (std::size_t i = 0; i < Values.size(); ++i)
      for (std::size_t k = 0; k < Values[i].size(); ++k)
        if (Dirty[i][k]) {
          Dirty[i][k] = 0;
          message.Values.push_back({static_cast<std::int32_t>(i), static_cast<std::int32_t>(k),
                                    UnescapeValue(Utf16ToUtf8(TextOf(Values[i][k])))});
        }
    return Send(Encode(message));
  }

  bool Row(std::int64_t tick) {
    TRowMessage row{tick, {}};
    for (const TRunWatch& watch : Plan.Watch)
      row.Values.push_back(UnescapeValue(Utf16ToUtf8(TextOf(Values[static_cast<std::size_t>(
          watch.Module)][static_cast<std::size_t>(watch.Output)]))));
    return Send(Encode(row));
  }

  // What the editor asked for.
  enum class TAsk { None, Stop, Pause, Resume, Step };

  // The next thing the editor asked for, waiting up to timeoutNs for it (-1: as long as it
  // takes); a new pace is taken at once. A closed or broken channel is a stop.
  TAsk Listen(std::int64_t timeoutNs) {
    for (;;) {
      if (!Asked.empty()) {
        const TAsk ask = Asked.front();
        Asked.erase(Asked.begin());
        return ask;
      }
      pollfd p{Fd, POLLIN, 0};
      timespec wait{timeoutNs / 1000000000, timeoutNs % 1000000000};
      const int ready = ppoll(&p, 1, timeoutNs < 0 ? nullptr : &wait, nullptr);
      if (ready < 0 && errno == EINTR)
        continue;
      if (ready <= 0)
        return TAsk::None;
      char buf[4096];
      const ssize_t n = read(Fd, buf, sizeof buf);
      if (n < 0 && (errno == EINTR || errno == EAGAIN))
        continue;
      if (n <= 0)
        return TAsk::Stop;
      Incoming.Append(buf, static_cast<std::size_t>(n));
      std::string payload;
      while (Incoming.Next(payload)) {
        TMessageReader r(payload);
        TStopMessage stop;
        TRateMessage rate;
        TControlMessage control;
        if (Decode(r, stop)) {
          Asked.push_back(TAsk::Stop);
        } else if (TMessageReader again(payload); Decode(again, rate)) {
          Plan.RateHz = static_cast<double>(rate.MicroHz) / 1e6;
          PaceChanged = true;
        } else if (TMessageReader third(payload); Decode(third, control)) {
          Asked.push_back(control.Action == TControlMessage::Pause    ? TAsk::Pause
                          : control.Action == TControlMessage::Resume ? TAsk::Resume
                                                                      : TAsk::Step);
        }
      }
      if (Incoming.Broken())
        return TAsk::Stop;
      timeoutNs = 0; // what came was all there is for now
    }
  }

  // When the tick after `tick` is due at the pace, counted from the last change of pace.
  std::int64_t Due(std::int64_t tick) const {
    return PaceStart +
           static_cast<std::int64_t>(static_cast<double>(tick - PaceTick) * 1e9 / Plan.RateHz);
  }

  // Whether the value text of an output reads as a number the term holds for.
  bool TermHolds(const TRunTerm& term) {
    double value = 0;
    if (term.Module < 0) {
      value = ValueNumber(term.Constant);
    } else {
      const std::u16string& text = TextOf(
          Values[static_cast<std::size_t>(term.Module)][static_cast<std::size_t>(term.Output)]);
      std::string ascii(text.size(), '\0');
      for (std::size_t i = 0; i < text.size(); ++i)
        ascii[i] = text[i] < 0x80 ? static_cast<char>(text[i]) : '\x7f';
      value = ValueNumber(ascii);
    }
    return Compare(value, static_cast<TCompareOp>(term.Op), term.Number);
  }

  // The first break condition that holds after this tick and did not after the one before; -1.
  std::int32_t BreakNow() {
    std::int32_t first = -1;
    for (std::size_t b = 0; b < Plan.Breaks.size(); ++b) {
      const std::vector<TRunTerm>& terms = Plan.Breaks[b].Terms;
      TermHold.assign(terms.size(), 0);
      Joins.assign(terms.size(), 0);
      for (std::size_t t = 0; t < terms.size(); ++t) {
        TermHold[t] = TermHolds(terms[t]) ? 1 : 0;
        Joins[t] = terms[t].And ? 1 : 0;
      }
      const bool holds = Holds(TermHold, Joins);
      if (holds && !WasHolding[b] && first < 0)
        first = static_cast<std::int32_t>(b);
      WasHolding[b] = holds ? 1 : 0;
    }
    return first;
  }

  // One tick of every module; false (reported) when one failed or the editor is gone.
  bool OneTick(std::int64_t tick) {
    Status.Tick.store(tick, std::memory_order_relaxed);
    for (std::size_t i = 0; i < Modules.size(); ++i)
      if (!Step(i, tick))
        return false;
    return Plan.Watch.empty() || Row(tick);
  }

  // Tells the values and the figures, then that the run is paused after the tick.
  bool SayPaused(std::int64_t tick, std::int32_t cause) {
    return Report(tick) && SendStats(tick) && Send(Encode(TPausedMessage{tick, cause}));
  }

  bool SendStats(std::int64_t tick) {
    const std::int64_t elapsed = (Paused ? PausedSince : MonotonicNs()) - Begun - PausedNs;
    return Send(Encode(Stats.Figures(tick, std::max<std::int64_t>(elapsed, 0))));
  }

  void PauseNow(std::int64_t tick, std::int32_t cause) {
    Paused = true;
    PausedSince = MonotonicNs();
    SayPaused(tick, cause);
  }

  // Paces again from now: the next tick at once, the one after a period later.
  void Restart(std::int64_t tick) {
    PaceStart = MonotonicNs();
    PaceTick = tick;
    PaceChanged = false;
    Fresh = true;
  }

  int Ticks() {
    PaceStart = Begun = MonotonicNs();
    WasHolding.assign(Plan.Breaks.size(), 0);
    std::int64_t lastReport = PaceStart;
    const std::int64_t reportNs = static_cast<std::int64_t>(Plan.ReportMs) * 1000000;
    std::int64_t tick = 0;
    Fresh = true;
    while (!Gone && (Plan.Ticks == 0 || tick < Plan.Ticks)) {
      if (Paused) {
        const TAsk ask = Listen(-1);
        if (ask == TAsk::Stop)
          break;
        if (ask == TAsk::Resume) {
          Paused = false;
          PausedNs += MonotonicNs() - PausedSince;
          Restart(tick);
        } else if (ask == TAsk::Step) {
          ++tick;
          if (!OneTick(tick))
            return 1;
          BreakNow(); // a step is a tick: a condition that holds after it breaks no more
          SayPaused(tick, -1);
        }
        continue;
      }
      ++tick;
      // How late the tick begins after its deadline, when it had one.
      if (Plan.RateHz > 0 && !Fresh && !PaceChanged)
        Stats.Add(MonotonicNs() - Due(tick - 1));
      Fresh = false;
      if (!OneTick(tick))
        return 1;
      if (const std::int32_t cause = BreakNow(); cause >= 0) {
        PauseNow(tick, cause);
        continue;
      }
      const std::int64_t now = MonotonicNs();
      if (now - lastReport >= reportNs) {
        lastReport = now;
        if (!Report(tick) || !SendStats(tick))
          return 1;
      }
      // Messages are looked at after every tick; with a pace, until the next tick is due.
      TAsk ask = Listen(0);
      while (ask == TAsk::None && Plan.RateHz > 0) {
        if (PaceChanged) {
          PaceChanged = false;
          PaceStart = MonotonicNs();
          PaceTick = tick - 1; // the next tick a whole period after this one
          Fresh = true;
        }
        const std::int64_t left = Due(tick) - MonotonicNs();
        if (left <= 0)
          break;
        ask = Listen(std::min<std::int64_t>(left, 1000000000));
      }
      // (A change to no pace at all needs nothing: the next pace set starts afresh.)
      if (ask == TAsk::Stop)
        break;
      if (ask == TAsk::Pause)
        PauseNow(tick, -1);
    }
    if (Gone)
      return 1;
    if (Paused)
      PausedNs += MonotonicNs() - PausedSince;
    Paused = false;
    Report(tick);
    SendStats(tick);
    Done = tick;
    return Gone ? 1 : 0;
  }

  void UnLoadAll() {
    for (std::size_t i = 0; i < Modules.size(); ++i) {
      TModuleRun& run = Modules[i];
      if (!run.Loaded)
        continue;
      Enter(static_cast<std::int32_t>(i), rpUnLoad);
      GuardedPluginCall([&] { run.Library->UnLoad(static_cast<std::int32_t>(i)); });
      Leave();
      run.Loaded = false;
    }
  }

  TRunPlan Plan;
  int Fd;
  TRunStatus& Status;
  std::vector<TModuleRun> Modules;
  std::vector<std::vector<TSlot>> Values;
  // A numeric step's inputs and outputs.
  std::vector<double> Numbers, OutNumbers;
  std::vector<std::vector<char>> Dirty;
  std::u16string Input;
  TFrameBuffer Incoming;
  bool Gone = false;
  int Budget = MessagesPerSecond;
  std::int64_t BudgetSince = 0;
  std::int64_t Dropped = 0;
  std::int64_t Done = 0;
  // The pace counts ticks from the moment it was last set.
  std::int64_t PaceStart = 0;
  std::int64_t PaceTick = 0;
  bool PaceChanged = false;
  // The next tick has no deadline to be late for (the first, or the first after a new pace).
  bool Fresh = true;
  std::vector<TAsk> Asked;
  // Run control: paused after a tick, since when, and for how long in all.
  bool Paused = false;
  std::int64_t PausedSince = 0;
  std::int64_t PausedNs = 0;
  std::int64_t Begun = 0;
  TRunStats Stats;
  // Whether each break condition held after the tick before; scratch for evaluating one.
  std::vector<char> WasHolding, TermHold, Joins;
};

void HostLog(std::int32_t instance, std::int32_t type, const char* text) {
  if (CurrentRun)
    CurrentRun->ModuleLog(instance, type, text);
}

// Reads frames from fd until a whole one is there; false when fd ends first.
bool ReadFrame(int fd, TFrameBuffer& frames, std::string& payload) {
  char buf[65536];
  while (!frames.Next(payload)) {
    if (frames.Broken())
      return false;
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR)
      continue;
    if (n <= 0)
      return false;
    frames.Append(buf, static_cast<std::size_t>(n));
  }
  return true;
}

} // namespace

int RunHostMain(int fd, int shmFd) {
  signal(SIGPIPE, SIG_IGN);
  // The pace's waits end when asked, not up to the default 50 µs later.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  static TRunStatus own;
  TRunStatus* status = &own;
  if (shmFd >= 0) {
    void* shared = mmap(nullptr, sizeof(TRunStatus), PROT_READ | PROT_WRITE, MAP_SHARED, shmFd, 0);
    if (shared != MAP_FAILED)
      status = static_cast<TRunStatus*>(shared);
    close(shmFd);
  }
  // Hello both ways first: an editor of another version gets no run.
  if (!WriteAll(fd, Encode(THelloMessage{}).Frame()))
    return 2;
  TFrameBuffer frames;
  std::string payload;
  if (!ReadFrame(fd, frames, payload))
    return 2;
  if (const std::string refused = RefusedHello(payload); !refused.empty()) {
    WriteAll(fd, Encode(TErrorMessage{-1, 0, refused}).Frame());
    return 2;
  }
  if (!ReadFrame(fd, frames, payload))
    return 2;
  TRunPlan plan;
  TMessageReader reader(payload);
  if (!Decode(reader, plan)) {
    WriteAll(fd, Encode(TErrorMessage{-1, 0, Say("план выполнения не прочитан")}).Frame());
    return 2;
  }
  return THostRun(std::move(plan), fd, *status).Go();
}
