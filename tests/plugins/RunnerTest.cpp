#include "PluginTestSupport.h"
#include "model/unProject.h"
#include "platform/unLanguage.h"
#include "plugins/unComponentList.h"
#include "plugins/unCondition.h"
#include "plugins/unHostProtocol.h"
#include "plugins/unProjectRun.h"
#include "plugins/unRunner.h"

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// One module of a hand-written project file.
struct TModuleSpec {
  std::string Name, Type;
  std::vector<std::pair<std::string, std::string>> Inputs; // typed values
};
struct TLinkSpec {
  int From;
  std::string Output;
  int To;
  std::string Input;
};

std::string ProjectXml(const std::vector<TModuleSpec>& modules,
                       const std::vector<TLinkSpec>& links) {
  std::string x = "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n"
                  "<Kven_ZU_Programming_Project><Name>Run</Name><ModuleMain><Name>Main</Name>"
                  "<Modules><Count>" +
                  std::to_string(modules.size()) + "</Count>";
  for (std::size_t i = 0; i < modules.size(); ++i) {
    const TModuleSpec& m = modules[i];
    x += "<Module" + std::to_string(i) + "><Name>" + m.Name + "</Name><Type>" + m.Type + "</Type>";
    if (!m.Inputs.empty()) {
      x += "<Inputs><Count>" + std::to_string(m.Inputs.size()) + "</Count>";
      for (std::size_t k = 0; k < m.Inputs.size(); ++k)
        x += "<Input" + std::to_string(k) + "><Name>" + m.Inputs[k].first + "</Name><Value>" +
             m.Inputs[k].second + "</Value></Input" + std::to_string(k) + ">";
      x += "</Inputs>";
    }
    x += "</Module" + std::to_string(i) + ">";
  }
  x += "</Modules><Links><Count>" + std::to_string(links.size()) + "</Count>";
  for (std::size_t k = 0; k < links.size(); ++k)
    x += "<Link" + std::to_string(k) + "><From>" + std::to_string(links[k].From) +
         "</From><Output>" + links[k].Output + "</Output><To>" + std::to_string(links[k].To) +
         "</To><Input>" + links[k].Input + "</Input></Link" + std::to_string(k) + ">";
  return x + "</Links></ModuleMain></Kven_ZU_Programming_Project>\n";
}

// A registry of the given library files, and the project of a hand-written file.
struct TRunFixture {
  explicit TRunFixture(const std::vector<std::string>& libraries) {
    registry.ProbeProgram = ZU_PROBE;
    for (const std::string& file : libraries)
      EXPECT_TRUE(registry.AddComponent(file)) << file;
  }
  TProjectRun Plan(const std::vector<TModuleSpec>& modules, const std::vector<TLinkSpec>& links) {
    const std::u16string file = folder.File("p.xml");
    WriteBytes(file, ProjectXml(modules, links));
    project = std::make_unique<TProject>(&registry, TAddToLog(), u"", u"");
    EXPECT_TRUE(project->Load(file));
    return PlanProjectRun(*project, registry);
  }
  TTempFolder folder;
  TComponentList registry;
  std::unique_ptr<TProject> project;
};

// A plan of one misbehaving module fed with X = 1, ticking as fast as it can.
TRunPlan Misbehaving(const std::string& library = TestComponent("misbehaves")) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = 10;
  plan.Modules = {{library, "Sub/M", {"Y"}, {{"X", -1, -1, "1"}}}};
  return plan;
}

std::string RunToFailure(const TRunPlan& plan, const char* misbehave, int stepLimitMs = 2000) {
  if (misbehave)
    setenv("ZU_TEST_MISBEHAVE", misbehave, 1);
  TRunner runner;
  runner.StepLimitMs = stepLimitMs;
  std::string error;
  EXPECT_TRUE(runner.Start(plan, ZU_PROBE, &error)) << error;
  runner.Wait();
  unsetenv("ZU_TEST_MISBEHAVE");
  EXPECT_FALSE(runner.Running());
  return runner.GetFailure();
}

// The loaded objects of this process that come from a component folder.
std::vector<std::string> ComponentsMapped() {
  std::vector<std::string> found;
  const std::string maps = ReadBytes(u"/proc/self/maps");
  for (std::size_t at = 0; at < maps.size();) {
    const std::size_t end = maps.find('\n', at);
    const std::string line = maps.substr(at, end - at);
    if (line.find(ZU_TEST_COMPONENTS) != std::string::npos ||
        (line.find(ZU_SAMPLES) != std::string::npos && line.ends_with(".so")))
      found.push_back(line);
    at = end == std::string::npos ? maps.size() : end + 1;
  }
  return found;
}

// Polls the run until it ends, the span from the start point has passed, or the run has done the
// ticks.
void PollUntil(TRunner& runner, std::chrono::steady_clock::time_point from,
               std::chrono::milliseconds span, std::int64_t ticks = INT64_MAX) {
  while (runner.Poll(20) && runner.GetTick() < ticks &&
         std::chrono::steady_clock::now() - from < span) {
  }
}

} // namespace

