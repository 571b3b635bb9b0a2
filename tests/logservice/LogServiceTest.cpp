#include "app/unMain.h"
#include "log/unLogDocuments.h"
#include "log/unLogFile.h"
#include "log/unLogSystem.h"
#include "logservice/unLogService.h"
#include "platform/unAutomation.h"
#include "support/ScriptedMainDialogs.h"
#include "xml/XmlTestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// A session bus of the test's own, the process's session bus while it lives; with activation,
// the build's service files let the bus start the log service itself (writing under state).
class TPrivateBus {
public:
  TPrivateBus(const TTempFolder& folder, bool activation) {
    const std::string config = (folder.Path / "bus.conf").string();
    WriteBytes(Utf8ToUtf16(config),
               "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\""
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\"><busconfig>"
               "<type>session</type><listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>" +
                   std::string(activation ? "<servicedir>" ZU_DBUS_SERVICES "</servicedir>" : "") +
                   "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                   "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>");
    int fds[2];
    EXPECT_EQ(pipe(fds), 0);
    Pid = fork();
    if (Pid == 0) {
      close(fds[0]);
      setenv("XDG_STATE_HOME", (folder.Path / "state").c_str(), 1);
      const std::string fd = "--print-address=" + std::to_string(fds[1]);
      execlp("dbus-daemon", "dbus-daemon", ("--config-file=" + config).c_str(), "--nofork",
             fd.c_str(), nullptr);
      _exit(127);
    }
    close(fds[1]);
    char buf[512] = {};
    std::string address;
    for (ssize_t n;
         address.find('\n') == std::string::npos && (n = read(fds[0], buf, sizeof buf)) > 0;)
      address.append(buf, static_cast<std::size_t>(n));
    close(fds[0]);
    address = address.substr(0, address.find('\n'));
    EXPECT_FALSE(address.empty()) << "dbus-daemon did not start";
    setenv("DBUS_SESSION_BUS_ADDRESS", address.c_str(), 1);
  }
  ~TPrivateBus() {
    kill(Pid, SIGTERM);
    waitpid(Pid, nullptr, 0);
    unsetenv("DBUS_SESSION_BUS_ADDRESS");
  }

private:
  pid_t Pid = -1;
};

// zu-logservice in the foreground, writing into a folder; ready once its work name answers.
class TServiceProcess {
public:
  explicit TServiceProcess(const std::string& folder) {
    Pid = fork();
    if (Pid == 0) {
      execl(ZU_LOGSERVICE, ZU_LOGSERVICE, "--foreground", "--dir", folder.c_str(), nullptr);
      _exit(127);
    }
    for (auto end = TClock::now() + 3s; TClock::now() < end; std::this_thread::sleep_for(10ms))
      if (TAutomationObject::Create("OBU_LogSystem.Service_Work"))
        return;
    ADD_FAILURE() << "the service did not come up";
  }
  ~TServiceProcess() { Stop(); }
  void Kill() {
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
      Pid = -1;
    }
  }
  void Stop() {
    if (Pid > 0) {
      kill(Pid, SIGTERM);
      waitpid(Pid, &Status, 0);
      Pid = -1;
    }
  }
  int Status = 0;

private:
  pid_t Pid = -1;
};

template <class T> using TOwned = std::unique_ptr<T, TLogDisposer>;

// The file's lines without the time (23 characters and a space) at their start.
std::vector<std::string> Lines(const std::string& file) {
  std::vector<std::string> lines;
  const std::string bytes = ReadBytes(Utf8ToUtf16(file));
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", at);
    lines.push_back(bytes.substr(at + 24, end - at - 24));
    at = end + 2;
  }
  return lines;
}

// Waits until the file has count lines (the service writes them after the call returned).
std::vector<std::string> LinesWhenThere(const std::string& file, std::size_t count) {
  for (auto end = TClock::now() + 2s; TClock::now() < end; std::this_thread::sleep_for(5ms))
    if (Lines(file).size() >= count)
      break;
  return Lines(file);
}

class LogServiceTest : public ::testing::Test {
protected:
  std::string Dir() const { return (Folder.Path / "logs").string(); }
  std::string FileOf(const std::string& name) const { return Dir() + "/" + name + ".log"; }
  TTempFolder Folder;
};

} // namespace

TEST_F(LogServiceTest, WithoutTheServiceTheOtherDocumentsAnswer) {
  TPrivateBus bus(Folder, false);
  std::string reason;
  EXPECT_EQ(TAutomationObject::Create("OBU_LogSystem.Service_Work", &reason), nullptr);
  EXPECT_NE(reason.find("is not on the bus"), std::string::npos) << reason;
  TOwned<TLogSystem> service(new TLogSystem(21, "ZU_Programming"));
  EXPECT_FALSE(service->GetClient()->HasWork());
  EXPECT_EQ(service->AddToLogW(lgGeneral, ltError, u"x", {}), -1);
  TOwned<TLogFileText> file(new TLogFileText(Folder.File("f.log")));
  TOwned<TLogDocuments> all(new TLogDocuments);
  all->Add(file.get());
  all->Add(service.get());
  EXPECT_EQ(all->AddToLogW(lgGeneral, ltError, u"x", {}), 1);
}

