#include "support/NetTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QImage>

#include <arpa/inet.h>
#include <array>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <regex>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct TRun {
  int Code = -1;
  std::string Out; // standard output and standard error together
};

TRun RunCli(const std::string& arguments, const std::string& prefix = "") {
  TRun run;
  // The components' answers are kept in a folder of the suite's, never in the user's cache.
  static const TTempFolder cache;
  const std::string command = "XDG_CACHE_HOME=" + cache.Path.string() + " " + prefix +
                              std::string(ZU_CLI) + " " + arguments + " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe)
    return run;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    run.Out.append(buffer.data(), n);
  const int status = pclose(pipe);
  run.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

const std::string Data = ZU_TEST_DATA;

// What a shell command prints (both outputs, when it sends them there), and its status.
std::string ShellOutput(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = popen(("timeout 20 sh -c '" + command + "'").c_str(), "r");
  if (!pipe)
    return out;
  std::array<char, 4096> buffer{};
  while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
    out.append(buffer.data(), n);
  const int code = pclose(pipe);
  if (status)
    *status = code;
  return out;
}

} // namespace

TEST(Cli, CheckCountsModulesAtEveryDepth) {
  TRun run = RunCli("project check " + Data + "/nested-project.xml");
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_EQ(run.Out, "Project: Nested\n"
                     "Depth 1: 2 module(s)\n"
                     "Depth 2: 1 module(s)\n"
                     "Depth 3: 2 module(s)\n"
                     "Modules: 5\n"
                     "Deepest level: 3\n"
                     "Ports: 0\n");
}

TEST(Cli, CheckOfADamagedFilePrintsTheReasonAndFails) {
  TRun truncated = RunCli("project check " + Data + "/truncated-project.xml");
  EXPECT_EQ(truncated.Code, 1);
  EXPECT_NE(truncated.Out.find("Не найден закрывающий тег"), std::string::npos) << truncated.Out;
  TRun mismatched = RunCli("project check " + Data + "/mismatched-project.xml");
  EXPECT_EQ(mismatched.Code, 1);
  EXPECT_NE(mismatched.Out.find("не соответствует элементу \"Name\""), std::string::npos)
      << mismatched.Out;
}

TEST(Cli, AFileOrFolderThatIsNotWhatItShouldBeIsAFailure) {
  TTempFolder folder;
  const std::string page = (folder.Path / "page.xml").string();
  WriteBytes(Utf8ToUtf16(page), "<html><body>page</body></html>");
  const TRun check = RunCli("project check " + page);
  EXPECT_EQ(check.Code, 1) << check.Out;
  EXPECT_NE(check.Out.find("нет проекта: его корневой элемент — \"html\""), std::string::npos)
      << check.Out;
  EXPECT_EQ(check.Out.find("Modules:"), std::string::npos);
  const TRun components = RunCli("components /nonexistent");
  EXPECT_EQ(components.Code, 1);
  EXPECT_EQ(components.Out,
            "zu-cli: cannot read the folder \"/nonexistent\": No such file or directory\n");
}

TEST(Cli, ResaveAndRoundTripWriteTheSameTree) {
  TTempFolder folder;
  const std::string out = Utf16ToUtf8(folder.File("out.xml"));
  ASSERT_EQ(RunCli("project resave " + Data + "/nested-project.xml " + out).Code, 0);
  TRun again = RunCli("project check " + out);
  EXPECT_EQ(again.Code, 0);
  EXPECT_NE(again.Out.find("Modules: 5"), std::string::npos);
  const std::string copy = Utf16ToUtf8(folder.File("copy.xml"));
  ASSERT_EQ(RunCli("xml roundtrip " + out + " " + copy).Code, 0);
  EXPECT_EQ(ReadBytes(folder.File("copy.xml")), ReadBytes(folder.File("out.xml")));
  EXPECT_NE(ReadBytes(folder.File("out.xml")).find("<Name>\xC1</Name>"), std::string::npos);
}

TEST(Cli, WrongCommandLinesSayWhatIsWrongInOneLine) {
  const struct {
    const char* Arguments;
    const char* Said;
  } rows[] = {
      {"", "no command given"},
      {"project", "project needs a command: check, resave, render or run"},
      {"project frobnicate x", "project has no command \"frobnicate\""},
      {"project check", "project check takes one FILE"},
      {"project check a b", "project check takes one FILE"},
      {"project resave a", "project resave takes IN and OUT"},
      {"components a b", "components takes at most one FOLDER"},
      {"bogus", "unknown command \"bogus\""},
      {"--versions", "unknown command \"--versions\""},
  };
  for (const auto& row : rows) {
    const TRun run = RunCli(row.Arguments);
    EXPECT_EQ(run.Code, 2) << row.Arguments;
    EXPECT_EQ(run.Out, "zu-cli: " + std::string(row.Said) + "; see zu-cli --help\n")
        << row.Arguments;
  }
  TRun help = RunCli("--help");
  EXPECT_EQ(help.Code, 0);
  EXPECT_NE(help.Out.find("project check FILE"), std::string::npos);
  const TRun version = RunCli("--version");
  EXPECT_EQ(version.Code, 0);
  EXPECT_EQ(version.Out, "zu-cli (ZU Programming) " ZU_VERSION "\n");
  EXPECT_EQ(RunCli("project resave /nonexistent/in.xml /tmp/zu-never.xml").Code, 1);
}