TEST(Runner, AChainOfSamplesFillsTheDatabaseWithTheValuesItShould) {
  TRunFixture f({Samples + "SignalGenerator.so", Samples + "Adder.so", Samples + "Comparator.so",
                 Samples + "DatabaseWriter.so"});
  const std::string db = (f.folder.Path / "rows.db").string();
  TProjectRun run = f.Plan(
      {{"Gen",
        Samples + "SignalGenerator.so",
        {{"Period", "8"}, {"Waveform", "3"}, {"Amplitude", "2"}}},
       {"Add", Samples + "Adder.so", {{"B", "0.5"}, {"A", "100"}}}, // A is linked: 100 is not used
       {"Cmp", Samples + "Comparator.so", {{"Threshold", "1.5"}, {"Hysteresis", "0.5"}}},
       {"Db", Samples + "DatabaseWriter.so", {{"Connection", db}, {"Table", "Log \"1\""}}}},
      {{2, "Above", 3, "Value"}, {1, "Sum", 2, "Value"}, {0, "Signal", 1, "A"}});
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_TRUE(run.Notes.empty());
  ASSERT_EQ(run.Plan.Modules.size(), 4u);
  // Each after those that feed it.
  EXPECT_EQ(run.Plan.Modules[0].Label, "Gen");
  EXPECT_EQ(run.Plan.Modules[3].Label, "Db");
  run.Plan.RateHz = 0;
  run.Plan.Ticks = 100;
  run.Plan.Watch = {{1, 0}, {2, 0}};
  TRunner runner;
  std::vector<std::pair<double, std::string>> rows;
  runner.OnRow = [&](std::int64_t tick, const std::vector<std::string>& row) {
    EXPECT_EQ(tick, static_cast<std::int64_t>(rows.size()) + 1);
    rows.emplace_back(std::stod(row[0]), row[1]);
  };
  ASSERT_TRUE(runner.Start(run.Plan, ZU_PROBE));
  runner.Wait();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  EXPECT_EQ(runner.GetTick(), 100);
  // The values computed here: a ramp of 8 ticks up to 2, plus 0.5, through the hysteresis.
  std::vector<std::string> expected;
  bool above = false;
  ASSERT_EQ(rows.size(), 100u);
  for (int n = 0; n < 100; ++n) {
    const double sum = 2.0 * (n % 8) / 8 + 0.5;
    above = sum > 1.5 ? true : sum < 1.0 ? false : above;
    EXPECT_DOUBLE_EQ(rows[static_cast<std::size_t>(n)].first, sum) << n;
    expected.push_back(above ? "true" : "false");
  }
  EXPECT_EQ(runner.GetValues()[3][0], "100"); // RowsWritten, the last report
  sqlite3* handle = nullptr;
  ASSERT_EQ(sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  sqlite3_stmt* query = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(handle, "SELECT Time, Value FROM \"Log \"\"1\"\"\" ORDER BY rowid",
                               -1, &query, nullptr),
            SQLITE_OK);
  std::vector<std::string> stored;
  std::string lastTime;
  while (sqlite3_step(query) == SQLITE_ROW) {
    const std::string time = reinterpret_cast<const char*>(sqlite3_column_text(query, 0));
    EXPECT_EQ(time.size(), 24u) << time; // 2026-12-09T10:11:12.345Z
    EXPECT_GE(time, lastTime);
    lastTime = time;
    stored.push_back(reinterpret_cast<const char*>(sqlite3_column_text(query, 1)));
  }
  sqlite3_finalize(query);
  sqlite3_close(handle);
  EXPECT_EQ(stored, expected);
  // Nothing of it was loaded here.
  EXPECT_TRUE(ComponentsMapped().empty()) << ComponentsMapped().front();
}

