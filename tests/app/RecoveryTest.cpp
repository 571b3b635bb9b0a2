#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "app/unRecovery.h"
#include "canvas/unProgrammingImage.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "platform/unProgramFolders.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"
#include "xml/unXml.h"

#include <QAction>
#include <QDateTime>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Another editor's process: holds its lock in the folder and keeps a recovery file with the
// text, until it is killed.
class TOtherEditor {
public:
  TOtherEditor(const std::string& folder, const std::string& text) {
    int ready[2];
    if (pipe(ready) != 0)
      return;
    Pid = fork();
    if (Pid == 0) {
      TRecovery recovery(folder);
      if (recovery.Hold())
        WriteBytes(Utf8ToUtf16(recovery.File()), text);
      (void)!write(ready[1], "r", 1);
      pause();
      _exit(0);
    }
    char c;
    (void)!read(ready[0], &c, 1);
    close(ready[0]);
    close(ready[1]);
  }
  ~TOtherEditor() { Kill(); }
  // Killed, as a crash would end it: its file stays.
  void Kill() {
    if (Pid > 0) {
      kill(Pid, SIGKILL);
      waitpid(Pid, nullptr, 0);
      Pid = -1;
    }
  }
  std::string File(const std::string& folder) const {
    return folder + "ZUProgramming." + std::to_string(Pid) + ".recovery";
  }

private:
  pid_t Pid = -1;
};

class RecoveryTest : public ::testing::Test {
protected:
  void SetUp() override { fs::create_directory(Folder.Path / "Configs"); }
  std::string Configs() const { return (Folder.Path / "Configs").string() + "/"; }
  std::unique_ptr<TfmMain> NewWindow() { return ShownMainWindow(Script, Folder.Path); }
  // A project file's text with the name, two modules and, when given, the file it came from.
  std::string ProjectText(const std::string& name, const std::string& from = "") {
    TProject project(nullptr, {}, u"", Utf8ToUtf16(name));
    project.GetMainModules()->AddModule(1, 2, u"A", 10, 10);
    project.GetMainModules()->AddModule(3, 4, u"B", 10, 10);
    const std::u16string file = Folder.File("scratch.xml");
    EXPECT_TRUE(project.Save(file, [&](TKvenXmlNode1& root) {
      if (!from.empty())
        root.WriteString(u"RecoveredFrom", Utf8ToUtf16(from));
    }));
    return ReadBytes(file);
  }
  static void Trigger(TfmMain& window, const char* name) {
    window.findChild<QAction*>(name)->trigger();
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
};

} // namespace

TEST_F(RecoveryTest, WorkOfARunningEditorIsNeitherOfferedNorRemoved) {
  TOtherEditor other(Configs(), ProjectText("Theirs"));
  const std::string theirs = other.File(Configs());
  ASSERT_TRUE(fs::exists(theirs));
  {
    auto window = NewWindow();
    Script.Dialogs = {[](QDialog&) { return 2; }}; // the start dialog: no project
    window->Start();
    EXPECT_TRUE(Script.Asked.isEmpty()) << Script.Asked.join("|").toStdString();
    Trigger(*window, "miNewProject");
    for (int i = 0; i < TfmMain::RecoveryEveryChanges; ++i) {
      Script.Dialogs = {[](QDialog& d) {
        d.done(1);
        return 1;
      }};
      Trigger(*window, "miNewModule");
    }
    const std::string mine = Utf16ToUtf8(window->RecoveryFile());
    EXPECT_NE(mine, theirs);
    EXPECT_TRUE(window->GetDocument()->WaitForRecovery());
    EXPECT_TRUE(fs::exists(mine)) << "ten changes keep the work aside";
    Script.Files = {QString::fromStdU16String(Folder.File("saved.xml"))};
    Trigger(*window, "miSaveProject");
    EXPECT_FALSE(fs::exists(mine)) << "a save removes this editor's own";
    Trigger(*window, "miNewModule");
    Script.Answers = {IMainDialogs::mrNo}; // exit without saving
    window->close();
  }
  EXPECT_EQ(ReadBytes(Utf8ToUtf16(theirs)), ProjectText("Theirs"));
  // Once the other editor is gone, its work is offered, naming the project and its time.
  other.Kill();
  auto window = NewWindow();
  Script.Asked.clear();
  Script.Answers = {IMainDialogs::mrYes};
  struct stat info {};
  ASSERT_EQ(stat(theirs.c_str(), &info), 0);
  const QString kept = QDateTime::fromSecsSinceEpoch(info.st_mtime).toString("dd.MM.yyyy HH:mm");
  window->Start();
  ASSERT_EQ(Script.Asked.size(), 1);
  EXPECT_EQ(Script.Asked[0].toStdString(),
            "Восстановить несохранённый проект «Theirs», сохранённый " + kept.toStdString() + "?");
  ASSERT_NE(window->GetProject(), nullptr);
  EXPECT_EQ(window->GetProject()->GetName(), u"Theirs");
  EXPECT_EQ(window->GetProject()->GetMainModules()->Count(), 2);
  EXPECT_TRUE(window->GetProject()->Modified);
  // Adopted: kept as this editor's own now, the other's file gone.
  EXPECT_FALSE(fs::exists(theirs));
  EXPECT_TRUE(fs::exists(Utf16ToUtf8(window->RecoveryFile())));
}

