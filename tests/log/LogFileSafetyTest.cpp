#include "log/unLogFile.h"
#include "xml/XmlTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The lines of the text, CR LF ended.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  for (std::size_t end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(text.substr(at, end - at));
  EXPECT_EQ(at, text.size()) << "a line without its CR LF";
  return lines;
}

} // namespace

TEST(LogFileSafety, AFailedRotationKeepsTheHistoryAndSaysSoOnce) {
  TTempFolder folder;
  const std::string file = (folder.Path / "r.log").string();
  const std::string history(static_cast<std::size_t>(LogFileLimit) + 1, 'h');
  WriteBytes(Utf8ToUtf16(file), history);
  fs::create_directory(file + ".old"); // the old copy cannot be written
  ASSERT_TRUE(AppendLogLine(file, file + ".old", "first"));
  ASSERT_TRUE(AppendLogLine(file, file + ".old", "second"));
  const std::string now = ReadBytes(Utf8ToUtf16(file));
  ASSERT_EQ(now.substr(0, history.size()), history);
  const std::vector<std::string> lines = SplitLines(now.substr(history.size()));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_NE(lines[0].find(" ERROR   Gen: Журнал \"" + file + "\" не перенесён"), std::string::npos)
      << lines[0];
  EXPECT_EQ(lines[1], "first");
  EXPECT_EQ(lines[2], "second");
  EXPECT_TRUE(fs::is_directory(file + ".old"));
}

TEST(LogFileSafety, RotationRenamesTheFileWithoutCopying) {
  TTempFolder folder;
  const std::string file = (folder.Path / "r.log").string();
  WriteBytes(Utf8ToUtf16(file), std::string(static_cast<std::size_t>(LogFileLimit) + 1, 'h'));
  struct stat before {};
  ASSERT_EQ(::stat(file.c_str(), &before), 0);
  ASSERT_TRUE(AppendLogLine(file, file + ".old", "next"));
  struct stat old {};
  ASSERT_EQ(::stat((file + ".old").c_str(), &old), 0);
  EXPECT_EQ(old.st_ino, before.st_ino); // the same file, moved
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(file)), "next\r\n");
}

TEST(LogFileSafety, ASymbolicLinkIsNeverFollowed) {
  TTempFolder folder;
  const std::string target = (folder.Path / "precious.txt").string();
  const std::string big(static_cast<std::size_t>(LogFileLimit) + 10, 'p');
  WriteBytes(Utf8ToUtf16(target), big);
  const std::string file = (folder.Path / "link.log").string();
  fs::create_symlink(target, file);
  EXPECT_FALSE(AppendLogLine(file, file + ".old", "line"));
  EXPECT_FALSE(WriteLogLine(ltInformation, "line", file, file + ".old"));
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(target)), big);
  EXPECT_FALSE(fs::exists(file + ".old"));
  EXPECT_TRUE(fs::is_symlink(file));
}

TEST(LogFileSafety, OneMessageIsOneLine) {
  TTempFolder folder;
  const std::string file = (folder.Path / "l.log").string();
  ASSERT_TRUE(WriteLogLine(
      ltError, "file a.xml\r\n2026.01.01 00:00:00:000 INFO    Gen: forged\tx\x1b", file, ""));
  const std::vector<std::string> lines = SplitLines(ReadBytes(Utf8ToUtf16(file)));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(23),
            " ERROR   file a.xml  2026.01.01 00:00:00:000 INFO    Gen: forged x ");
  EXPECT_EQ(OneLine(std::string("a\x01\x7f"
                                "b\xd0\xb6",
                                6)),
            "a  b\xd0\xb6");
}

TEST(LogFileSafety, TwoWritingProcessesLoseNoLineAcrossARotation) {
  TTempFolder folder;
  const std::string file = (folder.Path / "shared.log").string();
  // Two writers of 4000 lines of 98 bytes: 784 000 bytes, so exactly one rotation.
  constexpr int PerWriter = 4000;
  pid_t writers[2];
  for (int w = 0; w < 2; ++w) {
    writers[w] = fork();
    ASSERT_GE(writers[w], 0);
    if (writers[w] == 0) {
      for (int i = 0; i < PerWriter; ++i) {
        char line[128];
        std::snprintf(line, sizeof line, "%d %05d %s", w, i, std::string(88, 'a' + w).c_str());
        if (!AppendLogLine(file, file + ".old", line))
          _exit(2);
      }
      _exit(0);
    }
  }
  for (pid_t writer : writers) {
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ASSERT_TRUE(fs::exists(file + ".old")) << "the writers never rotated";
  std::set<std::string> seen;
  std::size_t total = 0;
  for (const std::string& name : {file + ".old", file})
    for (const std::string& line : SplitLines(ReadBytes(Utf8ToUtf16(name)))) {
      ASSERT_EQ(line.size(), 96u) << line;
      seen.insert(line.substr(0, 7));
      ++total;
    }
  EXPECT_EQ(total, 2u * PerWriter);
  EXPECT_EQ(seen.size(), 2u * PerWriter);
}