TEST(Runner, TheDatabaseWriterKeepsLongNamesAndValuesWholeAndRefusesDevices) {
  TTempFolder folder;
  const std::string db = (folder.Path / "long.db").string();
  const std::string stem(300, 't');
  const std::string value(10000, 'v');
  auto writer = [&](const std::string& connection, const std::string& table) {
    TRunModule m{
        Samples + "DatabaseWriter.so",
        "Db",
        {"RowsWritten", "LastError"},
        {{"Connection", -1, -1, connection}, {"Table", -1, -1, table}, {"Value", -1, -1, value}}};
    return m;
  };
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = 1;
  plan.Modules = {writer(db, stem + "a"), writer(db, stem + "b")};
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  ASSERT_FALSE(runner.Failed()) << runner.GetFailure();
  sqlite3* handle = nullptr;
  ASSERT_EQ(sqlite3_open_v2(db.c_str(), &handle, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  for (const char last : {'a', 'b'}) {
    sqlite3_stmt* query = nullptr;
    const std::string sql = "SELECT Value FROM \"" + stem + last + "\"";
    ASSERT_EQ(sqlite3_prepare_v2(handle, sql.c_str(), -1, &query, nullptr), SQLITE_OK) << last;
    ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
    EXPECT_EQ(reinterpret_cast<const char*>(sqlite3_column_text(query, 0)), value);
    EXPECT_EQ(sqlite3_step(query), SQLITE_DONE) << "one row in each table";
    sqlite3_finalize(query);
  }
  sqlite3_close(handle);
  // A device is no database: refused, and nothing is left beside it.
  for (const char* device : {"/dev/null", "/dev/full"}) {
    TRunPlan refused;
    refused.RateHz = 0;
    refused.Ticks = 1;
    refused.Modules = {writer(device, "T")};
    TRunner other;
    ASSERT_TRUE(other.Start(refused, ZU_PROBE));
    other.Wait();
    EXPECT_EQ(other.GetFailure(), "Модуль «Db» не запущен: экземпляр не создан: " +
                                      std::string(device) + " is not a database file");
    EXPECT_FALSE(std::filesystem::exists(std::string(device) + "-journal"));
  }
}

TEST(Runner, AModuleThatFailsEndsTheRunWithItsNameAndTick) {
  const struct {
    const char* Misbehave;
    std::string Expected;
    int LimitMs;
  } rows[] = {
      {"crash 5", "Модуль «Sub/M», такт 5: процесс компонентов завершён сигналом 11 (", 2000},
      {"abort 2", "Модуль «Sub/M», такт 2: процесс компонентов завершён сигналом 6 (", 2000},
      {"hang 3",
       "Модуль «Sub/M», такт 3: шаг не закончился за 300 мс; процесс компонентов остановлен", 300},
      {"fail 4", "Модуль «Sub/M», такт 4: ошибка шага: sensor lost at step 4", 2000},
  };
  for (const auto& row : rows) {
    const std::string failure = RunToFailure(Misbehaving(), row.Misbehave, row.LimitMs);
    EXPECT_TRUE(failure.starts_with(row.Expected)) << row.Misbehave << ": " << failure;
  }
  EXPECT_EQ(RunToFailure(Misbehaving(TestComponent("step_throws")), nullptr),
            "Модуль «Sub/M», такт 2: исключение в ZU_Plugin_Run");
  // A library without the execution interface, or none at all, fails before the first tick.
  EXPECT_EQ(RunToFailure(Misbehaving(TestComponent("keeps_text")), nullptr),
            "Модуль «Sub/M» не запущен: у компонента нет процедур выполнения");
  EXPECT_TRUE(RunToFailure(Misbehaving("/no/such.so"), nullptr)
                  .starts_with("Модуль «Sub/M» не запущен: библиотека не загружается: "));
}

TEST(Runner, ARunsFailureIsInTheUsersLanguageOnBothSides) {
  // The editor's texts and the host's, which takes the language from the environment it gets.
  const TLanguage was = TextLanguage();
  SetTextLanguage(TLanguage::English);
  setenv("LC_ALL", "en_US.UTF-8", 1);
  EXPECT_EQ(RunToFailure(Misbehaving(), "fail 4"),
            "Module “Sub/M”, tick 4: the step failed: sensor lost at step 4");
  EXPECT_EQ(
      RunToFailure(Misbehaving("/no/such.so"), nullptr)
          .substr(0, std::string("Module “Sub/M” did not start: the library does not load").size()),
      "Module “Sub/M” did not start: the library does not load");
  TRunner runner;
  std::string error;
  EXPECT_FALSE(runner.Start(Misbehaving(), "/no/zu-probe", &error));
  EXPECT_EQ(error, "the component host “/no/zu-probe” is not there");
  setenv("LC_ALL", "C.UTF-8", 1);
  SetTextLanguage(was);
}

TEST(Runner, AnInstanceThatCannotBeMadeStopsTheRunBeforeItsFirstTick) {
  TRunPlan plan = Misbehaving();
  plan.Modules.push_back({Samples + "Recorder.so",
                          "R",
                          {"Last", "Values", "Count"},
                          {{"Value", 0, 0, ""}, {"Size", -1, -1, "0"}}});
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  EXPECT_EQ(runner.GetFailure(),
            "Модуль «R» не запущен: экземпляр не создан: Size must be 1 to 1000");
  EXPECT_FALSE(runner.IsReady());
  EXPECT_EQ(runner.GetTick(), 0);
}

TEST(Runner, StopEndsAnEndlessRunCleanlyWithTheLatestValues) {
  TRunPlan plan = Misbehaving();
  plan.Ticks = 0;
  plan.RateHz = 200;
  plan.ReportMs = 0;
  plan.Modules.push_back({Samples + "Recorder.so",
                          "R",
                          {"Last", "Values", "Count"},
                          {{"Value", 0, 0, ""}, {"Size", -1, -1, "3"}}});
  TRunner runner;
  int reports = 0;
  runner.OnValues = [&] { ++reports; };
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  while (runner.Poll(50) && runner.GetTick() < 5) {
  }
  ASSERT_TRUE(runner.Running());
  EXPECT_TRUE(runner.IsReady());
  const auto start = std::chrono::steady_clock::now();
  runner.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  EXPECT_FALSE(runner.Running());
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  EXPECT_GE(runner.GetTick(), 5);
  EXPECT_GE(reports, 2);
  const auto& values = runner.GetValues();
  EXPECT_EQ(values[0][0], "2");
  EXPECT_EQ(values[1][0], "2");
  EXPECT_EQ(values[1][1], "2; 2; 2");
  EXPECT_EQ(values[1][2], std::to_string(runner.GetTick()));
}

TEST(Runner, ASerialPortTalksToTheOtherEndOfAPseudoTerminal) {
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string slave = ptsname(master);
  TRunPlan plan;
  plan.RateHz = 100;
  plan.ReportMs = 0;
  plan.Modules = {
      {Samples + "SerialPort.so",
       "Port",
       {"RxData", "Connected", "Error"},
       {{"Port", -1, -1, slave}, {"BaudRate", -1, -1, "115200"}, {"TxData", -1, -1, "ping"}}}};
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  // What the module sent, once, as a line.
  std::string heard;
  for (int i = 0; i < 200 && heard.find('\n') == std::string::npos; ++i) {
    runner.Poll(10);
    char buf[256];
    fcntl(master, F_SETFL, O_NONBLOCK);
    const ssize_t n = read(master, buf, sizeof buf);
    if (n > 0)
      heard.append(buf, static_cast<std::size_t>(n));
  }
  EXPECT_EQ(heard, "ping\n");
  ASSERT_EQ(write(master, "hello\r\npart", 11), 11);
  for (int i = 0; i < 200 && runner.GetValues()[0][0] != "hello"; ++i)
    runner.Poll(10);
  EXPECT_EQ(runner.GetValues()[0][0], "hello");
  EXPECT_EQ(runner.GetValues()[0][1], "true");
  runner.Stop();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  char buf[64];
  EXPECT_LE(read(master, buf, sizeof buf), 0); // "ping" went once, not at every tick
  close(master);
  // A port that is not there is the module's failure, named.
  plan.Modules[0].Inputs[0].Constant = "/dev/zu-no-such-port";
  EXPECT_EQ(RunToFailure(plan, nullptr),
            "Модуль «Port» не запущен: экземпляр не создан: cannot open /dev/zu-no-such-port: No "
            "such file or directory");
}

TEST(Runner, ASerialLineThatGoesAwayIsSaidToBeGoneAndComesBack) {
  TTempFolder folder;
  const std::string line = (folder.Path / "line").string();
  // A pseudo-terminal under a name of the test's own, so that another can take the name later.
  auto openLine = [&] {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    std::filesystem::remove(line);
    std::filesystem::create_symlink(ptsname(master), line);
    return master;
  };
  int master = openLine();
  TRunPlan plan;
  plan.RateHz = 100;
  plan.ReportMs = 0;
  plan.Modules = {{Samples + "SerialPort.so",
                   "Port",
                   {"RxData", "Connected", "Error"},
                   {{"Port", -1, -1, line}, {"BaudRate", -1, -1, "115200"}}}};
  TRunner runner;
  std::vector<std::pair<int, std::string>> said;
  runner.OnLog = [&](const std::string& module, int type, const std::string& text) {
    EXPECT_EQ(module, "Port");
    said.emplace_back(type, text);
  };
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  auto waitFor = [&](const std::string& connected) {
    for (int i = 0; i < 400 && runner.GetValues()[0][1] != connected; ++i)
      runner.Poll(10);
    return runner.GetValues()[0][1] == connected;
  };
  ASSERT_TRUE(waitFor("true"));
  EXPECT_TRUE(said.empty());
  // The other end closes: the line is gone, said once.
  close(master);
  ASSERT_TRUE(waitFor("false"));
  EXPECT_TRUE(runner.GetValues()[0][2].starts_with("line of " + line + " closed"))
      << runner.GetValues()[0][2];
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0].first, 2);
  // A line under the name again: it is taken, said, and heard.
  master = openLine();
  ASSERT_TRUE(waitFor("true"));
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[1], (std::pair<int, std::string>{3, "line of " + line + " open again"}));
  EXPECT_EQ(runner.GetValues()[0][2], "");
  ASSERT_EQ(write(master, "back\n", 5), 5);
  for (int i = 0; i < 200 && runner.GetValues()[0][0] != "back"; ++i)
    runner.Poll(10);
  EXPECT_EQ(runner.GetValues()[0][0], "back");
  runner.Stop();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  close(master);
}

