// Components that attack the run or the program that asks about them: each attack ends in a
// message, in bounded time, with nothing left running.

#include "PluginTestSupport.h"
#include "plugins/unComponentList.h"
#include "plugins/unRunner.h"
#include "plugins/unScanJournal.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

TRunPlan OneMisbehaving(std::int64_t ticks = 10) {
  TRunPlan plan;
  plan.RateHz = 0;
  plan.Ticks = ticks;
  plan.Modules = {{TestComponent("misbehaves"), "Sub/M", {"Y"}, {{"X", -1, -1, "1"}}}};
  return plan;
}

struct TOutcome {
  std::string Failure;
  std::int64_t Ticks = 0;
  // The whole run, and the longest single Poll.
  TClock::duration Took{}, LongestPoll{};
  std::vector<pid_t> Started; // what the module started
};

// Runs the plan with the module misbehaving as asked, polling as the window does.
TOutcome RunMisbehaving(const char* misbehave, const TRunPlan& plan = OneMisbehaving()) {
  TTempFolder folder;
  const std::string pids = (folder.Path / "pids").string();
  setenv("ZU_TEST_MISBEHAVE", misbehave, 1);
  setenv("ZU_TEST_PID_FILE", pids.c_str(), 1);
  TOutcome outcome;
  TRunner runner;
  std::string error;
  EXPECT_TRUE(runner.Start(plan, ZU_PROBE, &error)) << error;
  const auto start = TClock::now();
  for (bool going = true; going && TClock::now() - start < std::chrono::seconds(20);) {
    const auto before = TClock::now();
    going = runner.Poll(0);
    outcome.LongestPoll = std::max(outcome.LongestPoll, TClock::now() - before);
    usleep(5000);
  }
  outcome.Took = TClock::now() - start;
  EXPECT_FALSE(runner.Running());
  unsetenv("ZU_TEST_MISBEHAVE");
  unsetenv("ZU_TEST_PID_FILE");
  outcome.Failure = runner.GetFailure();
  outcome.Ticks = runner.GetTick();
  outcome.Started = PidsIn(pids);
  return outcome;
}

} // namespace

TEST(HostileHost, AHostThatLeavesItsChannelAndBlocksIsStoppedWithoutWaitingOnIt) {
  for (const char* how : {"closeblock 3", "dup2block 3"}) {
    const TOutcome run = RunMisbehaving(how);
    EXPECT_TRUE(run.Failure.starts_with(
        "Модуль «Sub/M», такт 3: процесс компонентов закрыл канал и не завершился за 1000 мс"))
        << how << ": " << run.Failure;
    // Within the step limit, and no poll waited on the host.
    EXPECT_LT(run.Took, std::chrono::milliseconds(2000)) << how;
    EXPECT_LT(run.LongestPoll, std::chrono::milliseconds(300)) << how;
  }
}

TEST(HostileHost, AHostThatEndsWhileItsChildHoldsTheChannelIsSeenToEnd) {
  const TOutcome run = RunMisbehaving("orphan 3");
  EXPECT_EQ(run.Failure, "Модуль «Sub/M», такт 3: процесс компонентов завершился с кодом 7");
  EXPECT_LT(run.Took, std::chrono::milliseconds(2000));
  ASSERT_EQ(run.Started.size(), 1u);
  EXPECT_TRUE(GoneSoon(run.Started[0]));
}

TEST(HostileHost, WhatAModuleStartsEndsWithTheRunInItsSessionOrAnother) {
  TRunPlan plan = OneMisbehaving(0);
  plan.RateHz = 100;
  TTempFolder folder;
  const std::string pids = (folder.Path / "pids").string();
  setenv("ZU_TEST_MISBEHAVE", "setsid 2", 1);
  setenv("ZU_TEST_PID_FILE", pids.c_str(), 1);
  TRunner runner;
  ASSERT_TRUE(runner.Start(plan, ZU_PROBE));
  const auto start = TClock::now();
  while (runner.Poll(20) && runner.GetTick() < 5 &&
         TClock::now() - start < std::chrono::seconds(5)) {
  }
  unsetenv("ZU_TEST_MISBEHAVE");
  unsetenv("ZU_TEST_PID_FILE");
  ASSERT_TRUE(runner.Running()) << runner.GetFailure();
  const std::vector<pid_t> started = PidsIn(pids);
  ASSERT_EQ(started.size(), 1u);
  EXPECT_FALSE(GoneSoon(started[0]) && false); // it lives while the run goes on
  EXPECT_EQ(kill(started[0], 0), 0);
  runner.Stop();
  EXPECT_FALSE(runner.Failed()) << runner.GetFailure();
  EXPECT_TRUE(GoneSoon(started[0]));
}