TEST(Cli, AFileWithoutAnElementIsNotResavedAndSaveErrorsNameTheirCause) {
  TTempFolder folder;
  const std::string empty = Utf16ToUtf8(folder.File("empty.xml"));
  const std::string out = Utf16ToUtf8(folder.File("out.xml"));
  WriteBytes(folder.File("empty.xml"), "");
  WriteBytes(folder.File("out.xml"), "good");
  TRun run = RunCli("project resave " + empty + " " + out);
  EXPECT_EQ(run.Code, 1);
  EXPECT_NE(run.Out.find("нет ни одного элемента XML"), std::string::npos) << run.Out;
  EXPECT_EQ(ReadBytes(folder.File("out.xml")), "good");
  TRun missing = RunCli("project resave " + Data + "/nested-project.xml /nonexistent/zu/p.xml");
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Out.find("Ошибка записи файла \"/nonexistent/zu/p.xml\": No such file or "
                             "directory"),
            std::string::npos)
      << missing.Out;
}

TEST(Cli, ComponentsPrintsEveryReportAndEverySkippedFile) {
  TTempFolder folder;
  std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/Adder.so", folder.Path / "Adder.so");
  std::filesystem::copy_file(std::string(ZU_TEST_COMPONENTS) + "/test_no_info.so",
                             folder.Path / "NoInfo.so");
  TRun run = RunCli("components " + folder.Path.string());
  EXPECT_EQ(run.Code, 1);
  EXPECT_TRUE(run.Out.starts_with("== Математика ==\n============================================\n"
                                  "Name:        Adder\n"))
      << run.Out;
  EXPECT_TRUE(run.Out.ends_with("============================================\nSkipped " +
                                folder.Path.string() +
                                "/NoInfo.so: нет процедуры ZU_Plugin_Info\n"))
      << run.Out;
  std::filesystem::remove(folder.Path / "NoInfo.so");
  EXPECT_EQ(RunCli("components " + folder.Path.string()).Code, 0);
}

TEST(Cli, WhatComponentsPrintOrDoToTheOutputNeverReachesIt) {
  TTempFolder folder;
  std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/Adder.so", folder.Path / "Adder.so");
  for (const char* name : {"noisy", "silences"})
    std::filesystem::copy_file(std::string(ZU_TEST_COMPONENTS) + "/test_" + name + ".so",
                               folder.Path / (std::string(name) + ".so"));
  TRun run = RunCli("components " + folder.Path.string());
  EXPECT_EQ(run.Code, 0);
  EXPECT_LT(run.Out.size(), 10000u); // not the 10 MB the noisy one writes
  EXPECT_EQ(run.Out.find("NNNN"), std::string::npos);
  EXPECT_EQ(run.Out.find("noisy:"), std::string::npos);
  for (const char* name :
       {"Name:        Adder\n", "Name:        Noisy\n", "Name:        Silences\n"})
    EXPECT_NE(run.Out.find(name), std::string::npos) << name;
  EXPECT_TRUE(run.Out.ends_with("============================================\n")) << run.Out;
}

TEST(Cli, AnOutputThatCannotBeWrittenIsAFailure) {
  const std::string command = std::string(ZU_CLI) + " --help > /dev/full 2>/dev/null";
  const int status = std::system(command.c_str());
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
}

TEST(Cli, RenderDrawsTheProjectWithoutAWindow) {
  TTempFolder folder;
  const std::string png = (folder.Path / "n.png").string();
  EXPECT_EQ(RunCli("project render " + Data + "/nested-project.xml " + png).Code, 0);
  EXPECT_TRUE(ReadBytes(Utf8ToUtf16(png)).starts_with("\x89PNG"));
  const std::string svg = (folder.Path / "n.svg").string();
  EXPECT_EQ(RunCli("project render " + Data + "/nested-project.xml " + svg).Code, 0);
  EXPECT_NE(ReadBytes(Utf8ToUtf16(svg)).find("<svg"), std::string::npos);
  // With no display at all and no platform chosen.
  const std::string headless = (folder.Path / "headless.png").string();
  EXPECT_EQ(RunCli("project render " + Data + "/nested-project.xml " + headless,
                   "env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY ")
                .Code,
            0);
  EXPECT_TRUE(ReadBytes(Utf8ToUtf16(headless)).starts_with("\x89PNG"));
  TRun bad =
      RunCli("project render " + Data + "/nested-project.xml " + (folder.Path / "n.gif").string());
  EXPECT_EQ(bad.Code, 1);
  EXPECT_NE(bad.Out.find("gif"), std::string::npos);
}