TEST(Runner, APlanLeavesOutWhatCannotRunAndRefusesACycle) {
  TRunFixture f({Samples + "Adder.so", TestComponent("keeps_text")});
  TProjectRun run = f.Plan({{"A1", Samples + "Adder.so", {{"A", "1"}, {"B", "2"}}},
                            {"Text", TestComponent("keeps_text"), {}},
                            {"Gone", "/no/such.so", {}},
                            {"Box", "", {}},
                            {"A2", Samples + "Adder.so", {{"A", "5"}, {"Unknown", "7"}}}},
                           {{1, "sum", 4, "A"}, {0, "Sum", 4, "B"}});
  ASSERT_TRUE(run.Ok) << run.Error;
  EXPECT_EQ(run.Notes,
            (std::vector<std::string>{
                "Модуль «Text» не выполняется: компонент «KeepsText» только описывает модули",
                "Модуль «Gone» не выполняется: нет компонента «/no/such.so»",
                "Вход «A» модуля «A2» берёт своё значение: связь к нему не ведёт от выполняемого "
                "модуля"}));
  ASSERT_EQ(run.Plan.Modules.size(), 2u);
  EXPECT_EQ(run.Plan.Modules[1].Inputs,
            (std::vector<TRunInput>{{"A", -1, -1, "5"}, {"B", 0, 0, ""}}));
  EXPECT_EQ(run.IndexOf(run.Modules[1].get()), 1);
  EXPECT_EQ(run.IndexOf(nullptr), -1);
  TRunner runner;
  run.Plan.Ticks = 3;
  run.Plan.RateHz = 0;
  ASSERT_TRUE(runner.Start(run.Plan, ZU_PROBE));
  runner.Wait();
  EXPECT_EQ(runner.GetValues()[1][0], "8"); // 5 + (1 + 2)

  // A cycle written by hand: B → C → D → B, fed by A; E hangs below it.
  TProjectRun cycle = f.Plan({{"A", Samples + "Adder.so", {}},
                              {"B", Samples + "Adder.so", {}},
                              {"C", Samples + "Adder.so", {}},
                              {"D", Samples + "Adder.so", {}},
                              {"E", Samples + "Adder.so", {}}},
                             {{0, "Sum", 1, "A"},
                              {1, "Sum", 2, "A"},
                              {2, "Sum", 3, "A"},
                              {3, "Sum", 1, "B"},
                              {3, "Sum", 4, "A"}});
  EXPECT_FALSE(cycle.Ok);
  EXPECT_TRUE(cycle.Error == "Связи образуют цикл через модуль «B»: проект не запускается" ||
              cycle.Error == "Связи образуют цикл через модуль «C»: проект не запускается" ||
              cycle.Error == "Связи образуют цикл через модуль «D»: проект не запускается")
      << cycle.Error;
}

