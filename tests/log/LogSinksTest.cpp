#include "log/unLogDocumentsAll.h"
#include "log/unLogFile.h"
#include "log/unLogProgram.h"
#include "log/unProgram.h"
#include "platform/unExeFolder.h"
#include "xml/XmlTestSupport.h"
#include "xml/unXml.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>

namespace {

// A document that records what reaches it and answers with a fixed number.
class TRecordingDocument : public TLogDocument {
public:
  explicit TRecordingDocument(std::int32_t answer)
      : TLogDocument(lWindow, u"", nullptr), Answer(answer) {}
  std::int32_t AddToLogW(TLogGroupMessage, TLogTypeMessage, const std::u16string& format,
                         const TLogArgs& args) override {
    Received.push_back(FormatLog(Utf16ToUtf8(format), args));
    return Answer;
  }
  TLogNode* AddNode(TLogTypeMessage, const std::string& text, std::int32_t parentId,
                    std::int32_t id) override {
    Nodes.push_back(text + "/" + std::to_string(parentId) + "/" + std::to_string(id));
    return nullptr;
  }
  bool LoadConfig() override {
    ++Loaded;
    return true;
  }
  std::vector<std::string> Received, Nodes;
  int Loaded = 0;
  std::int32_t Answer;
};

template <class T> using TOwned = std::unique_ptr<T, TLogDisposer>;

// The lines of a log file without the time at their start (which must be there).
std::vector<std::string> Lines(const std::u16string& file) {
  const std::string bytes = ReadBytes(file);
  std::vector<std::string> lines;
  static const std::regex time(R"(^\d{4}\.\d{2}\.\d{2} \d{2}:\d{2}:\d{2}:\d{3})");
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t end = bytes.find("\r\n", at);
    const std::string line = bytes.substr(at, end - at);
    EXPECT_TRUE(std::regex_search(line, time)) << line;
    lines.push_back(line.substr(23));
    at = end == std::string::npos ? bytes.size() : end + 2;
  }
  return lines;
}

} // namespace

TEST(LogDocuments, AnEmptySetGivesAnEmptyCollection) {
  TOwned<TLogDocumentsAll> all(new TLogDocumentsAll(nullptr, TLogTypeSet(), u"", 1, "x"));
  EXPECT_TRUE(all->GetDocuments().empty());
  EXPECT_EQ(all->AddToLogW(lgGeneral, ltError, u"x", {}), -1);
  EXPECT_FALSE(all->AddToLog(lgGeneral, ltError, "x", {}));
}

TEST(LogDocuments, TheLastChildThatTookAMessageAnswers) {
  TTempFolder folder;
  TKvenXmlDocument1 config;
  TRecordingDocument* window = nullptr;
  TOwned<TLogDocumentsAll> all(new TLogDocumentsAll(
      config.GetRoot()->GetChild(u"Logs"), {lWindow, lFile, lLogSystem, lProgram},
      Utf8ToUtf16(folder.Path.string() + "/"), 21, "ZU", [&](TKvenXmlNode1* element) {
        EXPECT_NE(element, nullptr);
        return window = new TRecordingDocument(7);
      }));
  ASSERT_EQ(all->GetDocuments().size(), 3u); // window, file, program: no service was given
  EXPECT_EQ(all->GetDocuments()[0], window);
  EXPECT_EQ(window->Loaded, 1);
  EXPECT_EQ(config.GetRoot()->FindChild(u"Logs")->FindChild(u"LogForm")->ChildCount(), 0);
  // The window takes it (7), the file too (1), the program has no program (-1).
  EXPECT_EQ(all->AddToLogW(lgGeneral, ltInformation, u"v=%d", {5}), 1);
  EXPECT_EQ(window->Received, std::vector<std::string>{"v=5"});
  EXPECT_TRUE(all->AddToLog(lgGeneral, ltInformation, "narrow", {}));
  TLogNode* node = all->AddNode(ltNone, "n", 3, 0);
  EXPECT_EQ(node->ID, 1);
  EXPECT_EQ(window->Nodes, std::vector<std::string>{"n/3/1"});
  const std::string exe = ExeName();
  EXPECT_TRUE(std::filesystem::exists(folder.Path / (exe.substr(0, exe.rfind('.')) + ".log")));
}

