// The shared log service under a flood: how many ToLog calls it takes in per second, and how
// long another client's call waits meanwhile. Runs a bus and a service of its own.

#include "logservice/unLogService.h"
#include "support/PrivateBus.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <filesystem>
#include <memory>
#include <systemd/sd-bus.h>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;

constexpr int FloodCalls = 100000;

// A bus, the service on it, and the folder they write into, for every benchmark of this file.
struct TServiceOnBus {
  TTempFolder Folder;
  std::unique_ptr<TPrivateBus> Bus;
  std::unique_ptr<TServiceProcess> Service;
  TServiceOnBus() {
    Bus = std::make_unique<TPrivateBus>(Folder, false);
    if (Bus->Started)
      Service = std::make_unique<TServiceProcess>((Folder.Path / "logs").string());
  }
  bool Ready() const { return Bus->Started && Service && !Service->Failed; }
  ~TServiceOnBus() {
    Service.reset();
    Bus.reset();
  }
};

TServiceOnBus& Shared() {
  static TServiceOnBus shared;
  return shared;
}

const char* const Work = "OBU_LogSystem.Service_Work";
const char* const Path = "/OBU_LogSystem/Service_Work";

sd_bus* Connect(const char* name) {
  sd_bus* bus = nullptr;
  if (sd_bus_open_user(&bus) < 0)
    return nullptr;
  sd_bus_call_method(bus, Work, Path, Work, "RegisterClient", nullptr, nullptr, "is", 1, name);
  return bus;
}

// Sends the calls without asking for replies, then waits for one reply: by then the service has
// taken in every call before it.
void Flood(sd_bus* bus, int calls) {
  for (int i = 0; i < calls; ++i) {
    sd_bus_message* m = nullptr;
    sd_bus_message_new_method_call(bus, &m, Work, Path, Work, "ToLog");
    sd_bus_message_append(m, "iis", 3, 3, "a message of a usual length from a busy program");
    sd_bus_message_set_expect_reply(m, 0);
    sd_bus_send(bus, m, nullptr);
    sd_bus_message_unref(m);
    if (i % 256 == 0)
      sd_bus_flush(bus);
  }
  sd_bus_flush(bus);
}

void Sync(sd_bus* bus, const char* name) {
  sd_bus_call_method(bus, Work, Path, Work, "RegisterClient", nullptr, nullptr, "is", 1, name);
}

void BM_LogServiceFlood(benchmark::State& state) {
  if (!Shared().Ready()) {
    state.SkipWithError("no private bus or service");
    return;
  }
  sd_bus* bus = Connect("flood");
  for (auto _ : state) {
    const auto start = TClock::now();
    Flood(bus, FloodCalls);
    Sync(bus, "flood");
    state.SetIterationTime(std::chrono::duration<double>(TClock::now() - start).count());
  }
  state.SetItemsProcessed(state.iterations() * FloodCalls);
  sd_bus_flush_close_unref(bus);
}
BENCHMARK(BM_LogServiceFlood)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// One call of a quiet client while another floods: the time until its reply.
void BM_LogServiceCallDuringFlood(benchmark::State& state) {
  if (!Shared().Ready()) {
    state.SkipWithError("no private bus or service");
    return;
  }
  sd_bus* flooding = Connect("flood");
  sd_bus* quiet = Connect("quiet");
  for (auto _ : state) {
    std::thread flood([&] {
      Flood(flooding, FloodCalls);
      Sync(flooding, "flood");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const auto start = TClock::now();
    Sync(quiet, "quiet");
    state.SetIterationTime(std::chrono::duration<double>(TClock::now() - start).count());
    flood.join();
  }
  sd_bus_flush_close_unref(quiet);
  sd_bus_flush_close_unref(flooding);
}
BENCHMARK(BM_LogServiceCallDuringFlood)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

// The service's own share: the calls handled and written, without the bus.
void BM_LogServiceHandling(benchmark::State& state) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  service.RegisterClient(":1.1", 1, "flood");
  for (auto _ : state) {
    for (int i = 0; i < FloodCalls; ++i) {
      service.ToLog(":1.1", 3, 3, "a message of a usual length from a busy program");
      if (i % 10000 == 0)
        service.Flush(); // about ten rounds of the flush timer per second
    }
    service.Flush();
    // The rotation keeps the file small; start each round from an empty folder anyway.
    std::filesystem::remove(service.FileOf("flood") + ".old");
  }
  state.SetItemsProcessed(state.iterations() * FloodCalls);
}
BENCHMARK(BM_LogServiceHandling)->Unit(benchmark::kMillisecond);

} // namespace
