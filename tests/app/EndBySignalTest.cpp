// The editor as the system runs it: a real process, ended by a signal while a dialog of its own
// is open.
#include "xml/XmlTestSupport.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using TClock = std::chrono::steady_clock;

// The editor and its host in a folder of their own, with a configuration folder.
struct TEditorFolder {
  TEditorFolder() {
    for (const char* program : {"ZUProgramming", "zu-probe"})
      fs::copy_file(std::string(ZU_SAMPLES) + "/" + program, Folder.Path / program);
    fs::create_directory(Folder.Path / "Configs");
  }
  // Starts the editor with the arguments; its process id.
  pid_t Start(const std::vector<std::string>& args) const {
    const std::string program = (Folder.Path / "ZUProgramming").string();
    std::vector<const char*> argv{program.c_str()};
    for (const std::string& a : args)
      argv.push_back(a.c_str());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
      setenv("QT_QPA_PLATFORM", "offscreen", 1);
      setenv("LC_ALL", "C", 1);
      // Its log and messages go nowhere: the test reads the files it leaves.
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, 1);
      dup2(null, 2);
      execv(program.c_str(), const_cast<char* const*>(argv.data()));
      _exit(127);
    }
    return pid;
  }
  // Waits until the editor holds its lock (its start's questions come then), then a little.
  bool WaitStarted(pid_t pid) const {
    const fs::path lock =
        Folder.Path / "Configs" / ("ZUProgramming." + std::to_string(pid) + ".lock");
    for (int i = 0; i < 1000 && !fs::exists(lock); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return fs::exists(lock);
  }
  TTempFolder Folder;
};

// Sends the signal; the editor's status and how long it took to end (at most 10 s are waited).
std::pair<int, TClock::duration> EndWith(pid_t pid, int signal) {
  const auto start = TClock::now();
  kill(pid, signal);
  int status = -1;
  while (TClock::now() - start < std::chrono::seconds(10)) {
    if (waitpid(pid, &status, WNOHANG) == pid)
      return {status, TClock::now() - start};
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return {-1, TClock::now() - start};
}

} // namespace

TEST(EndBySignal, TheEditorEndsWithinASecondWhileItsDialogIsOpen) {
  // The start dialog, and the message that a file given could not be loaded.
  for (const bool badFile : {false, true}) {
    TEditorFolder editor;
    std::vector<std::string> args;
    if (badFile) {
      const std::string file = (editor.Folder.Path / "broken.xml").string();
      WriteBytes(Utf8ToUtf16(file), "<Kven_ZU_Programming_Project><Name>x");
      args.push_back(file);
    }
    for (const int signal : {SIGTERM, SIGHUP}) {
      const pid_t pid = editor.Start(args);
      ASSERT_TRUE(editor.WaitStarted(pid)) << badFile;
      const auto [status, took] = EndWith(pid, signal);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
          << "bad file: " << badFile << ", signal " << signal << ", status " << status;
      EXPECT_LT(took, std::chrono::milliseconds(1500)) << badFile << " " << signal;
      // It ended as it does: the configuration written, its lock gone.
      EXPECT_TRUE(fs::exists(editor.Folder.Path / "Configs" / "ZUProgramming.config"));
      EXPECT_FALSE(fs::exists(editor.Folder.Path / "Configs" /
                              ("ZUProgramming." + std::to_string(pid) + ".lock")));
    }
  }
}

TEST(EditorCommandLine, HelpAndVersionNeedNoDisplayAndAWrongOptionIsNamed) {
  const std::string program = std::string(ZU_SAMPLES) + "/ZUProgramming";
  auto run = [&](const std::string& arguments, const std::string& env) {
    std::string out;
    FILE* pipe = popen((env + " " + program + " " + arguments + " 2>&1").c_str(), "r");
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
      out.append(buffer, n);
    const int status = pclose(pipe);
    return std::make_pair(WIFEXITED(status) ? WEXITSTATUS(status) : -1, out);
  };
  const std::string noDisplay = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
  const auto [helpCode, help] = run("--help", noDisplay);
  EXPECT_EQ(helpCode, 0);
  EXPECT_TRUE(help.starts_with("Usage: zu-programming [FILE]\n")) << help;
  const auto [versionCode, version] = run("--version", noDisplay);
  EXPECT_EQ(versionCode, 0);
  EXPECT_EQ(version, "ZU Programming " ZU_VERSION "\n");
  const auto [wrongCode, wrong] = run("--bogus", "QT_QPA_PLATFORM=offscreen");
  EXPECT_EQ(wrongCode, 2);
  EXPECT_NE(wrong.find("zu-programming: unknown option \"--bogus\"; see zu-programming --help\n"),
            std::string::npos)
      << wrong;
}
