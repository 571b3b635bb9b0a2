#include "app/unMain.h"
#include "log/unLogDocuments.h"
#include "log/unLogFile.h"
#include "log/unLogSystem.h"
#include "logservice/unLogService.h"
#include "platform/unAutomation.h"
#include "support/PrivateBus.h"
#include "support/ScriptedMainDialogs.h"
#include "xml/XmlTestSupport.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <systemd/sd-bus.h>
#include <thread>

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

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

TEST_F(LogServiceTest, AConnectionGetsAtMostSixteenFilesAndLongTextsArriveCut) {
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  auto work = TAutomationObject::Create("OBU_LogSystem.Service_Work");
  ASSERT_TRUE(work);
  std::string reason;
  for (int i = 0; i < 16; ++i)
    EXPECT_TRUE(work->Call("RegisterClient", {"n" + std::to_string(i)}, &i, &reason)) << reason;
  std::int32_t id = 16;
  EXPECT_FALSE(work->Call("RegisterClient", {std::string("n16")}, &id, &reason));
  EXPECT_NE(reason.find("at most 16"), std::string::npos) << reason;
  ASSERT_TRUE(work->Send("ToLog", {3, 3, std::string(100000, 'y')}));
  const std::vector<std::string> lines = LinesWhenThere(FileOf("n15"), 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), std::string("n15[15] I Gen: ").size() + 65536 +
                                 std::string(" [... сообщение обрезано: 100000 байт]").size());
  EXPECT_FALSE(std::filesystem::exists(FileOf("n16")));
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

TEST_F(LogServiceTest, ABusThatAcceptsButNeverAnswersCostsAboutASecond) {
  // A socket that takes connections and never says a word.
  const std::string path = (Folder.Path / "mute-bus").string();
  const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(listen(listener, 8), 0);
  setenv("DBUS_SESSION_BUS_ADDRESS", ("unix:path=" + path).c_str(), 1);
  const auto start = TClock::now();
  std::string reason;
  EXPECT_EQ(TAutomationObject::Create("OBU_LogSystem.Service_Work", &reason), nullptr);
  EXPECT_NE(reason.find("did not answer"), std::string::npos) << reason;
  TOwned<TLogSystem> service(new TLogSystem(21, "ZU_Programming"));
  EXPECT_FALSE(service->GetClient()->HasWork());
  // Well under the bus library's own 90 s (each connection is given one second).
  EXPECT_LT(TClock::now() - start, 10s);
  unsetenv("DBUS_SESSION_BUS_ADDRESS");
  close(listener);
}

TEST_F(LogServiceTest, TextThatIsNotUtf8ArrivesWithReplacementCharacters) {
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  auto work = TAutomationObject::Create("OBU_LogSystem.Service_Work");
  ASSERT_TRUE(work);
  std::int32_t id = 4;
  ASSERT_TRUE(work->Call("RegisterClient", {std::string("bad\xff")}, &id));
  ASSERT_TRUE(work->Send("ToLog", {3, 3, std::string("file \xc0\xaf.xml ж")}));
  EXPECT_EQ(
      LinesWhenThere(FileOf("bad%EF%BF%BD"), 1),
      std::vector<std::string>{"bad\xEF\xBF\xBD[4] I Gen: file \xEF\xBF\xBD\xEF\xBF\xBD.xml ж"});
}