TEST(Cli, CheckCountsLinksAndNamesEveryOneThatDoesNotResolve) {
  TTempFolder folder;
  const std::string adder = std::string(ZU_SAMPLES) + "/Adder.so";
  auto module = [&](int i, const char* name) {
    return "<Module" + std::to_string(i) + "><Name>" + name + "</Name><Type>" + adder +
           "</Type></Module" + std::to_string(i) + ">";
  };
  auto link = [](int i, const char* from, const char* output, const char* to, const char* input) {
    const std::string n = std::to_string(i);
    return "<Link" + n + "><From>" + from + "</From><Output>" + output + "</Output><To>" + to +
           "</To><Input>" + input + "</Input></Link" + n + ">";
  };
  const std::string project =
      "<Kven_ZU_Programming_Project><Name>Linked</Name><ModuleMain><Name>Main</Name><Modules>"
      "<Count>3</Count>" +
      module(0, "Adder1") + module(1, "Adder2") + module(2, "Adder3") +
      "</Modules><Links><Count>4</Count>" + link(0, "0", "Sum", "1", "A") +
      link(1, "1", "Total", "2", "A") + link(2, "7", "Sum", "2", "B") +
      link(3, "0", "Sum", "2", "C") + "</Links></ModuleMain></Kven_ZU_Programming_Project>";
  const std::string file = (folder.Path / "linked.xml").string();
  WriteBytes(Utf8ToUtf16(file), project);
  TRun run = RunCli("project check " + file);
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_EQ(run.Out, "Project: Linked\n"
                     "Depth 1: 3 module(s)\n"
                     "Modules: 3\n"
                     "Deepest level: 1\n"
                     "Ports: 0\n"
                     "Links of Main: 4\n"
                     "Link 1 of Main: no output \"Total\" on module 1 (Adder2)\n"
                     "Link 2 of Main: no module \"7\" at the output's end\n"
                     "Link 3 of Main: no input \"C\" on module 2 (Adder3)\n");
  // Links no edit could make: to itself, a second into one input, one closing a cycle.
  const std::string unlawful =
      "<Kven_ZU_Programming_Project><Name>Linked</Name><ModuleMain><Name>Main</Name><Modules>"
      "<Count>3</Count>" +
      module(0, "Adder1") + module(1, "Adder2") + module(2, "Adder3") +
      "</Modules><Links><Count>5</Count>" + link(0, "0", "Sum", "1", "A") +
      link(1, "1", "Sum", "2", "A") + link(2, "2", "Sum", "2", "B") +
      link(3, "0", "Sum", "2", "A") + link(4, "2", "Sum", "0", "A") +
      "</Links></ModuleMain></Kven_ZU_Programming_Project>";
  WriteBytes(Utf8ToUtf16(file), unlawful);
  run = RunCli("project check " + file);
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_TRUE(
      run.Out.ends_with("Links of Main: 5\n"
                        "Link 2 of Main: links module 2 (Adder3) to itself\n"
                        "Link 3 of Main: is a second link into input \"A\" of module 2 (Adder3)\n"
                        "Link 4 of Main: closes a cycle through module 0 (Adder1)\n"))
      << run.Out;
  // The good links alone: no complaint.
  const std::string good =
      "<Kven_ZU_Programming_Project><Name>Linked</Name><ModuleMain><Name>Main</Name><Modules>"
      "<Count>2</Count>" +
      module(0, "Adder1") + module(1, "Adder2") + "</Modules><Links><Count>1</Count>" +
      link(0, "0", "Sum", "1", "A") + "</Links></ModuleMain></Kven_ZU_Programming_Project>";
  WriteBytes(Utf8ToUtf16(file), good);
  run = RunCli("project check " + file);
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_TRUE(run.Out.ends_with("Links of Main: 1\n")) << run.Out;
  // And its picture shows the link in the outputs' colour.
  const std::string png = (folder.Path / "linked.png").string();
  EXPECT_EQ(RunCli("project render " + file + " " + png).Code, 0);
  EXPECT_TRUE(ReadBytes(Utf8ToUtf16(png)).starts_with("\x89PNG"));
}

TEST(Cli, RenderRoutesALinkAroundTheBoxBetweenItsEnds) {
  // A row of three adders, the first linked to the last: the link goes around the middle one.
  TTempFolder folder;
  const std::string adder = std::string(ZU_SAMPLES) + "/Adder.so";
  auto module = [&](int i, int x) {
    const std::string n = std::to_string(i);
    return "<Module" + n + "><Name>Adder" + n + "</Name><Type>" + adder + "</Type><PositionX>" +
           std::to_string(x) +
           "</PositionX><PositionY>200</PositionY><Width>100</Width><Height>80</Height></Module" +
           n + ">";
  };
  const std::string project =
      "<Kven_ZU_Programming_Project><Name>Row</Name><ModuleMain><Name>Main</Name><Modules>"
      "<Count>3</Count>" +
      module(0, 100) + module(1, 300) + module(2, 500) +
      "</Modules><Links><Count>1</Count><Link0><From>0</From><Output>Sum</Output><To>2</To>"
      "<Input>A</Input></Link0></Links></ModuleMain></Kven_ZU_Programming_Project>";
  const std::string file = (folder.Path / "row.zuproj").string();
  WriteBytes(Utf8ToUtf16(file), project);
  const std::string png = (folder.Path / "row.png").string();
  ASSERT_EQ(RunCli("project render " + file + " " + png).Code, 0);
  const QImage picture(QString::fromStdString(png));
  ASSERT_FALSE(picture.isNull());
  const QColor blue(0, 0, 255);
  // Nothing of the link inside the middle box (250..350 x 160..240), its marks aside.
  int inside = 0, around = 0;
  for (int y = 162; y <= 238; ++y)
    for (int x = 257; x <= 343; ++x)
      inside += picture.pixelColor(x, y) == blue ? 1 : 0;
  for (int y = 0; y < picture.height(); ++y)
    if (y < 160 || y > 240)
      around += picture.pixelColor(300, y) == blue ? 1 : 0;
  EXPECT_EQ(inside, 0);
  EXPECT_GT(around, 0); // it passes above or below
}

TEST(Cli, RenderDrawsTheLevelItIsGiven) {
  TTempFolder folder;
  auto render = [&](const std::string& name, const std::string& level) {
    const std::string png = (folder.Path / name).string();
    TRun run = RunCli("project render " + Data + "/nested-project.xml " + png +
                      (level.empty() ? "" : " --level " + level));
    return std::make_pair(run, run.Code == 0 ? ReadBytes(Utf8ToUtf16(png)) : std::string());
  };
  const auto [main, mainPicture] = render("main.png", "");
  const auto [inner, innerPicture] = render("inner.png", "A/A1");
  const auto [named, namedPicture] = render("named.png", "Main/A/A1");
  ASSERT_EQ(main.Code, 0);
  ASSERT_EQ(inner.Code, 0) << inner.Out;
  EXPECT_TRUE(innerPicture.starts_with("\x89PNG"));
  EXPECT_NE(innerPicture, mainPicture);
  EXPECT_EQ(namedPicture, innerPicture);
  // Empty steps (a doubled or a leading '/') are no steps.
  const auto [loose, loosePicture] = render("loose.png", "/A//A1/");
  EXPECT_EQ(loose.Code, 0) << loose.Out;
  EXPECT_EQ(loosePicture, innerPicture);
  const auto [missing, none] = render("missing.png", "A/B");
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Out.find("no level A/B"), std::string::npos) << missing.Out;
  EXPECT_FALSE(std::filesystem::exists(folder.Path / "missing.png"));
}