TEST(Runner, AComponentThatHarmsOtherProgramsCannotHarmTheCaller) {
  setenv("ZU_TEST_BOMB_MS", "300", 1);
  TRecordingLog log;
  TComponentList registry;
  registry.OnLog = log.Handler();
  registry.ProbeProgram = ZU_PROBE;
  registry.Path = TestComponents;
  registry.Refresh();
  unsetenv("ZU_TEST_BOMB_MS");
  // It crashes anywhere but in the host and leaves a crashing thread behind: here, nothing.
  bool found = false;
  for (std::int32_t i = 0; i < registry.Count(); ++i)
    found = found || registry.GetComponent(i)->Info.Name == u"NotInEditor";
  EXPECT_TRUE(found);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_TRUE(ComponentsMapped().empty()) << ComponentsMapped().front();
}

TEST(Runner, ANewPaceIsTakenWhileTheRunGoesOn) {
  TRunPlan plan = Misbehaving();
  plan.Ticks = 0;
  plan.RateHz = 2;
  plan.ReportMs = 0;
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  const auto start = std::chrono::steady_clock::now();
  PollUntil(runner, start, std::chrono::milliseconds(300));
  // Two a second: the first tick at once, the second not before half a second.
  EXPECT_EQ(runner.GetTick(), 1);
  runner.SetRate(0);
  PollUntil(runner, start, std::chrono::seconds(5), 200);
  EXPECT_GE(runner.GetTick(), 200);
  runner.SetRate(1);
  // What the host did before it read the new pace reaches here meanwhile.
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::milliseconds(150));
  const std::int64_t before = runner.GetTick();
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::milliseconds(500));
  EXPECT_EQ(runner.GetTick(), before); // the next one a second after the last
  runner.Stop();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
}

TEST(Runner, TalkingToAHostThatIsGoneHarmsNobody) {
  // SIGPIPE as a program has it by default: a write to the gone host must not raise it.
  const auto saved = signal(SIGPIPE, SIG_DFL);
  setenv("ZU_TEST_MISBEHAVE", "crash 1", 1);
  TRunPlan plan = Misbehaving();
  plan.RateHz = 0;
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  std::this_thread::sleep_for(std::chrono::milliseconds(300)); // it crashed meanwhile, unheard
  unsetenv("ZU_TEST_MISBEHAVE");
  runner.SetRate(5);
  runner.Stop();
  EXPECT_FALSE(runner.Running());
  EXPECT_TRUE(runner.GetFailure().starts_with("Модуль «Sub/M», такт 1: процесс компонентов "
                                              "завершён сигналом 11"))
      << runner.GetFailure();
  signal(SIGPIPE, saved);
}

TEST(Runner, ANewPaceCountsItsFirstPeriodFromTheTickJustDone) {
  TRunPlan plan = Misbehaving();
  plan.Ticks = 0;
  plan.RateHz = 1;
  plan.ReportMs = 0;
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::seconds(5), 1);
  // Half a second from the change to the next tick: none in the next 300 ms.
  runner.SetRate(2);
  const auto changed = std::chrono::steady_clock::now();
  PollUntil(runner, changed, std::chrono::milliseconds(300));
  EXPECT_EQ(runner.GetTick(), 1);
  PollUntil(runner, changed, std::chrono::seconds(3), 2);
  EXPECT_EQ(runner.GetTick(), 2);
  runner.Stop();
}

namespace {

// A ramp of period 4 (0, 0.25, 0.5, 0.75, 0, ...) watched tick by tick.
TRunPlan Ramp(double rateHz) {
  TRunPlan plan;
  plan.RateHz = rateHz;
  plan.Ticks = 0;
  plan.ReportMs = 0;
  plan.Modules.push_back({Samples + "SignalGenerator.so",
                          "Gen",
                          {"Signal"},
                          {{"Period", -1, -1, "4"}, {"Waveform", -1, -1, "3"}}});
  plan.Watch.push_back({0, 0});
  return plan;
}

// Polls until the runner says it paused, at most two seconds.
void PollUntilPaused(TRunner& runner) {
  const auto from = std::chrono::steady_clock::now();
  while (runner.Poll(20) && !runner.Paused() &&
         std::chrono::steady_clock::now() - from < std::chrono::seconds(2)) {
  }
}

} // namespace