TEST_F(LogServiceTest, MessagesReachTheServiceAsOrdinalsAndFormattedText) {
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  TClient_LogSystem none(0, 1, "Nobody");
  EXPECT_FALSE(none.HasInfo() || none.HasConfig() || none.HasWork());
  TClient_LogSystem all(2 | 4 | 8, 5, "All");
  EXPECT_TRUE(all.HasInfo() && all.HasConfig() && all.HasWork());

  TOwned<TLogSystem> a(new TLogSystem(21, "ZU_Programming"));
  TOwned<TLogSystem> b(new TLogSystem(7, "Other"));
  EXPECT_EQ(a->AddToLogW(lgSystem, ltWarning, u"w=%d %s", {TLogArg(3), TLogArg(u"ж")}), 1);
  EXPECT_EQ(a->AddToLogW(lgSystem, ltWarning, u"missing %d", {}), -1); // nothing is sent
  EXPECT_EQ(b->AddToLogW(lgGeneral, ltInformation, u"from b\r\nsecond", {}), 1);
  EXPECT_EQ(a->AddToLogW(lgNone, ltNone, u"last", {}), 1);
  EXPECT_EQ(LinesWhenThere(FileOf("ZU_Programming"), 2),
            (std::vector<std::string>{"ZU_Programming[21] W Sys: w=3 ж",
                                      "ZU_Programming[21] N Non: last"}));
  EXPECT_EQ(LinesWhenThere(FileOf("Other"), 1),
            std::vector<std::string>{"Other[7] I Gen: from b  second"});
  EXPECT_FALSE(std::filesystem::exists(FileOf("Nobody")));
}

TEST_F(LogServiceTest, AServiceThatGoesAwayIsNoticedWithinASecond) {
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  TOwned<TLogSystem> service(new TLogSystem(21, "ZU_Programming"));
  TOwned<TLogFileText> file(new TLogFileText(Folder.File("f.log")));
  TOwned<TLogDocuments> all(new TLogDocuments);
  all->Add(service.get());
  all->Add(file.get());
  ASSERT_EQ(service->AddToLogW(lgGeneral, ltInformation, u"before", {}), 1);
  process.Kill();
  const auto start = TClock::now();
  std::int32_t answer = 1;
  while (answer == 1 && TClock::now() - start < 2s)
    answer = service->AddToLogW(lgGeneral, ltInformation, u"after", {});
  EXPECT_EQ(answer, -1);
  EXPECT_LT(TClock::now() - start, 1s);
  EXPECT_EQ(all->AddToLogW(lgGeneral, ltInformation, u"file goes on", {}), 1);
  EXPECT_NE(ReadBytes(Folder.File("f.log")).find("file goes on"), std::string::npos);
}

TEST_F(LogServiceTest, AServiceThatNeverAnswersLeavesTheClientUnconnected) {
  TPrivateBus bus(Folder, false);
  // Owns the work name, then never reads a message.
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  const pid_t mute = fork();
  if (mute == 0) {
    sd_bus* own = nullptr;
    if (sd_bus_open_user(&own) < 0 || sd_bus_request_name(own, "OBU_LogSystem.Service_Work", 0) < 0)
      _exit(1);
    (void)!write(fds[1], "r", 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(fds[0], &c, 1), 1);
  const auto start = TClock::now();
  TOwned<TLogSystem> service(new TLogSystem(21, "ZU_Programming"));
  EXPECT_LT(TClock::now() - start, 1500ms);
  EXPECT_FALSE(service->GetClient()->HasWork());
  EXPECT_EQ(service->AddToLogW(lgGeneral, ltInformation, u"x", {}), -1);
  kill(mute, SIGKILL);
  waitpid(mute, nullptr, 0);
}

TEST_F(LogServiceTest, TheBusStartsTheServiceAndASecondOneFindsTheNamesTaken) {
  TPrivateBus bus(Folder, true);
  TOwned<TLogSystem> service(new TLogSystem(21, "ZU_Programming"));
  ASSERT_TRUE(service->GetClient()->HasWork());
  EXPECT_EQ(service->AddToLogW(lgGeneral, ltInformation, u"activated", {}), 1);
  const std::string file = (Folder.Path / "state/zu-logservice/ZU_Programming.log").string();
  EXPECT_EQ(LinesWhenThere(file, 1),
            std::vector<std::string>{"ZU_Programming[21] I Gen: activated"});
  const std::string command = std::string(ZU_LOGSERVICE) + " --foreground --dir " + Dir() + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  char buf[256] = {};
  const std::size_t n = std::fread(buf, 1, sizeof buf - 1, pipe);
  const int status = pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 3);
  EXPECT_NE(std::string(buf, n).find("taken"), std::string::npos) << buf;
}

TEST_F(LogServiceTest, TheEditorsMessagesReachTheService) {
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  TScriptedMainDialogs::TScript script;
  {
    TfmMain window(std::make_unique<TScriptedMainDialogs>(script), nullptr,
                   Utf8ToUtf16(Folder.Path.string() + "/"));
  }
  const std::vector<std::string> lines = LinesWhenThere(FileOf("ZU_Programming"), 2);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines.front(), "ZU_Programming[21] I Gen: Программа запущена");
  EXPECT_EQ(lines.back(), "ZU_Programming[21] I Gen: Программа остановлена");
}

TEST(LogServiceState, FileNamesStayInsideTheFolder) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  const std::string dir = folder.Path.string() + "/";
  EXPECT_EQ(service.FileOf("../../etc/x"), dir + "_.._.._etc_x.log");
  EXPECT_EQ(service.FileOf(""), dir + "_.log");
  EXPECT_EQ(service.FileOf("ZU_Programming"), dir + "ZU_Programming.log");
}