namespace {

// A project of the samples beside the program: a ramp generator of 4 ticks feeding an adder.
std::string RampProject(const TTempFolder& folder, const std::string& adderB = "0.5") {
  const std::string file = (folder.Path / "ramp.xml").string();
  const std::string bin = std::string(ZU_SAMPLES) + "/";
  WriteBytes(
      Utf8ToUtf16(file),
      "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n<Kven_ZU_Programming_Project>"
      "<Name>Ramp</Name><ModuleMain><Name>Main</Name><Modules><Count>2</Count>"
      "<Module0><Name>Gen</Name><Type>" +
          bin +
          "SignalGenerator.so</Type><Inputs>"
          "<Count>2</Count><Input0><Name>Period</Name><Value>4</Value></Input0><Input1><Name>"
          "Waveform</Name><Value>3</Value></Input1></Inputs></Module0>"
          "<Module1><Name>Add, 1</Name><Type>" +
          bin +
          "Adder.so</Type><Inputs><Count>1</Count>"
          "<Input0><Name>B</Name><Value>" +
          adderB +
          "</Value></Input0></Inputs></Module1>"
          "</Modules><Links><Count>1</Count><Link0><From>0</From><Output>Signal</Output>"
          "<To>1</To><Input>A</Input></Link0></Links></ModuleMain>"
          "</Kven_ZU_Programming_Project>\n");
  return file;
}

} // namespace

TEST(Cli, RunPrintsTheWatchedValuesOfEveryTickOrWritesThemAsCsv) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  const std::string file = RampProject(folder);
  TRun run = RunCli("project run " + file +
                        " --ticks 5 --rate 0 --watch 'Add, 1.Sum' --watch 'Add, 1.B' --watch "
                        "'Add, 1.A'",
                    prefix);
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_EQ(run.Out, "tick\tAdd, 1.Sum\tAdd, 1.B\tAdd, 1.A\n"
                     "1\t0.5\t0.5\t0\n"
                     "2\t0.75\t0.5\t0.25\n"
                     "3\t1\t0.5\t0.5\n"
                     "4\t1.25\t0.5\t0.75\n"
                     "5\t0.5\t0.5\t0\n"
                     "zu-cli: 5 tick(s) of 2 module(s)\n");
  const std::string csv = (folder.Path / "out.csv").string();
  run = RunCli("project run " + file + " --ticks 2 --rate 1000 --watch 'Add, 1.Sum' --csv " + csv,
               prefix);
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(csv)), "tick,\"Add, 1.Sum\"\r\n1,0.5\r\n2,0.75\r\n");
  // The cache went to the cache home given.
  EXPECT_TRUE(std::filesystem::exists(folder.Path / "zu-programming" / "components.cache"));
}

TEST(Cli, RunSaysWhatIsWrongWithItsCommandLineOrTheProject) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  const std::string file = RampProject(folder);
  const struct {
    std::string Arguments;
    int Code;
    std::string Said;
  } rows[] = {
      {"--ticks 1 --watch Nobody.Sum", 2, "zu-cli: no module \"Nobody\" runs in the project\n"},
      {"--ticks 1 --watch Gen.Nothing", 2,
       "zu-cli: module \"Gen\" has no parameter \"Nothing\" with a value\n"},
      {"--ticks 1 --watch Gen", 2, "zu-cli: --watch takes MODULE.PARAM, not \"Gen\"\n"},
      {"--ticks -1", 2,
       "zu-cli: --ticks takes a whole number of at least 0, not \"-1\"; see zu-cli --help\n"},
      {"--rate x", 2,
       "zu-cli: --rate takes a number from 0 to 1000000, not \"x\"; see zu-cli --help\n"},
      {"--rate 1000001", 2, "zu-cli: --rate takes a number from 0 to 1000000, not \"1000001\""},
      {"--bogus 1", 2, "zu-cli: project run has no option \"--bogus\"; see zu-cli --help\n"},
      // A million per second is the fastest pace asked for by number: taken, the watch refused.
      {"--rate 1e6 --watch Gen.Nothing", 2,
       "zu-cli: module \"Gen\" has no parameter \"Nothing\" with a value\n"},
      {"--ticks", 2, "zu-cli: --ticks needs a value; see zu-cli --help\n"},
      {"--rate 0.0000001", 2,
       "zu-cli: --rate 0.0000001 is below the slowest pace, 0.000001 per second"},
      {"--ticks 1 --csv " + file, 2, "zu-cli: --csv \"" + file + "\" is the project itself\n"},
  };
  for (const auto& row : rows) {
    const TRun run = RunCli("project run " + file + " " + row.Arguments, prefix);
    EXPECT_EQ(run.Code, row.Code) << row.Arguments;
    EXPECT_TRUE(run.Out.starts_with(row.Said)) << row.Arguments << ": " << run.Out;
  }
  // The project is untouched by the refused output.
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(file)).find("tick"), std::string::npos);
  const TRun missing = RunCli("project run " + (folder.Path / "none.xml").string(), prefix);
  EXPECT_EQ(missing.Code, 1);
  EXPECT_NE(missing.Out.find("cannot load the project"), std::string::npos) << missing.Out;
}

