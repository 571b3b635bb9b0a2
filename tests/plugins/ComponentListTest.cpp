#include "PluginTestSupport.h"
#include "plugins/unComponentList.h"
#include "plugins/unComponentReport.h"
#include "plugins/unHostDescribe.h"
#include "plugins/unPluginStrings.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <link.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

TComponentList& Prepared(TComponentList& registry, TRecordingLog& log) {
  registry.OnLog = log.Handler();
  registry.ProbeProgram = ZU_PROBE;
  registry.ProbeTimeoutMs = 1500;
  return registry;
}

// How many loaded objects of the process come from the file.
int TimesLoaded(const std::string& file) {
  struct TCount {
    std::string File;
    int N = 0;
  } count{std::filesystem::canonical(file).string()};
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void* data) {
        auto* c = static_cast<TCount*>(data);
        std::error_code ec;
        if (info->dlpi_name && *info->dlpi_name &&
            std::filesystem::canonical(info->dlpi_name, ec).string() == c->File)
          ++c->N;
        return 0;
      },
      &count);
  return count.N;
}

std::vector<std::u16string> ParamNames(const TParamList& list) {
  std::vector<std::u16string> names;
  for (std::int32_t i = 0; i < list.Count(); ++i)
    names.push_back(list.Get(i)->Name);
  return names;
}

// The files described by hosts of the program, parallel at once.
std::vector<TComponentAnswer> Describe(const std::vector<std::string>& files,
                                       const std::string& helper, int timeoutMs,
                                       unsigned parallel) {
  TDescribeOptions options;
  options.Helper = helper;
  options.TimeoutMs = timeoutMs;
  options.Parallel = parallel;
  return DescribeApart(files, options);
}

} // namespace

TEST(ComponentList, EveryTestComponentEndsAsItShould) {
  const struct {
    const char* File;
    const char* Cause; // null: registered
    const char16_t* Name;
    std::vector<std::u16string> In, Out;
  } rows[] = {
      {"no_info", "нет процедуры ZU_Plugin_Info", u"", {}, {}},
      {"info_crash", "процесс проверки завершён сигналом 11", u"", {}, {}},
      {"info_hang", "процесс проверки не ответил за 1500 мс и остановлен", u"", {}, {}},
      {"info_throws", "исключение в ZU_Plugin_Info", u"", {}, {}},
      {"not_a_library.so", "библиотека не загружается: ", u"", {}, {}},
      {"keeps_text", nullptr, u"KeepsText", {u"a", u"b"}, {u"a", u"b"}},
      {"no_load", nullptr, u"NoLoad", {u"a", u"b"}, {u"sum"}},
      {"bad_xml", nullptr, u"BadXml", {}, {}},
      {"three_children", nullptr, u"ThreeChildren", {u"one"}, {u"one"}},
      {"run2_crash", "процесс проверки завершён сигналом 11", u"", {}, {}},
      {"big_params", "текст описания параметров больше 1 МБ", u"", {}, {}},
      {"says_why", "процесс проверки завершён сигналом 6", u"", {}, {}},
      // Behaves in the host and throws in any other program: the editor never loads it.
      {"two_faced", nullptr, u"TwoFaced", {u"a", u"b"}, {u"sum"}},
      {"noisy", nullptr, u"Noisy", {u"a", u"b"}, {u"sum"}},
  };
  for (const auto& row : rows) {
    TRecordingLog log;
    TComponentList registry;
    const std::string file = TestComponent(row.File);
    EXPECT_EQ(Prepared(registry, log).AddComponent(file), row.Cause == nullptr) << row.File;
    ASSERT_FALSE(log.Entries.empty());
    EXPECT_EQ(log.Entries[0].Text,
              "Добавление компонента \"" + file + "\" <TComponentList.AddComponent>");
    if (row.Cause) {
      EXPECT_EQ(registry.Count(), 0) << row.File;
      ASSERT_EQ(log.Errors().size(), 1u) << row.File;
      const std::string prefix = "Компонент \"" + file + "\" пропущен: " + row.Cause;
      EXPECT_TRUE(log.Errors()[0].starts_with(prefix)) << log.Errors()[0];
      EXPECT_TRUE(log.Errors()[0].ends_with(" <TComponentList.AddComponent>"));
      ASSERT_EQ(registry.GetSkipped().size(), 1u);
      EXPECT_EQ(registry.GetSkipped()[0].File, file);
      continue;
    }
    ASSERT_EQ(registry.Count(), 1) << row.File;
    EXPECT_TRUE(log.Errors().empty()) << row.File;
    const TComponent& c = *registry.GetComponent(0);
    EXPECT_EQ(c.GetFileName(), Utf8ToUtf16(file));
    EXPECT_EQ(c.Info.Name, row.Name);
    EXPECT_EQ(c.Info.HomePage, u"https://kven.org/zu-programming/tests/");
    EXPECT_EQ(c.Version.Major * 1000 + c.Version.Minor * 100 + c.Version.Release * 10 +
                  c.Version.Build,
              1234);
    EXPECT_EQ(ParamNames(*c.GetParamInList()), row.In) << row.File;
    EXPECT_EQ(ParamNames(*c.GetParamOutList()), row.Out) << row.File;
    EXPECT_TRUE(c.HasRun);
    // A component without ZU_Plugin_Load is registered all the same, with what it filled.
    const bool loads = std::string(row.File) != "no_load" && std::string(row.File) != "two_faced";
    EXPECT_EQ(c.HasLoad, loads) << row.File;
    EXPECT_EQ(c.HasUnLoad, loads) << row.File;
    // None of them has the execution interface: descriptions only.
    EXPECT_FALSE(c.Executes) << row.File;
  }
}

