// The standard library's components, each run through the component host as a table of ticks:
// inputs given per tick, the outputs each tick must give. Components of numbers run both ways,
// with value texts and with the numeric step, and must give the same.

#include "PluginTestSupport.h"
#include "plugins/unRunner.h"
#include "support/NetTestSupport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <functional>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <set>
#include <thread>

namespace {

using TRows = std::vector<std::vector<std::string>>;

// An input of the module under test: a constant, or one value per tick ("1;2;3", fed by a
// Sequence, the last value kept).
struct TIn {
  std::string Name;
  std::string Value;
  bool PerTick = false;
};
TIn Ticked(std::string name, std::string values) {
  return {std::move(name), std::move(values), true};
}

// A run at a pace; `during` is told each tick's row and may act on the world.
struct TPacedRun {
  TRows Rows;
  std::vector<std::string> Log;
  std::string Failure;
};
TPacedRun
RunPaced(TRunPlan plan,
         const std::function<void(std::int64_t, const std::vector<std::string>&)>& during) {
  TPacedRun result;
  TRunner runner;
  runner.OnRow = [&](std::int64_t tick, const std::vector<std::string>& row) {
    result.Rows.push_back(row);
    during(tick, row);
  };
  runner.OnLog = [&](const std::string& module, int, const std::string& text) {
    result.Log.push_back(module + ": " + text);
  };
  EXPECT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  result.Failure = runner.GetFailure();
  return result;
}

// Runs the component for `ticks` ticks and gives each tick's values of the outputs (named in the
// component's order; all of them when `numeric`).
TRows RunTicks(const std::string& component, const std::vector<TIn>& inputs,
               const std::vector<std::string>& outputs, int ticks, bool numeric = false,
               std::vector<std::uint8_t> kinds = {}) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = ticks;
  TRunModule module{Samples + component + ".so", component, outputs, {}};
  for (const TIn& in : inputs) {
    if (!in.PerTick) {
      module.Inputs.push_back({in.Name, -1, -1, in.Value});
      continue;
    }
    TRunModule sequence{Samples + "Sequence.so", "Seq" + in.Name, {"Value"}, {}};
    sequence.Inputs.push_back({"Values", -1, -1, in.Value});
    module.Inputs.push_back({in.Name, static_cast<std::int32_t>(plan.Modules.size()), 0, ""});
    plan.Modules.push_back(std::move(sequence));
  }
  module.Numeric = numeric;
  if (numeric)
    module.OutputKinds =
        kinds.empty() ? std::vector<std::uint8_t>(outputs.size(), rkDouble) : kinds;
  const auto at = static_cast<std::int32_t>(plan.Modules.size());
  plan.Modules.push_back(std::move(module));
  for (std::size_t k = 0; k < outputs.size(); ++k)
    plan.Watch.push_back({at, static_cast<std::int32_t>(k)});
  const TPacedRun run = RunPaced(plan, [](std::int64_t, const std::vector<std::string>&) {});
  EXPECT_EQ(run.Failure, "");
  return run.Rows;
}

// The rows of one output.
std::vector<std::string> Column(const TRows& rows, std::size_t k = 0) {
  std::vector<std::string> column;
  for (const auto& row : rows)
    column.push_back(k < row.size() ? row[k] : "?");
  return column;
}

using TColumn = std::vector<std::string>;

// A component of numbers: the table through value texts, then through the numeric step.
struct TNumericCase {
  std::string Component;
  std::vector<TIn> Inputs;
  std::vector<std::string> Outputs;
  std::vector<std::uint8_t> Kinds;
  std::vector<TColumn> Expected; // per output, per tick
};