TEST(Cli, UntilEndsAtTheFirstTickItsConditionHoldsOrSaysItNeverDid) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  const std::string file = RampProject(folder);
  // The sum runs 0.5, 0.75, 1, 1.25, 0.5, ... (the ramp of period 4 plus 0.5).
  const struct {
    std::string Condition;
    int Code;
    std::string Rows;
    int Ticks;
  } rows[] = {
      {"Add, 1.Sum > 0.9", 0, "1\t0.5\n2\t0.75\n3\t1\n", 3},
      {"Add, 1.Sum >= 1.25", 0, "1\t0.5\n2\t0.75\n3\t1\n4\t1.25\n", 4},
      // "and" binds before "or": the first alternative holds at tick 2.
      {"Add, 1.Sum == 0.75 or Add, 1.Sum > 1 and Gen.Signal < 0", 0, "1\t0.5\n2\t0.75\n", 2},
      {"Add, 1.A = 0.5 and Add, 1.B != 0.5", 3, "1\t0.5\n2\t0.75\n3\t1\n4\t1.25\n5\t0.5\n", 5},
      // A typed value holds from the first tick.
      {"Add, 1.B <= 0.5", 0, "1\t0.5\n", 1},
  };
  for (const auto& row : rows) {
    const TRun run =
        RunCli("project run " + file + " --ticks 5 --rate 0 --watch 'Add, 1.Sum' --until '" +
                   row.Condition + "'",
               prefix);
    EXPECT_EQ(run.Code, row.Code) << row.Condition;
    const std::string ticks = std::to_string(row.Ticks);
    const std::string end = row.Code == 0 ? "zu-cli: \"" + row.Condition + "\" held at tick " +
                                                ticks + "\n" + ticks + "\n"
                                          : "zu-cli: \"" + row.Condition + "\" did not hold\n";
    EXPECT_EQ(run.Out, "tick\tAdd, 1.Sum\n" + row.Rows + "zu-cli: " + ticks +
                           " tick(s) of 2 module(s)\n" + end)
        << row.Condition;
  }
  const struct {
    std::string Condition;
    std::string Said;
  } wrong[] = {
      {"Add, 1.Sum",
       "zu-cli: --until \"Add, 1.Sum\": expected one of < <= > >= == != at column 11"},
      {"Sum > 1", "zu-cli: --until \"Sum > 1\": expected MODULE.PARAM at column 1"},
      {"Add, 1.Sum > x", "expected a number at column 14"},
      {"Add, 1.Sum > 1 but", "expected \"and\", \"or\" or the end at column 16"},
      {"Nobody.X > 1", "zu-cli: no module \"Nobody\" runs in the project"},
  };
  for (const auto& row : wrong) {
    const TRun run = RunCli(
        "project run " + file + " --ticks 5 --rate 0 --until '" + row.Condition + "'", prefix);
    EXPECT_EQ(run.Code, 2) << row.Condition;
    EXPECT_NE(run.Out.find(row.Said), std::string::npos) << run.Out;
  }
}

TEST(Cli, StatsTellTheTicksTheRateAndTheLateness) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  const std::string file = RampProject(folder);
  const TRun run = RunCli("project run " + file + " --ticks 20 --rate 100 --stats", prefix);
  EXPECT_EQ(run.Code, 0) << run.Out;
  const std::regex figures("zu-cli: ticks 20, rate ([0-9.]+) per second, late ticks ([0-9]+) of "
                           "19, lateness p50 ([0-9.]+) ms, p99 ([0-9.]+) ms, max ([0-9.]+) ms\n");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(run.Out, m, figures)) << run.Out;
  // 20 ticks 10 ms apart take 190 ms from the first: about 105 per second, never above.
  const double rate = std::stod(m[1]);
  EXPECT_GT(rate, 50);
  EXPECT_LE(rate, 106);
  EXPECT_LE(std::stod(m[3]), std::stod(m[4]));
  EXPECT_LE(std::stod(m[4]), std::stod(m[5]));
  // As fast as possible no tick has a deadline to be late for.
  const TRun fast = RunCli("project run " + file + " --ticks 50 --rate 0 --stats", prefix);
  EXPECT_EQ(fast.Code, 0) << fast.Out;
  EXPECT_NE(
      fast.Out.find(", late ticks 0 of 0, lateness p50 0.000 ms, p99 0.000 ms, max 0.000 ms\n"),
      std::string::npos)
      << fast.Out;
}

TEST(Cli, RunEndsWithTheMessageOfAModuleThatFailed) {
  TTempFolder folder;
  std::filesystem::copy_file(std::string(ZU_TEST_COMPONENTS) + "/test_misbehaves.so",
                             folder.Path / "M.so");
  const std::string file = (folder.Path / "m.xml").string();
  WriteBytes(Utf8ToUtf16(file),
             "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n<Kven_ZU_Programming_Project>"
             "<Name>M</Name><ModuleMain><Name>Main</Name><Modules><Count>1</Count><Module0>"
             "<Name>Box</Name><Modules><Count>1</Count><Module0><Name>M</Name><Type>" +
                 (folder.Path / "M.so").string() +
                 "</Type></Module0></Modules></Module0></Modules></ModuleMain>"
                 "</Kven_ZU_Programming_Project>\n");
  // The module sits below "Box": messages and watches name it by its path. A host that leaves
  // its channel and blocks, or ends while its child holds the channel, ends the run too.
  const struct {
    const char* Misbehave;
    std::string Said;
  } rows[] = {
      {"fail 3", "Модуль «Box/M», такт 3: ошибка шага: sensor lost at step 3"},
      {"closeblock 3", "Модуль «Box/M», такт 3: процесс компонентов закрыл канал и не завершился "
                       "за 1000 мс; он остановлен"},
      {"orphan 3", "Модуль «Box/M», такт 3: процесс компонентов завершился с кодом 7"},
  };
  for (const auto& row : rows) {
    const TRun run = RunCli(
        "project run " + file + " --rate 0 --ticks 10 --watch Box/M.Y " + "--components " +
            folder.Path.string(),
        "ZU_TEST_MISBEHAVE='" + std::string(row.Misbehave) +
            "' ZU_TEST_PID_FILE=/dev/null XDG_CACHE_HOME=" + folder.Path.string() + " timeout 20 ");
    EXPECT_EQ(run.Code, 1) << row.Misbehave;
    EXPECT_EQ(run.Out, "tick\tBox/M.Y\n1\t1\n2\t1\nzu-cli: " + row.Said + "\n") << row.Misbehave;
  }
}