TEST(ComponentList, TheProbesOutputBecomesPartOfTheCauseCapped) {
  {
    const std::vector<TComponentAnswer> results =
        Describe({TestComponent("says_why"), TestComponent("noisy")}, ZU_PROBE, 3000, 2);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_FALSE(results[0].Ok);
    EXPECT_TRUE(results[0].Cause.ends_with("; вывод: says_why: device /dev/zu-test9 is missing "))
        << results[0].Cause;
    EXPECT_TRUE(results[1].Ok) << results[1].Cause; // 10 MB of output never blocks it
  }
  // A failing probe that floods: the first 4 KB of what it wrote, as one line.
  TTempFolder folder;
  const std::string script = (folder.Path / "flood.sh").string();
  WriteBytes(Utf8ToUtf16(script), "#!/bin/sh\nhead -c 3000000 /dev/zero | tr '\\0' 'z'\n"
                                  "printf 'line\\r\\nbreak' >&2\nexit 3\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const TComponentAnswer flood = Describe({"any.so"}, script, 5000, 1).front();
  EXPECT_EQ(flood.Cause,
            "процесс проверки завершился без ответа (код 3); вывод: " + std::string(4096, 'z'));
}

TEST(ComponentList, ProbesLeaveNoDescriptorOpen) {
  auto open = [] {
    return std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                         std::filesystem::directory_iterator());
  };
  const auto before = open();
  Describe({TestComponent("info_hang"), TestComponent("info_crash"), Samples + "Adder.so"},
           ZU_PROBE, 300, 3);
  EXPECT_EQ(open(), before);
}

TEST(ComponentList, AParameterTextOfOneMegabyteIsTheLargestTaken) {
  for (const auto& [units, tooLong] :
       {std::pair{524288u, false}, std::pair{524289u, true}, std::pair{0u, false}}) {
    BSTR text = SysAllocStringLen(nullptr, units);
    EXPECT_EQ(ParamTextTooLong(text), tooLong) << units;
    SysFreeString(text);
  }
  EXPECT_FALSE(ParamTextTooLong(nullptr));
}

TEST(ComponentList, AProbeThatFloodsItsOutputStillMeetsItsDeadline) {
  const std::vector<TComponentAnswer> results = Describe({"x.so"}, "/usr/bin/yes", 500, 1);
  // yes repeats its arguments: the descriptor and the file.
  EXPECT_TRUE(results[0].Cause.starts_with("процесс проверки не ответил за 500 мс и остановлен; "
                                           "вывод: "))
      << results[0].Cause.substr(0, 200);
  EXPECT_NE(results[0].Cause.find(" x.so "), std::string::npos);
  EXPECT_EQ(results[0].Cause.size(),
            std::string("процесс проверки не ответил за 500 мс и остановлен; вывод: ").size() +
                4096);
}