TEST_F(RecoveryTest, DeclinedWorkIsRemovedAndTheNextIsOffered) {
  WriteBytes(Utf8ToUtf16(Configs() + "ZUProgramming.999999991.recovery"), ProjectText("Older"));
  fs::last_write_time(Configs() + "ZUProgramming.999999991.recovery",
                      fs::file_time_type::clock::now() - std::chrono::hours(2));
  WriteBytes(Utf8ToUtf16(Configs() + "ZUProgramming.recovery"), ProjectText("Newer"));
  WriteBytes(Utf8ToUtf16(Configs() + "Other.5.recovery"), ProjectText("NotOurs"));
  for (const char* odd :
       {"ZUProgramming..recovery", "ZUProgramming.12a.recovery", "ZUProgramming.7.recovery.bak",
        "XUProgramming.5.recovery", "ZUProgramming.12345678.recover"})
    WriteBytes(Utf8ToUtf16(Configs() + odd), ProjectText("Odd"));
  auto window = NewWindow();
  Script.Answers = {IMainDialogs::mrNo, IMainDialogs::mrNo};
  Script.Dialogs = {[](QDialog&) { return 2; }};
  window->Start();
  ASSERT_EQ(Script.Asked.size(), 2);
  EXPECT_TRUE(Script.Asked[0].contains(QString::fromUtf8("«Newer»")));
  EXPECT_TRUE(Script.Asked[1].contains(QString::fromUtf8("«Older»")));
  EXPECT_EQ(window->GetProject(), nullptr);
  EXPECT_FALSE(fs::exists(Configs() + "ZUProgramming.999999991.recovery"));
  EXPECT_FALSE(fs::exists(Configs() + "ZUProgramming.recovery"));
  EXPECT_TRUE(fs::exists(Configs() + "Other.5.recovery"));
  EXPECT_TRUE(fs::exists(Configs() + "ZUProgramming..recovery"));
}

TEST_F(RecoveryTest, WorkOfferedWhenTheProgramIsEndedStaysForTheNextStart) {
  const std::string left = Configs() + "ZUProgramming.999999991.recovery";
  WriteBytes(Utf8ToUtf16(left), ProjectText("Kept"));
  auto window = NewWindow();
  // The session ends while the question is open: it closes unanswered.
  Script.WhileAsked = [&] { window->Terminate(); };
  Script.Answers = {IMainDialogs::mrNo};
  window->Start();
  Script.WhileAsked = nullptr;
  EXPECT_EQ(Script.Asked.size(), 1);
  EXPECT_TRUE(window->Terminated());
  EXPECT_TRUE(fs::exists(left));
}

TEST_F(RecoveryTest, WorkIsOfferedNewestFirstAndAtTheSameTimeInNameOrder) {
  const auto now = fs::file_time_type::clock::now();
  // Name, and how many minutes ago it was kept.
  const std::pair<const char*, int> files[] = {
      {"ZUProgramming.999999993.recovery", 0},  {"ZUProgramming.999999992.recovery", 0},
      {"ZUProgramming.999999994.recovery", 0},  {"ZUProgramming.999999991.recovery", 30},
      {"ZUProgramming.999999999.recovery", 10}, {"ZUProgramming.999999995.recovery", 20}};
  for (const auto& [name, minutes] : files) {
    WriteBytes(Utf8ToUtf16(Configs() + name), ProjectText(name));
    fs::last_write_time(Configs() + name, now - std::chrono::minutes(minutes));
  }
  TRecovery recovery(Configs());
  std::vector<std::string> offered;
  for (const TRecovery::TLeft& left : recovery.Left())
    offered.push_back(fs::path(left.File).filename().string());
  EXPECT_EQ(offered, (std::vector<std::string>{
                         "ZUProgramming.999999992.recovery", "ZUProgramming.999999993.recovery",
                         "ZUProgramming.999999994.recovery", "ZUProgramming.999999999.recovery",
                         "ZUProgramming.999999995.recovery", "ZUProgramming.999999991.recovery"}));
}