namespace {

// Shell words that wait (up to 5 s) until the process $pid catches the signal: a signal sent
// before it set its handler would meet the one a background job starts with (ignored).
std::string WhenCatching(int signal) {
  return "for i in $(seq 500); do m=$(grep SigCgt /proc/$pid/status 2>/dev/null | cut -f2); "
         "[ -n \"$m\" ] && [ $(( 0x$m >> " +
         std::to_string(signal - 1) + " & 1 )) = 1 ] && break; sleep 0.01; done; ";
}

} // namespace

TEST(Cli, ASlowPaceIsKeptNotRunAsFastAsPossible) {
  TTempFolder folder;
  const std::string file = RampProject(folder);
  // Once in 2 500 s: the first tick at once, the second not within the half second given.
  const std::string command = "XDG_CACHE_HOME=" + folder.Path.string() + " " + std::string(ZU_CLI) +
                              " project run " + file + " --rate 0.0004 2>&1 & pid=$!; " +
                              WhenCatching(SIGINT) + "sleep 0.5; kill -INT $pid; wait $pid";
  EXPECT_EQ(ShellOutput(command), "zu-cli: 1 tick(s) of 2 module(s)\n");
}

TEST(Cli, AnInterruptedRunStopsAndSaysHowFarItCame) {
  TTempFolder folder;
  const std::string file = RampProject(folder);
  for (const char* signal : {"INT", "TERM"}) {
    const std::string command = "XDG_CACHE_HOME=" + folder.Path.string() + " " +
                                std::string(ZU_CLI) + " project run " + file +
                                " --rate 100 2>&1 & pid=$!; " +
                                WhenCatching(std::string(signal) == "INT" ? SIGINT : SIGTERM) +
                                "sleep 0.5; kill -" + signal + " $pid; wait $pid";
    int status = -1;
    const std::string out = ShellOutput(command, &status);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << signal << ": " << out;
    EXPECT_TRUE(out.starts_with("zu-cli: ") && out.ends_with(" tick(s) of 2 module(s)\n"))
        << signal << ": " << out;
    EXPECT_NE(out, "zu-cli: 0 tick(s) of 2 module(s)\n") << signal;
  }
}

TEST(Cli, ControlCharactersFromFilesArePrintedEscapedSoNoRowCanBeForged) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  // A typed value with a tab, a line feed, an escape and a backslash in it: no number, so the run
  // is refused naming module and input, the value escaped.
  const std::string file = RampProject(folder, "1&#9;2&#10;3&#27;[31m\\");
  const TRun run = RunCli("project run " + file + " --ticks 1 --rate 0 --watch 'Add, 1.B'", prefix);
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_EQ(run.Out, "zu-cli: Модуль «Add, 1», вход «B»: «1\\t2\\n3\\x1b[31m\\\\» — не число "
                     "(double)\n");
  // The same in a project's name.
  const std::string named = (folder.Path / "named.xml").string();
  WriteBytes(Utf8ToUtf16(named), "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n"
                                 "<Kven_ZU_Programming_Project><Name>P&#10;Modules: 99</Name>"
                                 "<ModuleMain><Name>Main</Name></ModuleMain>"
                                 "</Kven_ZU_Programming_Project>\n");
  const TRun check = RunCli("project check " + named, prefix);
  EXPECT_TRUE(check.Out.starts_with("Project: P\\nModules: 99\n")) << check.Out;
}

namespace {

// A generator's ramp (0, 0.25, 0.5, 0.75, ...) through a subsystem "Filter" that adds 10 (its
// input port "In", an adder, its output port "Out") into a recorder; `more` goes into Filter's
// level after its links, `main` after the main level's links.
std::string FilterProject(const TTempFolder& folder, const std::string& more = "",
                          const std::string& mainMore = "", const std::string& gain = "10") {
  const std::string file = (folder.Path / "filter.zuproj").string();
  const std::string bin = std::string(ZU_SAMPLES) + "/";
  WriteBytes(Utf8ToUtf16(file),
             "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n<Kven_ZU_Programming_Project>"
             "<Name>Filtered</Name><ModuleMain><Name>Main</Name><Modules><Count>3</Count>"
             "<Module0><Name>Gen1</Name><Type>" +
                 bin +
                 "SignalGenerator.so</Type><Inputs><Count>2</Count><Input0><Name>Period</Name>"
                 "<Value>4</Value></Input0><Input1><Name>Waveform</Name><Value>3</Value></Input1>"
                 "</Inputs></Module0>"
                 "<Module1><Name>Filter</Name><Modules><Count>3</Count>"
                 "<Module0><Name>In</Name><Type>@input</Type></Module0>"
                 "<Module1><Name>Add</Name><Type>" +
                 bin + "Adder.so</Type><Inputs><Count>1</Count><Input0><Name>B</Name><Value>" +
                 gain +
                 "</Value></Input0></Inputs></Module1>"
                 "<Module2><Name>Out</Name><Type>@output</Type></Module2></Modules>"
                 "<Links><Count>2</Count><Link0><From>0</From><Output>Value</Output><To>1</To>"
                 "<Input>A</Input></Link0><Link1><From>1</From><Output>Sum</Output><To>2</To>"
                 "<Input>Value</Input></Link1></Links>" +
                 more +
                 "</Module1>"
                 "<Module2><Name>Rec1</Name><Type>" +
                 bin +
                 "Recorder.so</Type></Module2></Modules>"
                 "<Links><Count>2</Count><Link0><From>0</From><Output>Signal</Output><To>1</To>"
                 "<Input>In</Input></Link0><Link1><From>1</From><Output>Out</Output><To>2</To>"
                 "<Input>Value</Input></Link1></Links>" +
                 mainMore + "</ModuleMain></Kven_ZU_Programming_Project>\n");
  return file;
}

} // namespace

