// The standard library's reach: values from one project to another through a local MQTT broker,
// 10 000 a second, each counted on both sides.

#include "platform/unExeFolder.h"
#include "plugins/unRunner.h"
#include "support/NetTestSupport.h"

#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <csignal>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The publishing project: a clock's tick published on every tick. The receiving one: a
// subscription counting what comes.
TRunPlan Publisher(int port, int ticks) {
  TRunPlan plan;
  plan.RateHz = 10000;
  plan.Ticks = ticks;
  const std::string bin = ExeFolder();
  plan.Modules.push_back({bin + "Clock.so",
                          "Clock",
                          {"Tick", "Time", "Pulse"},
                          {{"Dt", -1, -1, "1"}, {"Period", -1, -1, "1"}}});
  plan.Modules.push_back({bin + "MqttPublish.so",
                          "Pub",
                          {"Connected", "Published"},
                          {{"Port", -1, -1, std::to_string(port)},
                           {"Topic", -1, -1, "bench/values"},
                           {"Value", 0, 0, ""}}});
  return plan;
}

TRunPlan Subscriber(int port) {
  TRunPlan plan;
  plan.RateHz = 1000;
  plan.ReportMs = 10;
  plan.Modules.push_back(
      {ExeFolder() + "MqttSubscribe.so",
       "Sub",
       {"Value", "Received", "Connected", "Count"},
       {{"Port", -1, -1, std::to_string(port)}, {"Topic", -1, -1, "bench/values"}}});
  return plan;
}

std::string Output(const TRunner& runner, std::size_t module, std::size_t output) {
  const auto& values = runner.GetValues();
  return module < values.size() && output < values[module].size() ? values[module][output] : "";
}

void BM_Mqtt10kPerSecond(benchmark::State& state) {
  if (access("/usr/sbin/mosquitto", X_OK) != 0) {
    state.SkipWithError("no MQTT broker installed");
    return;
  }
  const int ticks = static_cast<int>(state.range(0));
  const int port = FreePort();
  const pid_t broker = fork();
  if (broker == 0) {
    execl("/usr/sbin/mosquitto", "mosquitto", "-p", std::to_string(port).c_str(), nullptr);
    _exit(127);
  }
  if (!Listening(port)) {
    kill(broker, SIGKILL);
    waitpid(broker, nullptr, 0);
    state.SkipWithError("the broker did not start");
    return;
  }
  long long published = 0, received = 0;
  for (auto _ : state) {
    TRunner subscriber;
    subscriber.Start(Subscriber(port), ExeFolder() + "zu-probe");
    while (subscriber.Poll(10) && Output(subscriber, 0, 2) != "true") {
    }
    const long long before = std::atoll(Output(subscriber, 0, 3).c_str());
    TRunner publisher;
    publisher.Start(Publisher(port, ticks), ExeFolder() + "zu-probe");
    // The publisher's connection is made in its first ticks: values before it are not sent.
    while (publisher.Poll(10)) {
    }
    published = std::atoll(Output(publisher, 1, 1).c_str());
    // Everything handed to the broker arrives, or the wait ends after two seconds.
    for (int i = 0; i < 200 && subscriber.Poll(10); ++i)
      if (std::atoll(Output(subscriber, 0, 3).c_str()) - before >= published)
        break;
    received = std::atoll(Output(subscriber, 0, 3).c_str()) - before;
    subscriber.Stop();
  }
  kill(broker, SIGKILL);
  waitpid(broker, nullptr, 0);
  state.counters["published"] = static_cast<double>(published);
  state.counters["received"] = static_cast<double>(received);
  state.counters["lost"] = static_cast<double>(published - received);
}
BENCHMARK(BM_Mqtt10kPerSecond)
    ->Arg(10000)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