TEST(HostileHost, AModuleThatKillsItsParentReachesOnlyTheHostsGuard) {
  const TOutcome run = RunMisbehaving("killparent 2", OneMisbehaving(0));
  // This process is alive to read it.
  EXPECT_NE(run.Failure.find("процесс компонентов завершён сигналом 9 (Killed)"), std::string::npos)
      << run.Failure;
  EXPECT_LT(run.Took, std::chrono::milliseconds(2000));
}

TEST(HostileHost, AComponentThatKillsItsParentWhileDescribedIsSkippedAndHarmsNobody) {
  TTempFolder folder;
  std::filesystem::copy_file(TestComponent("kills"), folder.Path / "Kills.so");
  std::filesystem::copy_file(Samples + "Adder.so", folder.Path / "Adder.so");
  setenv("ZU_TEST_KILL", "parent", 1);
  TComponentList registry;
  registry.ProbeProgram = ZU_PROBE;
  registry.Path = folder.Path.string() + "/";
  registry.Refresh();
  unsetenv("ZU_TEST_KILL");
  ASSERT_EQ(registry.GetSkipped().size(), 1u);
  EXPECT_EQ(registry.GetSkipped()[0].File, registry.Path + "Kills.so");
  EXPECT_NE(registry.GetSkipped()[0].Cause.find("сигналом 9"), std::string::npos)
      << registry.GetSkipped()[0].Cause;
  EXPECT_EQ(registry.Count(), 1) << registry.GetSkipped()[0].Cause;
}

TEST(HostileHost, AFileWhoseScanKilledTheAskerIsNamedAndSkippedUntilItChanges) {
  TTempFolder folder;
  const std::string components = folder.Path.string() + "/components/";
  std::filesystem::create_directory(components);
  std::filesystem::copy_file(TestComponent("kills"), components + "Kills.so");
  std::filesystem::copy_file(Samples + "Adder.so", components + "Adder.so");
  const std::string cache = folder.Path.string() + "/cache/components.cache";
  auto prepare = [&](TComponentList& registry, TRecordingLog& log) {
    registry.ProbeProgram = ZU_PROBE;
    registry.Path = components;
    registry.CacheFile = cache;
    registry.ProbeParallel = 1;
    registry.OnLog = log.Handler();
  };
  // A scan in a process of its own, which the component kills when it is asked. Its exit code:
  // ten times the components registered, plus one when the log named the file as the killer.
  auto scan = [&] {
    const pid_t asker = fork();
    if (asker == 0) {
      setenv("ZU_TEST_KILL", std::to_string(getpid()).c_str(), 1);
      TRecordingLog log;
      TComponentList registry;
      prepare(registry, log);
      registry.Refresh();
      bool named = false;
      for (const std::string& error : log.Errors())
        named = named || (error.find(components + "Kills.so") != std::string::npos &&
                          error.find("завершила программу") != std::string::npos);
      _exit(registry.Count() * 10 + named);
    }
    int status = 0;
    waitpid(asker, &status, 0);
    return status;
  };
  const int first = scan();
  ASSERT_TRUE(WIFSIGNALED(first) && WTERMSIG(first) == SIGKILL) << first;
  // The next start names it and does not ask it again; when the asker was killed before it had
  // Adder's answer, both files were under way: they are asked one at a time, so that the one
  // start after that names it.
  int next = scan();
  if (WIFSIGNALED(next))
    next = scan();
  ASSERT_TRUE(WIFEXITED(next)) << next;
  EXPECT_EQ(WEXITSTATUS(next), 11);
  // Still skipped at the start after, without being asked.
  TRecordingLog log;
  TComponentList later;
  prepare(later, log);
  setenv("ZU_TEST_KILL", "parent", 1); // asked, it would end this test with a failure
  later.Refresh();
  unsetenv("ZU_TEST_KILL");
  EXPECT_EQ(later.Count(), 1);
  ASSERT_EQ(later.GetSkipped().size(), 1u);
  EXPECT_EQ(later.GetSkipped()[0].File, components + "Kills.so");
  EXPECT_NE(later.GetSkipped()[0].Cause.find("завершила программу"), std::string::npos)
      << later.GetSkipped()[0].Cause;
  // A new version of the file is asked again.
  std::filesystem::last_write_time(components + "Kills.so",
                                   std::filesystem::file_time_type::clock::now());
  TRecordingLog fresh;
  TComponentList changed;
  prepare(changed, fresh);
  changed.Refresh();
  EXPECT_EQ(changed.Count(), 2);
  EXPECT_TRUE(changed.GetSkipped().empty());
}