TEST(Cli, ARunFlattensSubsystemsAValueLeavesAPortInTheTickItEnters) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  const std::string file = FilterProject(folder);
  const TRun run = RunCli("project run " + file +
                              " --ticks 4 --rate 0 --watch Gen1.Signal --watch Filter/Add.Sum "
                              "--watch Filter.Out --watch Rec1.Last --watch Filter/In.Value",
                          prefix);
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_EQ(run.Out, "tick\tGen1.Signal\tFilter/Add.Sum\tFilter.Out\tRec1.Last\tFilter/In.Value\n"
                     "1\t0\t10\t10\t10\t0\n"
                     "2\t0.25\t10.25\t10.25\t10.25\t0.25\n"
                     "3\t0.5\t10.5\t10.5\t10.5\t0.5\n"
                     "4\t0.75\t10.75\t10.75\t10.75\t0.75\n"
                     "zu-cli: 4 tick(s) of 3 module(s)\n");
}

TEST(Cli, AnUnlinkedPortTakesTheValueTypedForItOnTheSubsystem) {
  TTempFolder folder;
  const std::string prefix = "XDG_CACHE_HOME=" + folder.Path.string() + " ";
  // Without the link into its port "In", the subsystem's own value for "In" enters.
  std::string text = ReadBytes(Utf8ToUtf16(FilterProject(folder)));
  const std::string links = "<Links><Count>2</Count><Link0><From>0</From><Output>Signal</Output>"
                            "<To>1</To><Input>In</Input></Link0><Link1>";
  ASSERT_NE(text.find(links), std::string::npos);
  text.replace(text.find(links), links.size(), "<Links><Count>1</Count><Link0>");
  text.replace(text.rfind("</Link1></Links>"), 16, "</Link0></Links>");
  text.insert(text.find("</Module1><Module2><Name>Rec1"),
              "<Inputs><Count>1</Count><Input0><Name>In</Name><Value>5</Value></Input0></Inputs>");
  const std::string file = (folder.Path / "unlinked.zuproj").string();
  WriteBytes(Utf8ToUtf16(file), text);
  const TRun run = RunCli("project run " + file + " --ticks 1 --rate 0 --watch Rec1.Last", prefix);
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_EQ(run.Out, "tick\tRec1.Last\n1\t15\nzu-cli: 1 tick(s) of 3 module(s)\n");
}

TEST(Cli, ACycleThroughASubsystemIsRefusedNamingTheModuleOnIt) {
  TTempFolder folder;
  // Filter.Out back into Gen1.Amplitude: Gen1 → Filter → Gen1.
  const std::string file = FilterProject(folder, "", "");
  std::string text = ReadBytes(Utf8ToUtf16(file));
  const std::string links = "<Links><Count>2</Count><Link0><From>0</From><Output>Signal</Output>";
  text.replace(text.find(links), links.size(),
               "<Links><Count>3</Count><Link2><From>1</From><Output>Out</Output><To>0</To>"
               "<Input>Amplitude</Input></Link2><Link0><From>0</From><Output>Signal</Output>");
  WriteBytes(Utf8ToUtf16(file), text);
  const TRun run = RunCli("project run " + file + " --ticks 1 --rate 0");
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_NE(run.Out.find("Связи образуют цикл через модуль «"), std::string::npos) << run.Out;
  // The check names it too.
  const TRun check = RunCli("project check " + file);
  EXPECT_EQ(check.Code, 1) << check.Out;
  EXPECT_NE(check.Out.find("closes a cycle"), std::string::npos) << check.Out;
}

TEST(Cli, CheckCountsPortsAndNamesLinksToMissingPortsDuplicateNamesAndBadValues) {
  TTempFolder folder;
  const std::string good = FilterProject(folder);
  TRun run = RunCli("project check " + good);
  EXPECT_EQ(run.Code, 0) << run.Out;
  EXPECT_NE(run.Out.find("Ports: 2\n"), std::string::npos) << run.Out;
  // A link to a port the subsystem does not have, two modules of one name, a value that is no
  // number: each named, and the check fails.
  std::string text = ReadBytes(Utf8ToUtf16(good));
  text.replace(text.find("<Input>In</Input>"), 17, "<Input>Gain</Input>");
  text.replace(text.find("<Name>Rec1</Name>"), 17, "<Name>Gen1</Name>");
  text.replace(text.find("<Value>10</Value>"), 17, "<Value>ten</Value>");
  const std::string bad = (folder.Path / "bad.zuproj").string();
  WriteBytes(Utf8ToUtf16(bad), text);
  run = RunCli("project check " + bad);
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_NE(run.Out.find("Link 0 of Main: no input \"Gain\" on module 1 (Filter)"),
            std::string::npos)
      << run.Out;
  EXPECT_NE(run.Out.find("Name \"Gen1\" of Main: modules 0, 2"), std::string::npos) << run.Out;
  EXPECT_NE(run.Out.find("Value of input \"B\" of Main ▸ Filter ▸ Add: «ten» — не число"),
            std::string::npos)
      << run.Out;
  // A run refuses the value, naming module and input.
  const std::string valueOnly = (folder.Path / "value.zuproj").string();
  WriteBytes(Utf8ToUtf16(valueOnly), ReadBytes(Utf8ToUtf16(FilterProject(folder, "", "", "ten"))));
  run = RunCli("project run " + valueOnly + " --ticks 1 --rate 0");
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_EQ(run.Out, "zu-cli: Модуль «Filter/Add», вход «B»: «ten» — не число (double)\n");
}