TEST_F(LogServiceTest, AnIdleClientIsSentNothingAboutOtherConnections) {
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  auto work = TAutomationObject::Create("OBU_LogSystem.Service_Work");
  ASSERT_TRUE(work);
  std::this_thread::sleep_for(50ms);
  work->TakeIn();
  for (int i = 0; i < 20; ++i) {
    sd_bus* other = nullptr;
    ASSERT_GE(sd_bus_open_user(&other), 0);
    sd_bus_call_method(other, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                       "org.freedesktop.DBus", "GetId", nullptr, nullptr, "");
    sd_bus_flush_close_unref(other);
  }
  std::this_thread::sleep_for(100ms);
  EXPECT_EQ(work->TakeIn(), 0);
  // Its own service going away still reaches it.
  process.Kill();
  int taken = 0;
  for (auto end = TClock::now() + 3s; taken == 0 && TClock::now() < end;
       std::this_thread::sleep_for(5ms))
    taken = work->TakeIn();
  EXPECT_GE(taken, 1);
  EXPECT_FALSE(work->Send("ToLog", {3, 3, std::string("after")}));
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

TEST_F(LogServiceTest, EveryServiceNameIsActivatable) {
  TPrivateBus bus(Folder, true);
  for (const char* name : {"OBU_LogSystem.Service_Info", "OBU_LogSystem.Service_Config",
                           "OBU_LogSystem.Service_Work"}) {
    std::string reason;
    EXPECT_TRUE(TAutomationObject::Create(name, &reason)) << name << ": " << reason;
  }
  TClient_LogSystem all(2 | 4 | 8, 5, "All");
  EXPECT_TRUE(all.HasInfo());
  EXPECT_TRUE(all.HasConfig());
  EXPECT_TRUE(all.HasWork());
}

TEST_F(LogServiceTest, InTheBackgroundTheExitCodeTellsWhatWentWrong) {
  auto run = [&](const std::string& environment) {
    const std::string command =
        environment + " " + ZU_LOGSERVICE + " --dir " + Dir() + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("DBUS_SESSION_BUS_ADDRESS=unix:path=" + (Folder.Path / "none").string() +
                " XDG_RUNTIME_DIR=" + (Folder.Path / "none").string()),
            4);
  TPrivateBus bus(Folder, false);
  TServiceProcess process(Dir());
  EXPECT_EQ(run(""), 3);
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

TEST(LogServiceState, EveryNameHasAFileOfItsOwnInsideTheFolder) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  const std::string dir = folder.Path.string() + "/";
  const struct {
    std::string Name, File;
  } table[] = {
      {"ZU_Programming", "ZU_Programming.log"},
      {"../../etc/x", "%2E.%2F..%2Fetc%2Fx.log"},
      {"", "%.log"},
      {"Иван", "%D0%98%D0%B2%D0%B0%D0%BD.log"},
      {"Пётр", "%D0%9F%D1%91%D1%82%D1%80.log"},
      {"a b", "a%20b.log"},
      {"a_b", "a_b.log"},
      {"a%20b", "a%2520b.log"},
      {"line\r\nbreak", "line%0D%0Abreak.log"},
      {".hidden", "%2Ehidden.log"},
      {"azAZ09-_.", "azAZ09-_..log"},
      {"@[`{/:", "%40%5B%60%7B%2F%3A.log"},
  };
  std::set<std::string> files;
  for (const auto& row : table) {
    EXPECT_EQ(service.FileOf(row.Name), dir + row.File) << row.Name;
    files.insert(service.FileOf(row.Name));
  }
  EXPECT_EQ(files.size(), std::size(table));
  // Too long for the file system: the start, and a hash that tells two such names apart.
  const std::string longA(300, 'a'), longB = std::string(299, 'a') + "b";
  const std::string fileA = service.FileOf(longA), fileB = service.FileOf(longB);
  EXPECT_NE(fileA, fileB);
  for (const std::string& file : {fileA, fileB}) {
    const std::string base = file.substr(dir.size());
    EXPECT_LE(base.size() + 4, 255u) << base; // with ".old"
    EXPECT_EQ(base.substr(0, 100), std::string(100, 'a'));
    EXPECT_NE(base.find('~'), std::string::npos);
  }
  // Wherever the cut falls, no %XX is broken.
  static const std::regex tokens("^([A-Za-z0-9._-]|%[0-9A-F]{2})*~[0-9a-f]{16}\\.log$");
  for (std::size_t n = 170; n < 200; ++n) {
    const std::string base =
        service.FileOf(std::string(n, 'a') + std::string(30, '\xd0')).substr(dir.size());
    EXPECT_TRUE(std::regex_match(base, tokens)) << n << ": " << base;
  }
  const std::string longCyrillic(400, '\xd0');
  EXPECT_LE(service.FileOf(longCyrillic).substr(dir.size()).size() + 4, 255u);
  EXPECT_EQ(service.FileOf(longCyrillic).find('%', dir.size()), dir.size());
}

TEST(LogServiceState, LongNamesAndControlCharactersWriteTheirMessages) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  const std::string name = std::string(300, 'n') + "\r\nforged";
  ASSERT_TRUE(service.RegisterClient(":1.1", 3, name));
  service.ToLog(":1.1", 3, 3, "kept");
  ASSERT_TRUE(service.Flush());
  const std::vector<std::string> lines = Lines(service.FileOf(name));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], std::string(300, 'n') + "  forged[3] I Gen: kept");
}

