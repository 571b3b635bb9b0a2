#include "plugins/unHostProcess.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

TEST(HostProcess, ANotStartedProcessHasEndedAndTakesNoChildOfAnybodyElses) {
  // A child of the test's own, ended and waiting to be taken.
  const pid_t other = fork();
  if (other == 0)
    _exit(5);
  ASSERT_GT(other, 0);
  siginfo_t info{};
  ASSERT_EQ(waitid(P_PID, static_cast<id_t>(other), &info, WEXITED | WNOWAIT), 0);
  THostProcess none;
  EXPECT_TRUE(none.Ended());
  EXPECT_TRUE(none.WaitEnd(10));
  EXPECT_EQ(none.Status(), -1);
  int status = 0;
  ASSERT_EQ(waitpid(other, &status, 0), other) << "the other child was taken";
  EXPECT_EQ(WEXITSTATUS(status), 5);
}

TEST(HostProcess, AnEndIsSeenWithItsStatusAndWaitingSaysSo) {
  THostProcess process;
  ASSERT_TRUE(process.Start("/bin/sh", {"-c", "exit 3"}, {}));
  EXPECT_TRUE(process.WaitEnd(5000));
  ASSERT_TRUE(WIFEXITED(process.Status()));
  EXPECT_EQ(WEXITSTATUS(process.Status()), 3);
  // One that goes on is not ended within the wait, and is ended when asked.
  THostProcess sleeper;
  ASSERT_TRUE(sleeper.Start("/bin/sleep", {"30"}, {}));
  EXPECT_FALSE(sleeper.WaitEnd(50));
  EXPECT_FALSE(sleeper.Ended());
  const auto start = std::chrono::steady_clock::now();
  sleeper.End(THostProcess::EndWaitMs);
  EXPECT_TRUE(sleeper.Ended());
  EXPECT_TRUE(WIFSIGNALED(sleeper.Status()));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(HostProcess, AGuardedHostEndsWithItsHostsStatusAtOnce) {
  // The component host under its guard, given a channel it does not have: it ends at once with
  // its own status (2), which the guard passes on.
  THostProcess host;
  ASSERT_TRUE(host.Start(ZU_PROBE, {"--run", "99", "99"}, {}));
  ASSERT_TRUE(host.WaitEnd(3000)) << "the guard did not follow its host's end";
  ASSERT_TRUE(WIFEXITED(host.Status()));
  EXPECT_EQ(WEXITSTATUS(host.Status()), 2);
}