TEST(ComponentList, AProbeThatCannotStartSaysWhy) {
  // No descriptor left for the probe's pipes.
  EXPECT_EQ(WithoutSpareDescriptors([] {
              const auto start = std::chrono::steady_clock::now();
              const TComponentAnswer result = Describe({"x.so"}, ZU_PROBE, 1000, 1).front();
              // With nothing started there is nothing to wait for (not the minute a wait may
              // take).
              return std::chrono::steady_clock::now() - start < std::chrono::seconds(10) &&
                     !result.Ok &&
                     result.Cause.starts_with("не удалось запустить процесс проверки: ");
            }),
            0);
}

TEST(ComponentList, WhatAProbeStartsEndsWithIt) {
  // In the host's group, and in a session of its own.
  for (const bool ownSession : {false, true}) {
    TTempFolder folder;
    const std::string pidFile = (folder.Path / "pid").string();
    setenv("ZU_TEST_PID_FILE", pidFile.c_str(), 1);
    if (ownSession)
      setenv("ZU_TEST_SETSID", "1", 1);
    const TComponentAnswer result = Describe({TestComponent("forks")}, ZU_PROBE, 3000, 1).front();
    unsetenv("ZU_TEST_PID_FILE");
    unsetenv("ZU_TEST_SETSID");
    EXPECT_TRUE(result.Ok) << result.Cause;
    const std::vector<pid_t> left = PidsIn(pidFile);
    ASSERT_EQ(left.size(), 1u) << "the component's process never started";
    EXPECT_TRUE(GoneSoon(left[0])) << "own session: " << ownSession;
  }
}

TEST(ComponentList, AComponentThatIgnoresChildrenSpoilsNoLaterScan) {
  TRecordingLog log;
  TComponentList registry;
  Prepared(registry, log);
  ASSERT_TRUE(registry.AddComponent(TestComponent("ignores_children")));
  struct sigaction now {};
  sigaction(SIGCHLD, nullptr, &now);
  EXPECT_NE(now.sa_handler, SIG_IGN);
  EXPECT_EQ(alarm(0), 0u); // its alarm would have ended the program
  EXPECT_TRUE(registry.AddComponent(Samples + "Adder.so")) << registry.GetSkipped().at(0).Cause;
  // Waiting copes even while children are reaped by the system.
  signal(SIGCHLD, SIG_IGN);
  const std::vector<TComponentAnswer> results =
      Describe({Samples + "Adder.so", TestComponent("info_crash")}, ZU_PROBE, 3000, 2);
  // The system took the status: how it ended is not known, so no exit code is made up.
  const TComponentAnswer silent = Describe({"x.so"}, "/bin/false", 3000, 1).front();
  signal(SIGCHLD, SIG_DFL);
  EXPECT_EQ(silent.Cause, "процесс проверки завершился без ответа (код -1)");
  EXPECT_EQ(Describe({"x.so"}, "/bin/false", 3000, 1).front().Cause,
            "процесс проверки завершился без ответа (код 1)");
  EXPECT_TRUE(results[0].Ok) << results[0].Cause;
  EXPECT_FALSE(results[1].Ok);
}

TEST(ComponentList, WithoutTheHostProgramNothingIsDescribedAndItIsSaid) {
  TRecordingLog log;
  TComponentList registry;
  Prepared(registry, log).ProbeProgram = "/nonexistent/zu-probe";
  EXPECT_FALSE(registry.AddComponent(TestComponent("keeps_text")));
  EXPECT_EQ(registry.Count(), 0);
  ASSERT_EQ(registry.GetSkipped().size(), 1u);
  EXPECT_EQ(registry.GetSkipped()[0].Cause,
            "программа компонентов «/nonexistent/zu-probe» не найдена");
  const std::vector<TComponentAnswer> none = Describe({"a.so", "b.so"}, "", 3000, 2);
  ASSERT_EQ(none.size(), 2u);
  EXPECT_TRUE(none[1].HostFault);
  EXPECT_EQ(none[1].Cause, "программа компонентов «» не найдена");
}