TEST_F(RecoveryTest, OnlyTheUsersOwnFilesAreOffered) {
  const std::string file = Configs() + "ZUProgramming.999999992.recovery";
  WriteBytes(Utf8ToUtf16(file), ProjectText("Someone's"));
  TRecovery recovery(Configs());
  ASSERT_EQ(recovery.Left().size(), 1u);
  if (geteuid() != 0)
    GTEST_SKIP() << "only root can give a file to another user";
  ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
  EXPECT_TRUE(recovery.Left().empty());
}

TEST_F(RecoveryTest, RestoredWorkWritesItsFileOnlyWhileThatHoldsAProject) {
  const std::string picture = (Folder.Path / "picture.png").string();
  const std::string pictureBytes = "\x89PNG\r\n\x1a\n not a project";
  WriteBytes(Utf8ToUtf16(picture), pictureBytes);
  const std::string project = (Folder.Path / "real.xml").string();
  WriteBytes(Utf8ToUtf16(project), ProjectText("Real"));
  for (const std::string& from : {picture, project, (Folder.Path / "gone.xml").string()}) {
    WriteBytes(Utf8ToUtf16(Configs() + "ZUProgramming.recovery"), ProjectText("Kept", from));
    auto window = NewWindow();
    Script.Answers = {IMainDialogs::mrYes};
    Script.FileDialogs = 0;
    window->Start();
    ASSERT_NE(window->GetProject(), nullptr) << from;
    EXPECT_EQ(window->GetProject()->FileName, Utf8ToUtf16(from));
    Script.Files = {std::nullopt}; // a file dialog, when one comes, is cancelled
    Trigger(*window, "miSaveProject");
    if (from == project) {
      EXPECT_EQ(Script.FileDialogs, 0);
      EXPECT_NE(ReadBytes(Utf8ToUtf16(project)).find("<Name>Kept</Name>"), std::string::npos);
      EXPECT_FALSE(window->GetProject()->Modified);
    } else {
      EXPECT_EQ(Script.FileDialogs, 1) << from;
      EXPECT_TRUE(window->GetProject()->Modified);
    }
    EXPECT_EQ(ReadBytes(Utf8ToUtf16(picture)), pictureBytes);
    Script.Answers = {IMainDialogs::mrNo};
    window->close();
  }
}