TEST(Cli, CheckNamesWatchesOfMissingOutputsAndBreakConditionsThatReadAsNone) {
  TTempFolder folder;
  std::string text = ReadBytes(Utf8ToUtf16(RampProject(folder)));
  // Gen watches its Signal (good) and a Noise it does not have; one break condition is good.
  text.replace(
      text.find("</Inputs></Module0>"), 19,
      "</Inputs><Watches><Count>2</Count><Watch0><Output>Signal</Output><Plot>0</Plot>"
      "</Watch0><Watch1><Output>Noise</Output><Plot>1</Plot></Watch1></Watches></Module0>");
  text.replace(text.find("</Kven_ZU_Programming_Project>"), 30,
               "<Breaks><Count>2</Count><Break0><Condition>Gen.Signal &gt; 0.5</Condition></Break0>"
               "<Break1><Condition>Gen.Signal &gt;&gt; 1</Condition></Break1></Breaks>"
               "</Kven_ZU_Programming_Project>");
  const std::string file = (folder.Path / "watched.zuproj").string();
  WriteBytes(Utf8ToUtf16(file), text);
  const TRun run = RunCli("project check " + file);
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_NE(run.Out.find("Watch of Main ▸ Gen: no output \"Noise\"\n"), std::string::npos)
      << run.Out;
  EXPECT_EQ(run.Out.find("Watch of Main ▸ Gen: no output \"Signal\""), std::string::npos);
  EXPECT_NE(run.Out.find("Break condition \"Gen.Signal >> 1\": expected one of < <= > >= == != "
                         "at column 12\n"),
            std::string::npos)
      << run.Out;
  EXPECT_EQ(run.Out.find("Break condition \"Gen.Signal > 0.5\""), std::string::npos);
}

TEST(Cli, PortsThatFeedThemselvesAreACycleARunRefuses) {
  // A subsystem whose inside passes its input to its output, its output linked back to its input
  // at the level above: what the recorder gets would come from nowhere.
  TTempFolder folder;
  const std::string file = (folder.Path / "loop.zuproj").string();
  const std::string bin = std::string(ZU_SAMPLES) + "/";
  WriteBytes(Utf8ToUtf16(file),
             "<?xml version=\"1.0\" encoding=\"Windows-1251\" ?>\n<Kven_ZU_Programming_Project>"
             "<Name>Loop</Name><ModuleMain><Name>Main</Name><Modules><Count>2</Count>"
             "<Module0><Name>Ring</Name><Modules><Count>2</Count>"
             "<Module0><Name>In</Name><Type>@input</Type></Module0>"
             "<Module1><Name>Out</Name><Type>@output</Type></Module1></Modules>"
             "<Links><Count>1</Count><Link0><From>0</From><Output>Value</Output><To>1</To>"
             "<Input>Value</Input></Link0></Links></Module0>"
             "<Module1><Name>Rec1</Name><Type>" +
                 bin +
                 "Recorder.so</Type></Module1></Modules>"
                 "<Links><Count>2</Count><Link0><From>0</From><Output>Out</Output><To>0</To>"
                 "<Input>In</Input></Link0><Link1><From>0</From><Output>Out</Output><To>1</To>"
                 "<Input>Value</Input></Link1></Links></ModuleMain>"
                 "</Kven_ZU_Programming_Project>\n");
  const TRun run = RunCli("project run " + file + " --ticks 1 --rate 0");
  EXPECT_EQ(run.Code, 1) << run.Out;
  EXPECT_NE(run.Out.find("Связи образуют цикл через модуль «Ring"), std::string::npos) << run.Out;
}

TEST(Cli, TheTwoMachinesExampleExchangesValuesThroughOneBroker) {
  if (access("/usr/sbin/mosquitto", X_OK) != 0)
    GTEST_SKIP() << "no MQTT broker installed";
  // The example's two projects, as its page tells to run them, with a broker of the test's own.
  TTempFolder folder;
  const std::string port = std::to_string(FreePort());
  for (const char* name : {"Publisher.zuproj", "Subscriber.zuproj"}) {
    std::string text = ReadBytes(Utf8ToUtf16(Data + "/../../DOC/Examples/" + name));
    const std::string standard = "<Value>1883</Value>";
    ASSERT_NE(text.find(standard), std::string::npos) << name;
    text.replace(text.find(standard), standard.size(), "<Value>" + port + "</Value>");
    WriteBytes(Utf8ToUtf16((folder.Path / name).string()), text);
  }
  const std::string cli = "XDG_CACHE_HOME=" + folder.Path.string() + " " + ZU_CLI;
  const std::string out = ShellOutput(
      "cd " + folder.Path.string() + "; /usr/sbin/mosquitto -p " + port +
      " >/dev/null 2>&1 & broker=$!; sleep 0.3; " + cli +
      " project run Publisher.zuproj --rate 50 --ticks 175 >/dev/null 2>&1 & " + cli +
      " project run Subscriber.zuproj --rate 50 --ticks 100 --watch Rec.Last --watch Sub.Count "
      "2>/dev/null; wait $!; kill $broker");
  // One row per tick: the tick, the recorded value, how many came.
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> fields;
    std::istringstream cells(line);
    for (std::string cell; std::getline(cells, cell, '\t');)
      fields.push_back(cell);
    if (fields.size() == 3 && !fields[0].empty() &&
        std::isdigit(static_cast<unsigned char>(fields[0][0])))
      rows.push_back(fields);
  }
  ASSERT_GE(rows.size(), 100u) << out;
  const int received = std::stoi(rows.back()[2]);
  EXPECT_GT(received, 60) << out;
  EXPECT_LE(received, 100) << out;
  // The generator's sine of amplitude 10, as the publisher sent it.
  std::set<std::string> values;
  for (const auto& row : rows)
    if (!row[1].empty()) {
      EXPECT_LE(std::fabs(std::stod(row[1])), 10.0) << row[1];
      values.insert(row[1]);
    }
  EXPECT_GT(values.size(), 40u);
}