TEST(Runner, ABreakPausesAtTheTickItFirstHoldsAndStepsGoOneTickAtATime) {
  TRunPlan plan = Ramp(0);
  // Holds at ticks 4, 8, ...; the second term never does.
  plan.Breaks.push_back({{{0, 0, "", static_cast<int>(TCompareOp::GreaterEqual), 0.75, false},
                          {-1, -1, "x", static_cast<int>(TCompareOp::Equal), 1, false}}});
  TRunner runner;
  std::vector<std::pair<std::int64_t, std::int32_t>> pauses;
  std::vector<std::int64_t> rows;
  runner.OnPaused = [&](std::int64_t tick, std::int32_t cause) { pauses.push_back({tick, cause}); };
  runner.OnRow = [&](std::int64_t tick, const std::vector<std::string>&) { rows.push_back(tick); };
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  PollUntilPaused(runner);
  ASSERT_TRUE(runner.Paused());
  EXPECT_EQ(pauses, (std::vector<std::pair<std::int64_t, std::int32_t>>{{4, 0}}));
  EXPECT_EQ(runner.GetTick(), 4);
  EXPECT_EQ(runner.GetValues()[0][0], "0.75");
  // Paused, nothing goes on.
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::milliseconds(100));
  EXPECT_EQ(rows.size(), 4u);
  // A step is one tick, and the values are those after it.
  ASSERT_TRUE(runner.StepOnce());
  PollUntilPaused(runner);
  EXPECT_EQ(runner.GetTick(), 5);
  EXPECT_EQ(runner.GetValues()[0][0], "0");
  ASSERT_TRUE(runner.StepOnce());
  PollUntilPaused(runner);
  EXPECT_EQ(runner.GetTick(), 6);
  EXPECT_EQ(rows, (std::vector<std::int64_t>{1, 2, 3, 4, 5, 6}));
  // On again: the condition holds again first at tick 8.
  runner.Resume();
  EXPECT_FALSE(runner.Paused());
  EXPECT_FALSE(runner.StepOnce());
  PollUntilPaused(runner);
  EXPECT_EQ(pauses,
            (std::vector<std::pair<std::int64_t, std::int32_t>>{{4, 0}, {5, -1}, {6, -1}, {8, 0}}));
  runner.Stop();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  EXPECT_EQ(runner.GetTick(), 8);
}

TEST(Runner, APauseAskedForHoldsTheRunUntilItResumes) {
  TRunner runner;
  std::vector<std::int64_t> paused;
  runner.OnPaused = [&](std::int64_t tick, std::int32_t cause) {
    EXPECT_EQ(cause, -1);
    paused.push_back(tick);
  };
  ASSERT_TRUE(runner.Start(Ramp(200), ZU_PROBE));
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::seconds(2), 3);
  runner.Pause();
  PollUntilPaused(runner);
  ASSERT_EQ(paused.size(), 1u);
  const std::int64_t at = paused[0];
  EXPECT_GE(at, 3);
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::milliseconds(150));
  EXPECT_EQ(runner.GetTick(), at);
  runner.Resume();
  PollUntil(runner, std::chrono::steady_clock::now(), std::chrono::seconds(2), at + 5);
  EXPECT_GE(runner.GetTick(), at + 5);
  runner.Stop();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  // The time paused is not in the rate: 200 per second, not fewer.
  const TStatsMessage& stats = runner.GetStats();
  EXPECT_EQ(stats.Ticks, runner.GetTick());
  EXPECT_GT(static_cast<double>(stats.Ticks) / (static_cast<double>(stats.ElapsedNs) / 1e9), 120);
}

TEST(Runner, TheSignalGeneratorGivesEachWaveformTickByTick) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = 10;
  for (const char* waveform : {"0", "1", "2", "3"})
    plan.Modules.push_back(
        {Samples + "SignalGenerator.so",
         std::string("Gen") + waveform,
         {"Signal"},
         {{"Period", -1, -1, "8"}, {"Amplitude", -1, -1, "2"}, {"Waveform", -1, -1, waveform}}});
  // A fifth, switched off.
  plan.Modules.push_back({Samples + "SignalGenerator.so",
                          "Off",
                          {"Signal"},
                          {{"Amplitude", -1, -1, "2"}, {"Enable", -1, -1, "false"}}});
  for (std::int32_t m = 0; m < 5; ++m)
    plan.Watch.push_back({m, 0});
  std::vector<std::vector<double>> rows;
  TRunner runner;
  runner.OnRow = [&](std::int64_t, const std::vector<std::string>& row) {
    std::vector<double> values;
    for (const std::string& v : row)
      values.push_back(std::stod(v));
    rows.push_back(values);
  };
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  ASSERT_FALSE(runner.Failed()) << runner.GetFailure();
  ASSERT_EQ(rows.size(), 10u);
  for (int n = 0; n < 10; ++n) {
    const double phase = (n % 8) / 8.0;
    const double expected[] = {2 * std::sin(2 * M_PI * phase), phase < 0.5 ? 2.0 : -2.0,
                               2 * (phase < 0.5 ? 4 * phase - 1 : 3 - 4 * phase), 2 * phase, 0};
    for (int w = 0; w < 5; ++w)
      EXPECT_NEAR(rows[static_cast<std::size_t>(n)][static_cast<std::size_t>(w)], expected[w],
                  1e-12)
          << "tick " << n + 1 << " waveform " << w;
  }
}