void ExpectTable(const TNumericCase& c) {
  const int ticks = static_cast<int>(c.Expected[0].size());
  for (const bool numeric : {false, true}) {
    const TRows rows = RunTicks(c.Component, c.Inputs, c.Outputs, ticks, numeric, c.Kinds);
    for (std::size_t k = 0; k < c.Outputs.size(); ++k)
      EXPECT_EQ(Column(rows, k), c.Expected[k])
          << c.Component << "." << c.Outputs[k] << (numeric ? " (numeric step)" : " (texts)");
  }
}

} // namespace

TEST(StandardLibrary, MathGivesTheExactValues) {
  const std::vector<TNumericCase> cases{
      {"Multiply", {Ticked("A", "2;-3;0.5"), {"B", "4"}}, {"Product"}, {}, {{"8", "-12", "2"}}},
      {"Subtract", {Ticked("A", "5;1"), {"B", "2"}}, {"Difference"}, {}, {{"3", "-1"}}},
      {"Divide",
       {{"A", "1"}, Ticked("B", "4;0;-2")},
       {"Quotient", "Valid"},
       {rkDouble, rkBool},
       {{"0.25", "0", "-0.5"}, {"true", "false", "true"}}},
      {"Abs", {Ticked("X", "-2.5;3")}, {"Result"}, {}, {{"2.5", "3"}}},
      {"MinMax", {Ticked("A", "1;5"), {"B", "3"}}, {"Min", "Max"}, {}, {{"1", "3"}, {"3", "5"}}},
      {"Limit",
       {Ticked("X", "-5;0.5;7"), {"Low", "0"}, {"High", "1"}},
       {"Y", "Limited"},
       {rkDouble, rkBool},
       {{"0", "0.5", "1"}, {"true", "false", "true"}}},
      {"Scale", {Ticked("X", "1;2"), {"Gain", "10"}, {"Offset", "-1"}}, {"Y"}, {}, {{"9", "19"}}},
      {"Power",
       {{"Base", "2"}, Ticked("Exponent", "10;0.5")},
       {"Result"},
       {},
       {{"1024", "1.4142135623730951"}}},
      {"SquareRoot",
       {Ticked("X", "9;-1")},
       {"Result", "Valid"},
       {rkDouble, rkBool},
       {{"3", "0"}, {"true", "false"}}},
      {"Round", {Ticked("X", "2.345;-2.5"), {"Decimals", "1"}}, {"Result"}, {}, {{"2.3", "-2.5"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, LogicAndComparison) {
  const std::vector<TNumericCase> cases{
      {"And",
       {Ticked("A", "false;true;true"), Ticked("B", "true;false;true")},
       {"Q"},
       {rkBool},
       {{"false", "false", "true"}}},
      {"Or",
       {Ticked("A", "false;true;false"), Ticked("B", "false;false;true")},
       {"Q"},
       {rkBool},
       {{"false", "true", "true"}}},
      {"Xor",
       {Ticked("A", "true;true"), Ticked("B", "true;false")},
       {"Q"},
       {rkBool},
       {{"false", "true"}}},
      {"Not", {Ticked("A", "true;false")}, {"Q"}, {rkBool}, {{"false", "true"}}},
      {"Compare",
       {Ticked("A", "1;1.05;2"), {"B", "1"}, {"Tolerance", "0.1"}},
       {"Greater", "Equal", "Less"},
       {rkBool, rkBool, rkBool},
       {{"false", "false", "true"}, {"true", "true", "false"}, {"false", "false", "false"}}},
      {"Select",
       {Ticked("Condition", "true;false"), {"A", "1"}, {"B", "2"}},
       {"Y"},
       {},
       {{"1", "2"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, TimingCountsTicks) {
  const std::vector<TNumericCase> cases{
      {"Delay", {Ticked("X", "1;2;3;4"), {"Ticks", "2"}}, {"Y"}, {}, {{"0", "0", "1", "2"}}},
      {"OnDelay",
       {Ticked("In", "true;true;true;false;true"), {"Ticks", "2"}},
       {"Q", "Elapsed"},
       {rkBool, rkInt},
       {{"false", "true", "true", "false", "false"}, {"1", "2", "3", "0", "1"}}},
      {"OffDelay",
       {Ticked("In", "false;true;false;false;false"), {"Ticks", "2"}},
       {"Q", "Elapsed"},
       {rkBool, rkInt},
       {{"false", "true", "true", "true", "false"}, {"0", "0", "1", "2", "3"}}},
      {"Counter",
       {Ticked("Up", "true;true;false;true;false;true"),
        Ticked("Reset", "false;false;false;false;true;false")},
       {"Count"},
       {rkInt},
       {{"1", "1", "1", "2", "0", "1"}}},
      {"RisingEdge",
       {Ticked("In", "false;true;true;false;true")},
       {"Q"},
       {rkBool},
       {{"false", "true", "false", "false", "true"}}},
      {"FallingEdge",
       {Ticked("In", "true;false;false;true;false")},
       {"Q"},
       {rkBool},
       {{"false", "true", "false", "false", "true"}}},
      {"Pulse",
       {Ticked("In", "true;true;true;false;true;false"), {"Ticks", "2"}},
       {"Q"},
       {rkBool},
       {{"true", "true", "false", "false", "true", "true"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, ControlAndSignal) {
  const std::vector<TNumericCase> cases{
      // P only, then the integral held while the output is at its limit (anti-windup).
      {"PID",
       {{"Setpoint", "10"},
        Ticked("Value", "0;5;9"),
        {"Kp", "2"},
        {"Ki", "0"},
        {"Kd", "0"},
        {"Min", "-100"},
        {"Max", "15"},
        {"Dt", "1"}},
       {"Output", "Error", "Saturated"},
       {rkDouble, rkDouble, rkBool},
       {{"15", "10", "2"}, {"10", "5", "1"}, {"true", "false", "false"}}},
      {"PID",
       {{"Setpoint", "1"},
        Ticked("Value", "0;0;0;0;2;2"),
        {"Kp", "0"},
        {"Ki", "1"},
        {"Kd", "0"},
        {"Min", "0"},
        {"Max", "2"},
        {"Dt", "1"}},
       {"Output", "Error", "Saturated"},
       {rkDouble, rkDouble, rkBool},
       {{"1", "2", "2", "2", "1", "0"},
        {"1", "1", "1", "1", "-1", "-1"},
        {"false", "false", "true", "true", "false", "false"}}},
      // Held at its lower limit by the derivative while the error is positive: the integral
      // goes on growing, the output comes off the limit at once.
      {"PID",
       {{"Setpoint", "1"},
        Ticked("Value", "0;0.5;0.5"),
        {"Kp", "0"},
        {"Ki", "1"},
        {"Kd", "10"},
        {"Min", "-1"},
        {"Max", "100"},
        {"Dt", "1"}},
       {"Output", "Error", "Saturated"},
       {rkDouble, rkDouble, rkBool},
       {{"1", "-1", "2"}, {"1", "0.5", "0.5"}, {"false", "true", "false"}}},
      {"Integrator",
       {Ticked("X", "1;2;3;4"),
        {"Dt", "0.5"},
        Ticked("Reset", "false;false;true;false"),
        {"Initial", "10"}},
       {"Y"},
       {},
       {{"10.5", "11.5", "10", "12"}}},
      {"Derivative", {Ticked("X", "1;3;2"), {"Dt", "0.5"}}, {"Y"}, {}, {{"0", "4", "-2"}}},
      {"LowPass",
       {Ticked("X", "0;1;1"), {"TimeConstant", "1"}, {"Dt", "1"}},
       {"Y"},
       {},
       {{"0", "0.5", "0.75"}}},
      {"MovingAverage",
       {Ticked("X", "3;5;7;9"), {"Window", "2"}},
       {"Y"},
       {},
       {{"3", "4", "6", "8"}}},
      {"RateLimiter",
       {Ticked("X", "0;10;10;-1"), {"Rate", "4"}},
       {"Y"},
       {},
       {{"0", "4", "8", "4"}}},
      {"Hysteresis",
       {Ticked("X", "0.5;2;0.5;-1;0.5"), {"Low", "0"}, {"High", "1"}},
       {"Q"},
       {rkBool},
       {{"false", "true", "true", "false", "false"}}},
  };
  for (const TNumericCase& c : cases)
    ExpectTable(c);
}

TEST(StandardLibrary, SourcesAreTheSameEachRun) {
  ExpectTable({"Constant", {{"Value", "2.5"}}, {"Y"}, {}, {{"2.5", "2.5"}}});
  ExpectTable({"Clock",
               {{"Dt", "0.5"}, {"Period", "2"}},
               {"Tick", "Time", "Pulse"},
               {rkInt, rkDouble, rkBool},
               {{"1", "2", "3"}, {"0.5", "1", "1.5"}, {"false", "true", "false"}}});
  const TRows a = RunTicks("Random", {{"Seed", "7"}, {"Low", "-1"}, {"High", "1"}}, {"Value"}, 50);
  const TRows b =
      RunTicks("Random", {{"Seed", "7"}, {"Low", "-1"}, {"High", "1"}}, {"Value"}, 50, true);
  const TRows other =
      RunTicks("Random", {{"Seed", "8"}, {"Low", "-1"}, {"High", "1"}}, {"Value"}, 50);
  EXPECT_EQ(Column(a), Column(b));
  EXPECT_NE(Column(a), Column(other));
  std::set<std::string> distinct;
  for (const std::string& v : Column(a)) {
    EXPECT_GE(std::stod(v), -1);
    EXPECT_LT(std::stod(v), 1);
    distinct.insert(v);
  }
  EXPECT_GT(distinct.size(), 45u);
  EXPECT_EQ(Column(RunTicks("Sequence", {{"Values", "a; b ;c"}, {"Repeat", "true"}},
                            {"Value", "Index", "Done"}, 4)),
            (TColumn{"a", "b", "c", "a"}));
  const TRows held = RunTicks("Sequence", {{"Values", "1;2"}}, {"Value", "Index", "Done"}, 3);
  EXPECT_EQ(Column(held, 0), (TColumn{"1", "2", "2"}));
  EXPECT_EQ(Column(held, 2), (TColumn{"false", "true", "true"}));
}

TEST(StandardLibrary, TextsAndFormulas) {
  EXPECT_EQ(
      Column(RunTicks("FormatNumber", {Ticked("X", "21.5;0.1"), {"Decimals", "2"}, {"Unit", "°C"}},
                      {"Text"}, 2)),
      (TColumn{"21.50 °C", "0.10 °C"}));
  EXPECT_EQ(Column(RunTicks("FormatNumber", {{"X", "0.1"}}, {"Text"}, 1)), (TColumn{"0.1"}));
  const TRows parsed =
      RunTicks("ParseNumber", {Ticked("Text", " 2,5 ;abc;1e3")}, {"Value", "Valid"}, 3);
  EXPECT_EQ(Column(parsed, 0), (TColumn{"2.5", "0", "1000"}));
  EXPECT_EQ(Column(parsed, 1), (TColumn{"true", "false", "true"}));
  EXPECT_EQ(Column(RunTicks("Concat", {{"A", "x"}, {"Separator", " = "}, Ticked("B", "1;2")},
                            {"Text"}, 2)),
            (TColumn{"x = 1", "x = 2"}));
  // A formula over X, Y and Z; one that cannot be read gives nan and Valid false, and the run
  // goes on.
  const TRows formula = RunTicks("Expression",
                                 {Ticked("Formula", "2*X + Y^2;X > Y ? Z : -Z;sin(;min(X,Y,Z)"),
                                  {"X", "3"},
                                  {"Y", "4"},
                                  {"Z", "1.5"}},
                                 {"Result", "Valid"}, 4);
  EXPECT_EQ(Column(formula, 0), (TColumn{"22", "-1.5", "nan", "1.5"}));
  EXPECT_EQ(Column(formula, 1), (TColumn{"true", "true", "false", "true"}));
}

TEST(StandardLibrary, CsvWrittenIsReadBackRowByRow) {
  TTempFolder folder;
  const std::string file = (folder.Path / "out.csv").string();
  const TRows written = RunTicks("CsvWriter",
                                 {{"File", file},
                                  {"Header", "a,b,c,d"},
                                  Ticked("A", "1;2;3"),
                                  {"B", "x,y"},
                                  {"C", "say \"hi\""}},
                                 {"Rows", "Ok"}, 3);
  EXPECT_EQ(Column(written, 0), (TColumn{"1", "2", "3"}));
  EXPECT_EQ(Column(written, 1), (TColumn{"true", "true", "true"}));
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(file)),
            "a,b,c,d\n1,\"x,y\",\"say \"\"hi\"\"\",\n2,\"x,y\",\"say \"\"hi\"\"\",\n"
            "3,\"x,y\",\"say \"\"hi\"\"\",\n");
  const TRows read = RunTicks("CsvReader", {{"File", file}, {"SkipHeader", "true"}},
                              {"A", "B", "C", "D", "Row", "End"}, 4);
  EXPECT_EQ(Column(read, 0), (TColumn{"1", "2", "3", "3"}));
  EXPECT_EQ(Column(read, 1), (TColumn{"x,y", "x,y", "x,y", "x,y"}));
  EXPECT_EQ(Column(read, 2), (TColumn{"say \"hi\"", "say \"hi\"", "say \"hi\"", "say \"hi\""}));
  EXPECT_EQ(Column(read, 4), (TColumn{"1", "2", "3", "3"}));
  EXPECT_EQ(Column(read, 5), (TColumn{"false", "false", "false", "true"}));
  const TRows again =
      RunTicks("CsvReader", {{"File", file}, {"SkipHeader", "true"}, {"Repeat", "true"}}, {"A"}, 5);
  EXPECT_EQ(Column(again), (TColumn{"1", "2", "3", "1", "2"}));
  // A file of no rows ends at once, Repeat or not: there is nothing to repeat.
  const std::string empty = (folder.Path / "empty.csv").string();
  WriteBytes(Utf8ToUtf16(empty), "a,b\n");
  const TRows none =
      RunTicks("CsvReader", {{"File", empty}, {"SkipHeader", "true"}, {"Repeat", "true"}},
               {"Row", "End"}, 2);
  EXPECT_EQ(Column(none, 0), (TColumn{"0", "0"}));
  EXPECT_EQ(Column(none, 1), (TColumn{"true", "true"}));
  // A file that cannot be written is said so in the outputs; the run goes on.
  const TRows refused =
      RunTicks("CsvWriter", {{"File", (folder.Path / "no" / "x.csv").string()}, {"A", "1"}},
               {"Rows", "Ok"}, 2);
  EXPECT_EQ(Column(refused, 1), (TColumn{"false", "false"}));
}

namespace {

// A program started for a test, killed when the test ends; started again on demand.
struct TPeer {
  explicit TPeer(std::vector<std::string> args) : Args(std::move(args)) { Start(); }
  ~TPeer() { Stop(); }
  void Start() {
    Pid = fork();
    if (Pid == 0) {
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      std::vector<char*> argv;
      for (std::string& a : Args)
        argv.push_back(a.data());
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
  }
  void Stop() {
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
    }
    Pid = -1;
  }
  std::vector<std::string> Args;
  pid_t Pid = -1;
};

const char* const Broker = "/usr/sbin/mosquitto";

// The index of the first row at or after `from` whose column k is `value`; -1.
int FirstRow(const TRows& rows, std::size_t k, const std::string& value, std::size_t from = 0) {
  for (std::size_t i = from; i < rows.size(); ++i)
    if (rows[i][k] == value)
      return static_cast<int>(i);
  return -1;
}

bool Logged(const std::vector<std::string>& log, const std::string& part) {
  return std::any_of(log.begin(), log.end(),
                     [&](const std::string& line) { return line.find(part) != std::string::npos; });
}

} // namespace

TEST(StandardLibrary, TcpLinesAndUdpDatagramsReachLocalPeers) {
  // A server of one line: answers each line upper-cased.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  socklen_t length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  listen(listener, 1);
  std::string heard;
  std::thread server([&] {
    const int client = accept(listener, nullptr, nullptr);
    char buf[256];
    const ssize_t n = read(client, buf, sizeof buf);
    heard.assign(buf, n > 0 ? static_cast<std::size_t>(n) : 0);
    std::string answer = heard;
    for (char& c : answer)
      c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    (void)!write(client, answer.data(), answer.size());
    usleep(300000);
    close(client);
  });
  TRunPlan plan;
  plan.RateHz = 50;
  plan.Ticks = 10;
  const std::string port = std::to_string(ntohs(address.sin_port));
  plan.Modules.push_back({Samples + "TcpClient.so",
                          "Tcp",
                          {"Line", "Received", "Connected"},
                          {{"Port", -1, -1, port}, {"Send", -1, -1, "hello"}}});
  const int udp = FreePort(SOCK_DGRAM);
  plan.Modules.push_back({Samples + "UdpReceive.so",
                          "In",
                          {"Text", "Received", "Count"},
                          {{"Port", -1, -1, std::to_string(udp)}}});
  plan.Modules.push_back({Samples + "UdpSend.so",
                          "Out",
                          {"Sent", "Ok"},
                          {{"Port", -1, -1, std::to_string(udp)}, {"Text", -1, -1, "datagram"}}});
  plan.Watch = {{0, 0}, {0, 2}, {1, 0}, {1, 2}, {2, 0}};
  const TPacedRun run = RunPaced(plan, [](std::int64_t, const std::vector<std::string>&) {});
  server.join();
  close(listener);
  EXPECT_EQ(run.Failure, "");
  ASSERT_EQ(run.Rows.size(), 10u);
  EXPECT_EQ(heard, "hello\n"); // sent once: the line did not change
  EXPECT_EQ(run.Rows.back()[0], "HELLO");
  EXPECT_EQ(run.Rows.front()[1], "true");
  // Each tick's datagram is there by the receiver's next step.
  EXPECT_EQ(run.Rows.back()[2], "datagram");
  EXPECT_EQ(run.Rows.back()[3], "9");
  EXPECT_EQ(run.Rows.back()[4], "10");
}

TEST(StandardLibrary, ModbusRegistersAreReadAndWrittenAndADeviceThatComesBackIsReadAgain) {
  const int port = FreePort();
  TPeer device({ZU_MODBUS_SERVER, std::to_string(port)});
  ASSERT_TRUE(Listening(port));
  TRunPlan plan;
  plan.RateHz = 50;
  plan.Ticks = 200;
  const std::vector<TRunInput> at{{"Port", -1, -1, std::to_string(port)}, {"Unit", -1, -1, "1"}};
  TRunModule write{Samples + "ModbusWrite.so", "W", {"Ok", "Written"}, at};
  write.Inputs.push_back({"Address", -1, -1, "5"});
  write.Inputs.push_back({"Value", -1, -1, "1234"});
  TRunModule readBack{Samples + "ModbusRead.so", "R5", {"Value", "Ok"}, at};
  readBack.Inputs.push_back({"Address", -1, -1, "5"});
  TRunModule read{Samples + "ModbusRead.so", "R3", {"Value", "Ok"}, at};
  read.Inputs.push_back({"Address", -1, -1, "3"});
  plan.Modules = {write, readBack, read};
  plan.Watch = {{0, 0}, {1, 0}, {1, 1}, {2, 0}, {0, 1}};
  // The device goes away on tick 20 and comes back (its registers as at its start) on tick 60.
  const TPacedRun run = RunPaced(plan, [&](std::int64_t tick, const std::vector<std::string>&) {
    if (tick == 20)
      device.Stop();
    if (tick == 60) {
      device.Start();
      Listening(port);
    }
  });
  EXPECT_EQ(run.Failure, "");
  ASSERT_EQ(run.Rows.size(), 200u);
  EXPECT_EQ(run.Rows[0], (std::vector<std::string>{"true", "1234", "true", "30", "1"}));
  EXPECT_EQ(run.Rows[1][4], "2");
  const int lost = FirstRow(run.Rows, 2, "false", 19);
  ASSERT_GE(lost, 19);
  EXPECT_LE(lost, 22);
  EXPECT_EQ(run.Rows[static_cast<std::size_t>(lost)][1], "1234"); // the last value is kept
  // Back within the second after it came, with the value written again.
  const int back = FirstRow(run.Rows, 2, "true", static_cast<std::size_t>(lost));
  ASSERT_GT(back, 60);
  EXPECT_LT(back, 60 + 75);
  const std::vector<std::string>& end = run.Rows.back();
  EXPECT_EQ(std::vector<std::string>(end.begin(), end.begin() + 4),
            (std::vector<std::string>{"true", "1234", "true", "30"}));
  // Written on every tick it was there, the ticks after it came back too (its own connection is
  // made again within a second of the reader's); while it was gone (40 ticks) none went.
  EXPECT_GE(std::stoi(end[4]), lost + (200 - back) - 50);
  EXPECT_LE(std::stoi(end[4]), 200 - 35);
  EXPECT_TRUE(Logged(run.Log, "is gone"));
  EXPECT_TRUE(Logged(run.Log, "connected to the Modbus device"));
}

TEST(StandardLibrary, MqttValuesGoThroughARealBrokerThatMayGoAndComeBack) {
  if (access(Broker, X_OK) != 0)
    GTEST_SKIP() << "no MQTT broker installed";
  const int port = FreePort();
  TPeer broker({Broker, "-p", std::to_string(port)});
  ASSERT_TRUE(Listening(port));
  TRunPlan plan;
  plan.RateHz = 50;
  plan.Ticks = 250;
  TRunModule counter{Samples + "Clock.so", "Clock", {"Tick", "Time", "Pulse"}, {}};
  counter.Inputs.push_back({"Dt", -1, -1, "1"});
  counter.Inputs.push_back({"Period", -1, -1, "1"});
  const std::vector<TRunInput> at{{"Port", -1, -1, std::to_string(port)},
                                  {"Topic", -1, -1, "zu/test/value"}};
  TRunModule publish{Samples + "MqttPublish.so", "Pub", {"Connected", "Published"}, at};
  publish.Inputs.push_back({"Value", 0, 0, ""});
  TRunModule subscribe{
      Samples + "MqttSubscribe.so", "Sub", {"Value", "Received", "Connected", "Count"}, at};
  plan.Modules = {counter, publish, subscribe};
  plan.Watch = {{0, 0}, {2, 0}, {2, 2}, {2, 3}, {1, 0}};
  const TPacedRun run = RunPaced(plan, [&](std::int64_t tick, const std::vector<std::string>&) {
    if (tick == 60)
      broker.Stop();
    if (tick == 100) {
      broker.Start();
      Listening(port);
    }
  });
  EXPECT_EQ(run.Failure, "");
  ASSERT_EQ(run.Rows.size(), 250u);
  // Values arrive a tick or a few after they were published.
  const int first = FirstRow(run.Rows, 2, "true");
  ASSERT_GE(first, 0);
  ASSERT_LT(first, 50);
  const int gone = FirstRow(run.Rows, 2, "false", static_cast<std::size_t>(first));
  ASSERT_GE(gone, 59);
  EXPECT_LT(gone, 70);
  const int back = FirstRow(run.Rows, 2, "true", static_cast<std::size_t>(gone));
  ASSERT_GT(back, 100);
  EXPECT_LT(back, 250);
  // After it came back the subscription was made again: the last value is near the last tick.
  const double last = std::stod(run.Rows.back()[1]);
  EXPECT_GT(last, 240);
  EXPECT_LE(last, 250);
  EXPECT_TRUE(Logged(run.Log, "the MQTT broker at"));
  EXPECT_TRUE(Logged(run.Log, "connected to the MQTT broker"));
}

TEST(StandardLibrary, AFormulaThatCannotBeReadIsToldOnceUntilItChanges) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = 4;
  TRunModule sequence{Samples + "Sequence.so", "Seq", {"Value"}, {}};
  sequence.Inputs.push_back({"Values", -1, -1, "sin(;sin(;sin(;X+"});
  TRunModule formula{Samples + "Expression.so", "F", {"Result", "Valid"}, {}};
  formula.Inputs = {{"Formula", 0, 0, ""}, {"X", -1, -1, "1"}};
  plan.Modules = {sequence, formula};
  plan.Watch = {{1, 1}};
  const TPacedRun run = RunPaced(plan, [](std::int64_t, const std::vector<std::string>&) {});
  EXPECT_EQ(run.Failure, "");
  EXPECT_EQ(Column(run.Rows), (TColumn{"false", "false", "false", "false"}));
  std::vector<std::string> told;
  for (const std::string& line : run.Log)
    if (line.find("not read") != std::string::npos)
      told.push_back(line.substr(0, line.find(':', 3)));
  ASSERT_EQ(told.size(), 2u) << ::testing::PrintToString(run.Log);
  EXPECT_NE(run.Log.front().find("sin("), std::string::npos);
}

TEST(StandardLibrary, ANumericComponentOfMoreValuesThanItsStepHoldsIsRefused) {
  TRunPlan plan;
  plan.Ticks = 1;
  plan.RateHz = 0;
  TRunModule module{TestComponents + "test_too_many.so", "Many", {"Sum"}, {}};
  for (int i = 0; i < 17; ++i)
    module.Inputs.push_back({"I" + std::to_string(i), -1, -1, "1"});
  plan.Modules.push_back(module);
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  EXPECT_EQ(runner.GetTick(), 0);
  EXPECT_NE(runner.GetFailure().find("too many parameters"), std::string::npos)
      << runner.GetFailure();
  // As many as it holds run, with texts and with numbers.
  const std::vector<TIn> sixteen(16, TIn{"", "1"});
  std::vector<TIn> named = sixteen;
  for (std::size_t i = 0; i < named.size(); ++i)
    named[i].Name = "I" + std::to_string(i);
  for (const bool numeric : {false, true}) {
    TRunPlan full;
    full.Ticks = 2;
    full.RateHz = 0;
    std::vector<std::string> outputs{"Sum"};
    for (int k = 1; k < 16; ++k)
      outputs.push_back("O" + std::to_string(k));
    TRunModule many{TestComponents + "test_sixteen.so", "Many", outputs, {}};
    for (const TIn& in : named)
      many.Inputs.push_back({in.Name, -1, -1, in.Value});
    many.Numeric = numeric;
    if (numeric)
      many.OutputKinds.assign(16, rkDouble);
    full.Modules.push_back(many);
    full.Watch = {{0, 0}, {0, 15}};
    const TPacedRun run = RunPaced(full, [](std::int64_t, const std::vector<std::string>&) {});
    EXPECT_EQ(run.Failure, "");
    EXPECT_EQ(Column(run.Rows), (TColumn{"16", "16"})) << numeric;
    EXPECT_EQ(Column(run.Rows, 1), (TColumn{"15", "15"})) << numeric;
  }
}