TEST(HostileHost, AJournalOfAScanThatEndedNormallyIsGoneAndOneOfARunningProcessIsLeft) {
  TTempFolder folder;
  const std::string cache = folder.Path.string() + "/components.cache";
  {
    TScanJournal journal;
    ASSERT_TRUE(journal.Open(cache));
    TScanJournal::Note(journal.Descriptor(), "/a.so", true);
    EXPECT_TRUE(std::filesystem::exists(TScanJournal::FileOf(cache, getpid())));
  }
  EXPECT_FALSE(std::filesystem::exists(TScanJournal::FileOf(cache, getpid())));
  // A journal of this (running) process is nobody's leftover; one of a gone process is, with
  // what it began and did not finish, and a record cut off by its end left out.
  WriteBytes(Utf8ToUtf16(TScanJournal::FileOf(cache, getpid())), std::string("+/x.so\0", 7));
  const pid_t gone = fork();
  if (gone == 0)
    _exit(0);
  waitpid(gone, nullptr, 0);
  WriteBytes(Utf8ToUtf16(TScanJournal::FileOf(cache, gone)),
             std::string("+/a.so\0+/b.so\0-/a.so\0+/c.so\0+/d.s", 33));
  EXPECT_EQ(TScanJournal::TakeLeft(cache),
            (std::vector<std::vector<std::string>>{{"/b.so", "/c.so"}}));
  EXPECT_FALSE(std::filesystem::exists(TScanJournal::FileOf(cache, gone)));
  EXPECT_TRUE(std::filesystem::exists(TScanJournal::FileOf(cache, getpid())));
}

TEST(HostileHost, AJournalIsReadUpToItsLargestSizeAndALargerOneIsRemovedUnread) {
  TTempFolder folder;
  const std::string cache = folder.Path.string() + "/components.cache";
  const pid_t gone = fork();
  if (gone == 0)
    _exit(0);
  waitpid(gone, nullptr, 0);
  // "+/xy.so" begun, then one file begun and ended whose name fills the journal to its size.
  const std::size_t name = (TScanJournal::MaxBytes - 8) / 2 - 2;
  const std::string padding(name, 'p');
  const std::string largest = std::string("+/xy.so\0", 8) + "+" + padding + std::string(1, '\0') +
                              "-" + padding + std::string(1, '\0');
  ASSERT_EQ(largest.size(), static_cast<std::size_t>(TScanJournal::MaxBytes));
  WriteBytes(Utf8ToUtf16(TScanJournal::FileOf(cache, gone)), largest);
  EXPECT_EQ(TScanJournal::TakeLeft(cache), (std::vector<std::vector<std::string>>{{"/xy.so"}}));
  WriteBytes(Utf8ToUtf16(TScanJournal::FileOf(cache, gone)), largest + "+");
  EXPECT_TRUE(TScanJournal::TakeLeft(cache).empty());
  EXPECT_FALSE(std::filesystem::exists(TScanJournal::FileOf(cache, gone)));
}

TEST(HostileHost, FilesUnderWayTogetherWhenTheAskerEndedAreAskedOneAtATime) {
  TTempFolder folder;
  const std::string components = folder.Path.string() + "/";
  std::filesystem::copy_file(Samples + "Adder.so", components + "Adder.so");
  std::filesystem::copy_file(Samples + "Comparator.so", components + "Comparator.so");
  const std::string cache = components + "components.cache";
  const pid_t gone = fork();
  if (gone == 0)
    _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string journal =
      "+" + components + "Adder.so" + std::string(1, '\0') + "+" + components + "Comparator.so";
  WriteBytes(Utf8ToUtf16(TScanJournal::FileOf(cache, gone)), journal + std::string(1, '\0'));
  TRecordingLog log;
  TComponentList registry;
  registry.ProbeProgram = ZU_PROBE;
  registry.Path = components;
  registry.CacheFile = cache;
  registry.OnLog = log.Handler();
  registry.Refresh();
  // Neither is blamed: both are asked, alone, and registered.
  EXPECT_EQ(registry.Count(), 2);
  EXPECT_TRUE(log.Errors().empty()) << log.Errors().front();
  int told = 0;
  for (const auto& entry : log.Entries)
    told += entry.Type == ltWarning && entry.Text.find("проверяется отдельно") != std::string::npos;
  EXPECT_EQ(told, 2);
}