TEST(ComponentList, AHostOfAnotherVersionDescribesNothing) {
  TTempFolder folder;
  const std::string script = (folder.Path / "old.sh").string();
  // It greets with version 99 on the descriptor it was given, then would answer.
  WriteBytes(Utf8ToUtf16(script),
             "#!/bin/sh\nprintf '\\005\\000\\000\\000H\\143\\000\\000\\000' >&$1\nsleep 1\n");
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  const std::vector<TComponentAnswer> results =
      Describe({Samples + "Adder.so", Samples + "Comparator.so", "c.so"}, script, 3000, 1);
  ASSERT_EQ(results.size(), 3u);
  for (const TComponentAnswer& r : results) {
    EXPECT_FALSE(r.Ok);
    EXPECT_TRUE(r.HostFault); // nothing said of the file: not kept in the cache
    EXPECT_EQ(r.Cause, "другая версия протокола компонентов (99, нужна 5)");
  }
}

TEST(ComponentList, AThrowingPluginNeverReachesTheHostsCaller) {
  // As a host describes it, here in the test's own process.
  TComponentAnswer answer;
  EXPECT_NO_THROW(answer = DescribeHere(TestComponent("info_throws"), false));
  EXPECT_FALSE(answer.Ok);
  EXPECT_EQ(answer.Cause, "исключение в ZU_Plugin_Info");
  EXPECT_EQ(answer.Info.Name, u"Throws"); // what it filled before it threw
  EXPECT_FALSE(answer.HasRun);            // the sequence stopped there
}

TEST(ComponentList, RefreshRegistersAFolderInNameOrderOnceEach) {
  TTempFolder folder;
  namespace fs = std::filesystem;
  for (const char* name : {"SerialPort.so", "Adder.so"})
    fs::copy_file(Samples + name, folder.Path / name);
  // Created in the reverse of their names' order, so that the folder's own order is not it.
  for (const char* name : {"Z9.so", "Y8.so", "X7.so", "W6.so", "V5.so", "B1.so"})
    fs::copy_file(Samples + "Comparator.so", folder.Path / name);
  fs::copy_file(TestComponent("info_crash"), folder.Path / "Crash.so");
  fs::copy_file(TestComponent("not_a_library.so"), folder.Path / "Text.so");
  fs::create_directory(folder.Path / "Folder.so");
  WriteBytes(folder.File("Adder.dll"), "not scanned");
  TRecordingLog log;
  TComponentList registry;
  Prepared(registry, log).Path = folder.Path.string() + "/";
  for (int pass = 0; pass < 2; ++pass) {
    log.Entries.clear();
    registry.Refresh();
    ASSERT_EQ(registry.Count(), 8);
    std::vector<std::string> files;
    for (std::int32_t i = 0; i < registry.Count(); ++i)
      files.push_back(fs::path(Utf16ToUtf8(registry.GetComponent(i)->GetFileName())).filename());
    EXPECT_EQ(files, (std::vector<std::string>{"Adder.so", "B1.so", "SerialPort.so", "V5.so",
                                               "W6.so", "X7.so", "Y8.so", "Z9.so"}));
    EXPECT_EQ(registry.GetComponent(0)->Info.Name, u"Adder");
    EXPECT_EQ(registry.GetComponent(2)->Info.Name, u"SerialPort");
    EXPECT_EQ(registry.GetSkipped().size(), 2u);
    EXPECT_EQ(log.Errors().size(), 2u);
    EXPECT_EQ(log.Entries.front().Text, "Обновление списка компонент Path=\"" + registry.Path +
                                            "\" <TComponentList.Refresh>");
    EXPECT_EQ(log.Entries.back().Text,
              "Обновление списка компонент закончено <TComponentList.Refresh>");
    // The hosts loaded them; this process never does.
    EXPECT_EQ(TimesLoaded((folder.Path / "Adder.so").string()), 0);
    EXPECT_EQ(TimesLoaded((folder.Path / "SerialPort.so").string()), 0);
  }
  EXPECT_EQ(registry.GetComponent(-1), nullptr);
  EXPECT_EQ(registry.GetComponent(8), nullptr);
  EXPECT_EQ(registry.GetItem(8), nullptr);
  registry.Clear();
  EXPECT_EQ(TimesLoaded((folder.Path / "Adder.so").string()), 0);
}