TEST(LogFile, NamesAndFolders) {
  EXPECT_EQ(LogFileName(u"/a/", u"my.tool.exe"), u"/a/my.tool.log");
  EXPECT_EQ(LogFileName(u"/a/", u"ZUProgramming"), u"/a/ZUProgramming.log");
  EXPECT_EQ(LogFileName(u"/Logs", u"prog"), u"/Logsprog.log"); // glued, as it stands
  EXPECT_EQ(LogFileName(u"", u"prog"), Utf8ToUtf16(ExeFolder()) + u"prog.log");
  TTempFolder folder;
  const std::string deep = (folder.Path / "a/b/c/").string();
  EXPECT_TRUE(ForceFolders(deep));
  EXPECT_TRUE(std::filesystem::is_directory(deep));
  EXPECT_TRUE(ForceFolders(""));
  WriteBytes(folder.File("plain"), "x");
  EXPECT_FALSE(ForceFolders((folder.Path / "plain/sub").string()));
}

TEST(LogFile, LinesCarryTimeLabelGroupAndMessage) {
  TTempFolder folder;
  const std::u16string file = folder.File("Logs/test.log");
  TOwned<TLogFileText> log(new TLogFileText(file)); // makes the folder
  EXPECT_TRUE(log->AddToLog(lgGeneral, ltInformation, "Программа запущена", {}));
  EXPECT_TRUE(log->AddToLog(lgDataBase, ltWarning, "w=%d", {TLogArg(2)}));
  EXPECT_TRUE(log->AddToLog(lgNone, ltNone, "none", {}));
  EXPECT_TRUE(log->AddToLog(lgUser, static_cast<TLogTypeMessage>(7), "odd", {}));
  EXPECT_TRUE(log->AddToLog(lgGeneral, ltError, "unfilled %d %s", {TLogArg(1)}));
  EXPECT_EQ(log->AddToLogW(lgSetup, ltError, u"wide %s", {TLogArg(u"ж")}), 1);
  EXPECT_EQ(Lines(file),
            (std::vector<std::string>{" INFO    Gen: Программа запущена", " WARNING DB: w=2",
                                      " Non: none", " UNCNOWN Usr: odd",
                                      " ERROR   Gen: unfilled %d %s", " ERROR   Set: wide ж"}));
}

TEST(LogFile, AFileAboveTheLimitMovesToItsOldCopy) {
  TTempFolder folder;
  const std::string file = (folder.Path / "r.log").string();
  for (const long long size : {LogFileLimit, LogFileLimit + 1}) {
    WriteBytes(Utf8ToUtf16(file), std::string(static_cast<std::size_t>(size), 'x'));
    WriteBytes(Utf8ToUtf16(file + ".old"), "older");
    ASSERT_TRUE(WriteLogLine(ltInformation, "next", file, file + ".old"));
    const std::string now = ReadBytes(Utf8ToUtf16(file));
    const std::string old = ReadBytes(Utf8ToUtf16(file + ".old"));
    if (size == LogFileLimit) {
      EXPECT_EQ(now.size(), static_cast<std::size_t>(size) + 23 + 15); // appended
      EXPECT_EQ(old, "older");
    } else {
      EXPECT_EQ(now.size(), 23u + 15u); // a new file with the one line
      EXPECT_EQ(old.size(), static_cast<std::size_t>(size));
    }
  }
  EXPECT_FALSE(WriteLogLine(ltInformation, "lost", (folder.Path / "none/x.log").string(), ""));
}

TEST(Program, SwitchesSingletonAndItsLog) {
  EXPECT_EQ(TProgram::GetProgram(), nullptr);
  TOwned<TLogProgram> relay(new TLogProgram);
  EXPECT_EQ(relay->AddToLogW(lgGeneral, ltError, u"x", {}), -1);
  EXPECT_FALSE(relay->AddToLog(lgGeneral, ltError, "x", {}));
  {
    TProgram program({"prog", "-console", "/Debug", "-NOSPLASH", "--teach", "silent"});
    EXPECT_EQ(TProgram::GetProgram(), &program);
    EXPECT_TRUE(program.ConsoleMode);
    EXPECT_TRUE(program.DebugMode);
    EXPECT_FALSE(program.ShowSplash);
    EXPECT_FALSE(program.TeachMode);
    EXPECT_FALSE(program.SilentMode);
    EXPECT_EQ(program.ExeFolder + program.ExeName, program.ExePath);
    EXPECT_EQ(relay->AddToLogW(lgGeneral, ltError, u"x", {}), -1); // no log yet
    auto* recorder = new TRecordingDocument(3);
    program.Log.reset(recorder);
    EXPECT_EQ(relay->AddToLogW(lgGeneral, ltError, u"p=%d", {9}), 3);
    EXPECT_TRUE(relay->AddToLog(lgGeneral, ltError, "q", {}));
    EXPECT_EQ(recorder->Received, (std::vector<std::string>{"p=9", "q"}));
  }
  EXPECT_EQ(TProgram::GetProgram(), nullptr);
}