TEST_F(RecoveryTest, TheTimerKeepsOnlyModifiedWork) {
  auto window = NewWindow();
  Trigger(*window, "miNewProject");
  QTimer* timer = nullptr;
  for (QTimer* t : window->findChildren<QTimer*>())
    if (t->interval() == TfmMain::RecoveryIntervalMs)
      timer = t;
  ASSERT_NE(timer, nullptr);
  EXPECT_TRUE(timer->isActive());
  const std::string file = Utf16ToUtf8(window->RecoveryFile());
  emit timer->timeout({});
  window->GetDocument()->WaitForRecovery();
  EXPECT_FALSE(fs::exists(file)) << "nothing to keep";
  QTest::mousePress(window->GetCanvas(), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseMove(window->GetCanvas(), QPoint(120, 100));
  QTest::mouseRelease(window->GetCanvas(), Qt::LeftButton, {}, QPoint(120, 100));
  ASSERT_TRUE(window->GetProject()->Modified);
  emit timer->timeout({});
  // Written by a worker: the window's thread goes on at once.
  EXPECT_TRUE(window->GetDocument()->WaitForRecovery());
  EXPECT_TRUE(fs::exists(file));
  // Saved, the work needs no keeping: the file goes.
  Script.Files = {QString::fromStdU16String(Folder.File("p.xml"))};
  Trigger(*window, "miSaveProject");
  EXPECT_FALSE(fs::exists(file));
}

TEST_F(RecoveryTest, AnotherHolderOfThisEditorsLockMeansItsRecoveryFileIsNotWritten) {
  // Another editor with the same process number (another process namespace) on this folder.
  const std::string lock = Configs() + "ZUProgramming." + std::to_string(getpid()) + ".lock";
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t holder = fork();
  if (holder == 0) {
    const int fd = open(lock.c_str(), O_RDWR | O_CREAT, 0600);
    if (fd >= 0 && flock(fd, LOCK_EX) == 0)
      (void)!write(ready[1], "r", 1);
    pause();
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  {
    TRecovery recovery(Configs());
    EXPECT_FALSE(recovery.Hold());
  }
  auto window = NewWindow();
  Trigger(*window, "miNewProject");
  Trigger(*window, "miNewModule");
  window->GetProject()->Modified = true;
  // The work goes to the next folder instead, never into the file the holder owns.
  const std::string mine = Configs() + "ZUProgramming." + std::to_string(getpid()) + ".recovery";
  EXPECT_TRUE(window->WriteRecovery());
  EXPECT_FALSE(fs::exists(mine));
  EXPECT_TRUE(fs::exists(Utf16ToUtf8(window->RecoveryFile())));
  EXPECT_NE(Utf16ToUtf8(window->RecoveryFile()), mine);
  kill(holder, SIGKILL);
  waitpid(holder, nullptr, 0);
  EXPECT_TRUE(window->WriteRecovery());
  window->GetDocument()->MarkSaved();
  close(ready[0]);
  close(ready[1]);
}

TEST_F(RecoveryTest, EachKeepingWritesTheWorkAsItIsThenAndLeavesTheProjectAlone) {
  auto window = NewWindow();
  Trigger(*window, "miNewProject");
  auto* document = window->GetDocument();
  auto module = window->GetProject()->GetMainModules()->GetItem(0);
  const std::string file = Utf16ToUtf8(window->RecoveryFile());
  for (const char16_t* name : {u"First", u"Second", u"Third"}) {
    module->SetName(name);
    ASSERT_TRUE(document->KeepRecovery());
    // Changed after the copy was taken: the file holds the name of the moment it was kept.
    module->SetName(u"Later");
    ASSERT_TRUE(document->WaitForRecovery());
    const std::string text = ReadBytes(Utf8ToUtf16(file));
    EXPECT_NE(text.find("<Name>" + Utf16ToUtf8(name) + "</Name>"), std::string::npos) << text;
    EXPECT_EQ(text.find("Later"), std::string::npos);
  }
  EXPECT_EQ(module->GetName(), u"Later");
  EXPECT_EQ(window->GetProject()->FileName, u"");
  // A write that ended unwatched does not keep the next one from being written.
  module->SetName(u"Fourth");
  ASSERT_TRUE(document->KeepRecovery());
  for (int i = 0; i < 500 && ReadBytes(Utf8ToUtf16(file)).find("Fourth") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  module->SetName(u"Fifth");
  ASSERT_TRUE(document->KeepRecovery());
  ASSERT_TRUE(document->WaitForRecovery());
  EXPECT_NE(ReadBytes(Utf8ToUtf16(file)).find("Fifth"), std::string::npos);
}

TEST_F(RecoveryTest, AClosedProjectOrNoneKeepsNothing) {
  auto window = NewWindow();
  auto* document = window->GetDocument();
  EXPECT_FALSE(document->KeepRecovery());
  Trigger(*window, "miNewProject");
  window->GetProject()->Close();
  EXPECT_FALSE(document->KeepRecovery());
  EXPECT_TRUE(document->WaitForRecovery());
  EXPECT_FALSE(fs::exists(Utf16ToUtf8(window->RecoveryFile())));
}

namespace {

// A document whose configuration folder is there, with two further folders for its work.
struct TFallbackDocument {
  TFallbackDocument() {
    fs::create_directory(Folder.Path / "Configs");
    Document.SetRecoveryFallbacks({State, Temp});
    QObject::connect(&Document, &TProjectDocument::RecoveryMoved,
                     [this](const QString& note, const QString&) { Notes << note; });
    auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Kept");
    project->GetMainModules()->AddModule(100, 100, u"A", 60, 60);
    Document.SetProject(project);
    EXPECT_TRUE(Document.AddModule(TProjectDocument::NewModuleText()));
  }
  std::string Mine(const std::string& folder) const {
    return folder + "ZUProgramming." + std::to_string(getpid()) + ".recovery";
  }
  TTempFolder Folder;
  std::string Configs = (Folder.Path / "Configs").string() + "/";
  std::string State = (Folder.Path / "state" / "zu").string() + "/";
  std::string Temp = (Folder.Path / "tmp").string() + "/";
  TProjectDocument Document{nullptr, Configs};
  QStringList Notes;
};

} // namespace

TEST(RecoveryFallback, WorkTheConfigurationFolderCannotTakeGoesToTheNextFolderSaidOnce) {
  // The folder cannot take the file (a folder is in its place, as a full disk refuses it), or
  // not even the lock: either way the work goes on to the state folder, made for it.
  for (const char* blocked : {".recovery", ".lock"}) {
    TFallbackDocument f;
    fs::create_directory(f.Configs + "ZUProgramming." + std::to_string(getpid()) + blocked);
    ASSERT_TRUE(f.Document.WriteRecovery()) << blocked;
    EXPECT_TRUE(fs::is_regular_file(f.Mine(f.State))) << blocked;
    EXPECT_EQ(fs::status(f.State).permissions() & fs::perms::all, fs::perms::owner_all);
    ASSERT_EQ(f.Notes.size(), 1) << blocked;
    EXPECT_TRUE(f.Notes[0].contains(QString::fromStdString(f.Configs)) &&
                f.Notes[0].contains(QString::fromStdString(f.State)))
        << f.Notes[0].toStdString();
    // Kept there from now on, without another word; saved work removes it.
    EXPECT_TRUE(f.Document.AddModule(TProjectDocument::NewModuleText()));
    ASSERT_TRUE(f.Document.WriteRecovery());
    EXPECT_EQ(f.Notes.size(), 1);
    f.Document.MarkSaved();
    EXPECT_FALSE(fs::exists(f.Mine(f.State)));
  }
}

TEST(RecoveryFallback, WithNoFolderLeftTheWorkIsNotKeptAndThatIsSaidOnce) {
  TFallbackDocument f;
  fs::create_directory(f.Mine(f.Configs));
  // Files where the further folders would be.
  fs::create_directories(f.Folder.Path / "state");
  WriteBytes(Utf8ToUtf16((f.Folder.Path / "state" / "zu").string()), "x");
  WriteBytes(Utf8ToUtf16((f.Folder.Path / "tmp").string()), "x");
  EXPECT_FALSE(f.Document.WriteRecovery());
  EXPECT_FALSE(f.Document.WriteRecovery());
  ASSERT_EQ(f.Notes.size(), 1);
  EXPECT_TRUE(f.Notes[0].startsWith(QString::fromUtf8("Несохранённая работа не записывается:")));
}

TEST(RecoveryFallback, WorkLeftInAFurtherFolderIsOfferedAtTheNextStart) {
  TFallbackDocument f;
  MakeFolders(f.Temp);
  const pid_t gone = fork();
  if (gone == 0)
    _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string left = f.Temp + "ZUProgramming." + std::to_string(gone) + ".recovery";
  WriteBytes(Utf8ToUtf16(left), "<?xml version=\"1.0\"?><Kven_ZU_Programming_Project/>");
  const std::vector<TRecovery::TLeft> offered = f.Document.LeftRecoveries();
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_EQ(offered[0].File, left);
}

TEST(RecoveryFallback, LocksOfEditorsThatAreGoneAreRemovedAndHeldOnesKept) {
  TTempFolder folder;
  const std::string configs = folder.Path.string() + "/";
  const pid_t gone = fork();
  if (gone == 0)
    _exit(0);
  waitpid(gone, nullptr, 0);
  const std::string stale = configs + "ZUProgramming." + std::to_string(gone) + ".lock";
  WriteBytes(Utf8ToUtf16(stale), "");
  // Files only like an editor's lock are nobody's lock: they stay.
  const std::vector<std::string> alike = {configs + "ZUProgramming..lock",
                                          configs + "ZUProgramming.12a.lock",
                                          configs + "Other." + std::to_string(gone) + ".lock"};
  for (const std::string& file : alike)
    WriteBytes(Utf8ToUtf16(file), "");
  TOtherEditor other(configs, "work");
  const std::string held = other.File(configs).substr(0, other.File(configs).size() - 9) + ".lock";
  ASSERT_TRUE(fs::exists(held));
  TRecovery mine(configs);
  ASSERT_TRUE(mine.Hold());
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_TRUE(fs::exists(held));
  EXPECT_TRUE(fs::exists(other.File(configs)));
  for (const std::string& file : alike)
    EXPECT_TRUE(fs::exists(file)) << file;
}