TEST(ComponentList, AFolderWithoutLibrariesLogsOnlyTheOpening) {
  TTempFolder folder;
  TRecordingLog log;
  TComponentList registry;
  Prepared(registry, log).Path = folder.Path.string() + "/";
  registry.Refresh();
  EXPECT_EQ(registry.Count(), 0);
  ASSERT_EQ(log.Entries.size(), 1u);
  EXPECT_TRUE(log.Entries[0].Text.starts_with("Обновление списка компонент Path="));
}

TEST(ComponentList, ModulesKeepEmptiedListsAfterTheirComponentIsGone) {
  TRecordingLog log;
  TComponentList registry;
  ASSERT_TRUE(Prepared(registry, log).AddComponent(Samples + "Adder.so"));
  std::shared_ptr<IParamList> in = registry.GetComponent(0)->GetParamIn();
  EXPECT_EQ(in->Count(), 2);
  registry.Clear();
  EXPECT_EQ(in->Count(), 0);
}

TEST(ComponentReport, ASampleLineByLine) {
  TRecordingLog log;
  TComponentList registry;
  ASSERT_TRUE(Prepared(registry, log).AddComponent(Samples + "Adder.so"));
  const std::vector<std::u16string> expected = {
      u"============================================",
      u"Name:        Adder",
      u"Title:       Сумматор",
      u"Description: Adds two values",
      u"Author:      ZU Programming",
      u"Copyright:   (c) 2026 ZU Programming",
      u"HomePage:    https://kven.org/zu-programming/components/",
      u"Version:     1.1.0.2",
      u"--------------------------------------------",
      u"  --- ParamIn[0] ---",
      u"Index:       0",
      u"Name:        A",
      u"Title:       Слагаемое A",
      u"Description: First term (0 when unset)",
      u"  --- ParamIn[1] ---",
      u"Index:       1",
      u"Name:        B",
      u"Title:       Слагаемое B",
      u"Description: Second term (0 when unset)",
      u"--------------------------------------------",
      u"  --- ParamOut[0] ---",
      u"Index:       0",
      u"Name:        Sum",
      u"Title:       Сумма",
      u"Description: A + B",
      u"============================================"};
  EXPECT_EQ(ComponentReport(*registry.GetComponent(0)), expected);
}

TEST(ComponentReport, AComponentThatDidNotConnect) {
  std::unique_ptr<TComponent, TComponentDisposer> c(new TComponent);
  EXPECT_FALSE(c->Take(u"/no/such.so", FailedAnswer("библиотека не загружается: ?")));
  EXPECT_EQ(c->GetFileName(), u"/no/such.so");
  const std::vector<std::u16string> expected = {u"============================================",
                                                u"Name:        ",
                                                u"Title:       ",
                                                u"Description: ",
                                                u"Author:      ",
                                                u"Copyright:   ",
                                                u"HomePage:    ",
                                                u"Version:     0.0.0.0",
                                                u"--------------------------------------------",
                                                u"--------------------------------------------",
                                                u"============================================"};
  EXPECT_EQ(ComponentReport(*c), expected);
}