namespace {

// This editor's hello, as a host says it (printf's escapes).
const std::string Hello = "\\005\\000\\000\\000H\\" +
                          std::to_string(HostProtocolVersion / 8 * 10 + HostProtocolVersion % 8) +
                          "\\000\\000\\000";

// A host program that writes the bytes (printf's escapes) to its descriptor and ends; it greets
// first unless told not to.
std::string FakeHost(const TTempFolder& folder, const std::string& bytes, bool greet = true,
                     const char* sleep = "0.2") {
  const std::string script = (folder.Path / "host.sh").string();
  WriteBytes(Utf8ToUtf16(script), "#!/bin/sh\n# --run FD SHMFD\nprintf '" +
                                      (greet ? Hello : std::string()) + bytes + "' >&$2\nsleep " +
                                      sleep + "\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  return script;
}

std::string FailureOfHost(const std::string& host) {
  TRunner runner;
  EXPECT_TRUE(runner.Start(Misbehaving(), host));
  runner.Wait();
  return runner.GetFailure();
}

} // namespace

TEST(Runner, WhatAHostSaysIsCheckedBeforeItIsBelieved) {
  TTempFolder folder;
  // An error naming module 1 of a plan of one, at tick 3, with the text "x".
  EXPECT_EQ(
      FailureOfHost(FakeHost(folder, "\\022\\000\\000\\000E\\001\\000\\000\\000\\003\\000\\000"
                                     "\\000\\000\\000\\000\\000\\001\\000\\000\\000x")),
      "Модуль «?», такт 3: x");
  // Module -1: the run's own failure.
  EXPECT_EQ(
      FailureOfHost(FakeHost(folder, "\\022\\000\\000\\000E\\377\\377\\377\\377\\000\\000\\000"
                                     "\\000\\000\\000\\000\\000\\001\\000\\000\\000y")),
      "y");
  // A kind nobody knows, and a frame above the limit.
  EXPECT_EQ(FailureOfHost(FakeHost(folder, "\\001\\000\\000\\000Z")),
            "непонятный ответ процесса компонентов");
  EXPECT_EQ(FailureOfHost(FakeHost(folder, "\\377\\377\\377\\377")),
            "непонятный ответ процесса компонентов");
  // Values of outputs or modules that are not there cannot be: the run ends, nothing taken.
  // (A value of module M's output O: M and O as the fourth and fifth words.)
  for (const char* where :
       {"\\000\\000\\000\\000\\005\\000\\000\\000", "\\000\\000\\000\\000\\001\\000\\000\\000",
        "\\001\\000\\000\\000\\000\\000\\000\\000"}) {
    TRunner runner;
    ASSERT_TRUE(runner.Start(Misbehaving(),
                             FakeHost(folder, "\\032\\000\\000\\000V\\001\\000\\000\\000\\000"
                                              "\\000\\000\\000\\001\\000\\000\\000" +
                                                  std::string(where) + "\\001\\000\\000\\000z")));
    runner.Wait();
    EXPECT_EQ(runner.GetFailure(), "непонятный ответ процесса компонентов") << where;
    EXPECT_EQ(runner.GetValues()[0][0], "") << where;
  }
  // An end the run cannot have come to: beyond the plan's ticks, or before them unasked.
  for (const std::int64_t ticks : {424242, 3}) {
    const std::string frames = (folder.Path / "end").string();
    WriteBytes(Utf8ToUtf16(frames), Encode(THelloMessage{}).Frame() +
                                        Encode(TReadyMessage{1}).Frame() +
                                        Encode(TEndMessage{ticks}).Frame());
    const std::string script = (folder.Path / "end.sh").string();
    WriteBytes(Utf8ToUtf16(script), "#!/bin/sh\ncat '" + frames + "' >&$2\nsleep 0.2\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    TRunner forged;
    ASSERT_TRUE(forged.Start(Misbehaving(), script));
    forged.Wait();
    EXPECT_EQ(forged.GetFailure(), "непонятный ответ процесса компонентов") << ticks;
    EXPECT_EQ(forged.GetTick(), 0) << ticks;
  }
  // Silence, then the end: the host ended without a word.
  EXPECT_EQ(FailureOfHost(FakeHost(folder, "", false)), "процесс компонентов завершился с кодом 0");
}

TEST(Runner, AHostOfAnotherVersionIsRefused) {
  TTempFolder folder;
  // Version 99 greets: the run fails with both versions named, nothing of the host believed.
  EXPECT_EQ(FailureOfHost(FakeHost(folder,
                                   "\\005\\000\\000\\000H\\143\\000\\000\\000"
                                   "\\022\\000\\000\\000E\\377\\377\\377\\377\\000"
                                   "\\000\\000\\000\\000\\000\\000\\000\\001\\000"
                                   "\\000\\000y",
                                   false)),
            "другая версия протокола компонентов (99, нужна " +
                std::to_string(HostProtocolVersion) + ")");
  // A host that starts with anything but its hello is not one of ours.
  EXPECT_EQ(FailureOfHost(FakeHost(folder,
                                   "\\022\\000\\000\\000E\\377\\377\\377\\377\\000"
                                   "\\000\\000\\000\\000\\000\\000\\000\\001\\000"
                                   "\\000\\000y",
                                   false)),
            "другая сторона не представилась: это не процесс компонентов этой версии");
}

TEST(Runner, AFailureOfAnyLengthIsKeptAsAMessageOfBoundedLength) {
  TTempFolder folder;
  const std::string frames = (folder.Path / "frames").string();
  WriteBytes(Utf8ToUtf16(frames),
             Encode(THelloMessage{}).Frame() +
                 Encode(TErrorMessage{0, 3, "bad: " + std::string(1000000, 'x')}).Frame());
  const std::string script = (folder.Path / "host.sh").string();
  WriteBytes(Utf8ToUtf16(script), "#!/bin/sh\ncat '" + frames + "' >&$2\nsleep 0.2\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const std::string failure = FailureOfHost(script);
  EXPECT_TRUE(failure.starts_with("Модуль «Sub/M», такт 3: bad: xxx")) << failure.substr(0, 80);
  EXPECT_LE(failure.size(), TRunner::MaxFailureBytes + 64);
  EXPECT_TRUE(failure.ends_with("x\u2026"));
}

TEST(Runner, AHostRefusedForItsVersionIsEndedAtOnce) {
  TTempFolder folder;
  TRunner runner;
  ASSERT_TRUE(runner.Start(
      Misbehaving(), FakeHost(folder, "\\005\\000\\000\\000H\\143\\000\\000\\000", false, "5")));
  const auto start = std::chrono::steady_clock::now();
  runner.Wait();
  // Not left to end by itself, nor given the time a host that said its end has.
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(700));
  EXPECT_EQ(runner.GetFailure(), "другая версия протокола компонентов (99, нужна " +
                                     std::to_string(HostProtocolVersion) + ")");
}

TEST(Runner, AHostWithoutItsPlanEnds) {
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
  const pid_t child = fork();
  if (child == 0) {
    close(fds[0]);
    execl(ZU_PROBE, ZU_PROBE, "--run", std::to_string(fds[1]).c_str(), "-1", nullptr);
    _exit(127);
  }
  close(fds[1]);
  close(fds[0]); // the editor is gone before it said anything
  int status = 0;
  for (int i = 0; i < 300 && waitpid(child, &status, WNOHANG) == 0; ++i)
    usleep(10000);
  if (waitpid(child, &status, WNOHANG) == 0) {
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
    FAIL() << "the host went on without a plan";
  }
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2);
}

TEST(Runner, ARunThatCannotStartSaysWhy) {
  // No descriptor left for the host's channel.
  EXPECT_EQ(WithoutSpareDescriptors([] {
              TRunner runner;
              std::string error;
              const bool started = runner.Start(Misbehaving(), ZU_PROBE, &error);
              return !started && !error.empty() && !runner.Running();
            }),
            0);
}

TEST(Runner, APlanLargerThanTheChannelHoldsGoesAsTheHostReadsIt) {
  TRunPlan plan = Misbehaving();
  plan.Ticks = 1;
  // An input the component does not have, carried along: 8 MB more of plan.
  plan.Modules[0].Inputs.push_back({"Pad", -1, -1, std::string(8u << 20, 'p')});
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  runner.Wait();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  EXPECT_EQ(runner.GetTick(), 1);
  EXPECT_EQ(runner.GetValues()[0][0], "2");
}

TEST(Runner, APlanLargerThanAFrameIsRefusedWithItsSize) {
  TRunPlan plan = Misbehaving();
  plan.Modules[0].Inputs[0].Constant = std::string(65u << 20, '1');
  TRunner runner;
  std::string error;
  EXPECT_FALSE(runner.Start(plan, ZU_PROBE, &error));
  EXPECT_EQ(error, "план выполнения занимает 65 МиБ, больше предела в 64 МиБ");
  EXPECT_FALSE(runner.Running());
}

TEST(Runner, AModuleOfNumbersWithEveryInputGivenIsPlannedForTheNumericStep) {
  TRunFixture f({Samples + "Adder.so", Samples + "Comparator.so", Samples + "Recorder.so"});
  const TProjectRun run =
      f.Plan({{"Add", Samples + "Adder.so", {{"A", "1"}, {"B", "2"}}},
              {"Half", Samples + "Adder.so", {{"A", "1"}}},
              {"Cmp", Samples + "Comparator.so", {{"Threshold", "1"}, {"Hysteresis", "0"}}},
              {"Rec", Samples + "Recorder.so", {{"Size", "2"}}}},
             {{0, "Sum", 2, "Value"}, {2, "Above", 3, "Value"}});
  ASSERT_EQ(run.Error, "");
  ASSERT_EQ(run.Plan.Modules.size(), 4u);
  std::map<std::string, const TRunModule*> by;
  for (const TRunModule& m : run.Plan.Modules)
    by[m.Label] = &m;
  // Every parameter a number or a truth value, every input given: numeric, with its kinds.
  EXPECT_TRUE(by["Add"]->Numeric);
  EXPECT_EQ(by["Add"]->OutputKinds, (std::vector<std::uint8_t>{rkDouble}));
  EXPECT_TRUE(by["Cmp"]->Numeric);
  EXPECT_EQ(by["Cmp"]->OutputKinds, (std::vector<std::uint8_t>{rkBool, rkBool}));
  // An input left unset, or a parameter of any value: value texts.
  EXPECT_FALSE(by["Half"]->Numeric);
  EXPECT_TRUE(by["Half"]->OutputKinds.empty());
  EXPECT_FALSE(by["Rec"]->Numeric);
}