TEST(LogServiceState, OneConnectionRegistersAtMostSixteenNames) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  for (int i = 0; i < 16; ++i)
    EXPECT_EQ(service.RegisterClient(":1.5", i, "n" + std::to_string(i)), i);
  EXPECT_EQ(service.RegisterClient(":1.5", 99, "n16"), std::nullopt);
  EXPECT_EQ(service.RegisterClient(":1.5", 7, "n3"), 7);  // a name it already has
  EXPECT_EQ(service.RegisterClient(":1.6", 1, "n16"), 1); // another connection
  service.ToLog(":1.5", 3, 3, "to n3");
  service.Flush();
  EXPECT_EQ(Lines(service.FileOf("n3")), std::vector<std::string>{"n3[7] I Gen: to n3"});
  EXPECT_FALSE(std::filesystem::exists(service.FileOf("n16")));
  service.Forget(":1.5");
  EXPECT_EQ(service.ClientCount(), 1u);
}

TEST(LogServiceState, LinesWaitAtMostTheFlushDelayAndLongMessagesAreCut) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  EXPECT_EQ(service.FlushDue(), std::nullopt);
  service.RegisterClient(":1.1", 1, "a");
  const auto before = TLogService::TClock::now();
  service.ToLog(":1.1", 3, 3, "first");
  service.ToLog(":1.1", 3, 3, std::string(70000, 'x'));
  const auto due = service.FlushDue();
  ASSERT_TRUE(due);
  EXPECT_GE(*due, before + TLogService::FlushDelay);
  EXPECT_LE(*due, TLogService::TClock::now() + TLogService::FlushDelay);
  EXPECT_FALSE(std::filesystem::exists(service.FileOf("a"))); // gathered, not yet written
  EXPECT_TRUE(service.Flush());
  EXPECT_EQ(service.FlushDue(), std::nullopt);
  const std::vector<std::string> lines = Lines(service.FileOf("a"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "a[1] I Gen: first");
  EXPECT_EQ(lines[1], "a[1] I Gen: " + std::string(TLogService::MaxMessageBytes, 'x') +
                          " [... сообщение обрезано: 70000 байт]");
  // Exactly the limit: whole, without a mark.
  service.ToLog(":1.1", 3, 3, std::string(TLogService::MaxMessageBytes, 'e'));
  service.Flush();
  EXPECT_EQ(Lines(service.FileOf("a")).back(),
            "a[1] I Gen: " + std::string(TLogService::MaxMessageBytes, 'e'));
  // A cut never splits a letter.
  std::string letters = "x";
  for (int i = 0; i < 40000; ++i)
    letters += "ж";
  service.ToLog(":1.1", 3, 3, letters);
  service.Flush();
  const std::string cut = Lines(service.FileOf("a")).back();
  const std::size_t mark = cut.find(" [... ");
  ASSERT_NE(mark, std::string::npos);
  EXPECT_EQ((mark - std::string("a[1] I Gen: x").size()) % 2, 0u);
}

TEST(LogServiceState, EachClientFileRotates) {
  TTempFolder folder;
  TLogService service(folder.Path.string());
  service.RegisterClient(":1.1", 1, "r");
  const std::string file = service.FileOf("r");
  WriteBytes(Utf8ToUtf16(file), std::string(static_cast<std::size_t>(LogFileLimit) + 1, 'o'));
  service.ToLog(":1.1", 3, 3, "new");
  service.Flush();
  EXPECT_EQ(Lines(file), std::vector<std::string>{"r[1] I Gen: new"});
  EXPECT_EQ(std::filesystem::file_size(file + ".old"),
            static_cast<std::uintmax_t>(LogFileLimit) + 1);
}
