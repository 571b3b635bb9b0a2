#include "plugins/unRunHost.h"

#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unLibrary.h"
#include "plugins/unPluginCall.h"
#include "plugins/unPluginStrings.h"
#include "plugins/unRunPlan.h"

#include <cerrno>
#include <csignal>
#include <map>
#include <memory>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

struct TLibrary {
  std::unique_ptr<TKvenLibrary> File;
  bool Good = false;
  TZUPluginSetLog SetLog = nullptr;
  TZUPluginRun Run = nullptr;
  TZUPluginLoad Load = nullptr;
  TZUPluginUnLoad UnLoad = nullptr;
};

// One module as the host runs it.
struct TModuleRun {
  const TLibrary* Library = nullptr;
  std::vector<std::u16string> Outputs;
  // For each input: "Name=" and either the constant (escaped) or the feeding output.
  struct TPart {
    std::u16string Prefix;
    std::u16string Constant;
    const std::u16string* From = nullptr;
  };
  std::vector<TPart> Parts;
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
    Status.SinceNs.store(MonotonicNs(), std::memory_order_relaxed);
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
        }
        run.Parts.push_back(std::move(part));
      }
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

  // One step of the module; false (reported) when it failed.
  bool Step(std::size_t i, std::int64_t tick) {
    TModuleRun& run = Modules[i];
    Input.clear();
    for (const TModuleRun::TPart& part : run.Parts) {
      Input += part.Prefix;
      Input += part.From ? *part.From : part.Constant;
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
            const std::u16string_view value(p + eq + 1, end - eq - 1);
            if (Values[i][k] != value) {
              Values[i][k].assign(value);
              Dirty[i][k] = 1;
            }
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
                                    UnescapeValue(Utf16ToUtf8(Values[i][k]))});
        }
    return Send(Encode(message));
  }

  bool Row(std::int64_t tick) {
    TRowMessage row{tick, {}};
    for (const TRunWatch& watch : Plan.Watch)
      row.Values.push_back(UnescapeValue(Utf16ToUtf8(
          Values[static_cast<std::size_t>(watch.Module)][static_cast<std::size_t>(watch.Output)])));
    return Send(Encode(row));
  }

  // Waits up to timeoutMs for a message; true when the editor asked for a stop or is gone. A new
  // pace is taken at once.
  bool StopAsked(int timeoutMs) {
    pollfd p{Fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
      return false;
    char buf[4096];
    const ssize_t n = read(Fd, buf, sizeof buf);
    if (n <= 0)
      return !(n < 0 && (errno == EINTR || errno == EAGAIN));
    Incoming.Append(buf, static_cast<std::size_t>(n));
    std::string payload;
    while (Incoming.Next(payload)) {
      TMessageReader r(payload);
      TStopMessage stop;
      TRateMessage rate;
      if (Decode(r, stop))
        return true;
      if (TMessageReader again(payload); Decode(again, rate)) {
        Plan.RateHz = static_cast<double>(rate.MicroHz) / 1e6;
        PaceChanged = true;
      }
    }
    return Incoming.Broken();
  }

  // When the tick after `tick` is due at the pace, counted from the last change of pace.
  std::int64_t Due(std::int64_t tick) const {
    return PaceStart +
           static_cast<std::int64_t>(static_cast<double>(tick - PaceTick) * 1e9 / Plan.RateHz);
  }

  int Ticks() {
    PaceStart = MonotonicNs();
    std::int64_t lastReport = PaceStart;
    const std::int64_t reportNs = static_cast<std::int64_t>(Plan.ReportMs) * 1000000;
    std::int64_t tick = 0;
    while (!Gone && (Plan.Ticks == 0 || tick < Plan.Ticks)) {
      ++tick;
      Status.Tick.store(tick, std::memory_order_relaxed);
      for (std::size_t i = 0; i < Modules.size(); ++i)
        if (!Step(i, tick))
          return 1;
      if (!Plan.Watch.empty() && !Row(tick))
        return 1;
      const std::int64_t now = MonotonicNs();
      if (now - lastReport >= reportNs) {
        lastReport = now;
        if (!Report(tick))
          return 1;
      }
      // Messages are looked at after every tick; with a pace, until the next tick is due.
      bool stop = StopAsked(0);
      while (!stop && Plan.RateHz > 0) {
        if (PaceChanged) {
          PaceChanged = false;
          PaceStart = MonotonicNs();
          PaceTick = tick - 1; // the next tick a whole period after this one
        }
        const std::int64_t left = (Due(tick) - MonotonicNs()) / 1000000;
        if (left <= 0)
          break;
        stop = StopAsked(static_cast<int>(std::min<std::int64_t>(left, 1000)));
      }
      // (A change to no pace at all needs nothing: the next pace set starts afresh.)
      if (stop)
        break;
    }
    if (Gone)
      return 1;
    Report(tick);
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
  std::vector<std::vector<std::u16string>> Values;
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