TEST(ComponentList, TheWrappersMessagesComeFromTheHostInTheirOrderWhenAskedFor) {
  for (const bool relay : {false, true}) {
    TRecordingLog log;
    TComponentList registry;
    Prepared(registry, log).LogWrapper = relay;
    ASSERT_TRUE(registry.AddComponent(TestComponent("no_load")));
    std::vector<std::string> texts;
    for (const auto& e : log.Entries)
      texts.push_back(e.Text);
    const std::string file = TestComponent("no_load");
    std::vector<std::string> expected{"Добавление компонента \"" + file +
                                      "\" <TComponentList.AddComponent>"};
    if (relay)
      expected.insert(expected.end(),
                      {"Инициализация библиотеки \"" + file + "\" <TKvenLibrary.Initialize>",
                       "Инициализировано <TKvenLibrary.Initialize>",
                       "Адрес процедуры \"ZU_Plugin_Info\" из модуля \"" + file + "\" получен",
                       "Адрес процедуры \"ZU_Plugin_Run\" из модуля \"" + file + "\" получен",
                       "Адрес процедуры \"ZU_Plugin_Load\" не получен. Модуль \"" + file + "\"",
                       texts.size() > 1 ? texts[texts.size() - 2] : "", "Финализировано"});
    if (relay) {
      ASSERT_EQ(texts.size(), expected.size());
      EXPECT_TRUE(texts[texts.size() - 2].starts_with("Финализация библиотеки Handle="));
      EXPECT_NE(texts[texts.size() - 2], "Финализация библиотеки Handle=0");
      EXPECT_EQ(log.Entries[5].Type, ltError);
      EXPECT_EQ(log.Entries[2].Type, ltInformation);
    }
    EXPECT_EQ(texts, expected);
  }
}

TEST(ComponentList, AHostsAnswerWithAParameterTextAboveOneMegabyteIsRefused) {
  // The host checks the plug-in's text; the registry checks the host's answer again.
  for (const auto& [units, taken] :
       {std::pair{std::size_t{524288}, true}, std::pair{std::size_t{524289}, false}}) {
    TComponentAnswer answer;
    answer.Ok = true;
    answer.HasRun = true;
    answer.ParamIn = u"<P>" + std::u16string(units - 7, u' ') + u"</P>";
    ASSERT_EQ(answer.ParamIn.size(), units);
    std::unique_ptr<TComponent, TComponentDisposer> c(new TComponent);
    std::string cause;
    EXPECT_EQ(c->Take(u"/x/Big.so", answer, &cause), taken) << units;
    EXPECT_EQ(cause, taken ? "" : "текст описания параметров больше 1 МБ");
  }
}

TEST(ComponentList, AFileWhoseHostAnEarlierFileTookDownIsAskedAgain) {
  // The first leaves a thread that crashes its host once the second's description has begun (the
  // second makes a file the thread waits for): whatever the machine's speed, the first has been
  // answered then.
  TTempFolder folder;
  setenv("ZU_TEST_BOMB_FILE", (folder.Path / "second-begun").c_str(), 1);
  std::filesystem::copy_file(TestComponent("not_in_editor"), folder.Path / "A.so");
  std::filesystem::copy_file(TestComponent("slow_info"), folder.Path / "B.so");
  TRecordingLog log;
  TComponentList registry;
  Prepared(registry, log).Path = folder.Path.string() + "/";
  registry.ProbeParallel = 1;
  registry.Refresh();
  unsetenv("ZU_TEST_BOMB_FILE");
  ASSERT_EQ(registry.Count(), 2) << (registry.GetSkipped().empty()
                                         ? ""
                                         : registry.GetSkipped()[0].File + ": " +
                                               registry.GetSkipped()[0].Cause);
  EXPECT_EQ(registry.GetComponent(1)->Info.Name, u"SlowInfo");
  // A file that crashes a host of its own is still skipped at once.
  EXPECT_FALSE(registry.AddComponent(TestComponent("info_crash")));
}

TEST(ComponentList, AHostWhoseAskerIsGoneStopsDescribing) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]); // nobody reads the answers
  const auto saved = signal(SIGPIPE, SIG_IGN);
  EXPECT_FALSE(DescribeInto(fds[1], {Samples + "Adder.so", Samples + "Comparator.so"}, false));
  signal(SIGPIPE, saved);
  close(fds[1]);
  int good[2];
  ASSERT_EQ(pipe(good), 0);
  EXPECT_TRUE(DescribeInto(good[1], {Samples + "Adder.so"}, false));
  close(good[0]);
  close(good[1]);
}
