// The File commands without a window: what they ask when the project's file was written by
// another program, and what each answer does.
#include "app/unProjectCommands.h"
#include "app/unProjectDocument.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "platform/unStrings.h"
#include "support/ScriptedMainDialogs.h"
#include "xml/XmlTestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class ProjectCommandsTest : public ::testing::Test {
public:
  void SetUp() override {
    File = (Folder.Path / "p.xml").string();
    // Written by "another editor": a project of one module of that name.
    Reopen();
  }
  // The file written anew by the other editor, and opened here.
  void Reopen() {
    if (Document.GetProject())
      Document.GetProject()->Modified = false;
    Theirs(u"First");
    ASSERT_TRUE(Commands.OpenFile(QString::fromStdString(File)));
  }
  void Theirs(const std::u16string& module) {
    TProject other(nullptr, TAddToLog(), u"", u"Shared");
    other.GetMainModules()->AddModule(100, 100, module, 60, 60);
    ASSERT_TRUE(other.Save(Utf8ToUtf16(File)));
  }
  // A change of ours, unsaved.
  void Ours() {
    ASSERT_TRUE(Document.AddModule(TProjectDocument::NewModuleText()));
    ASSERT_TRUE(Document.GetProject()->Modified);
  }
  std::u16string FirstOnDisk() {
    TProject read(nullptr, TAddToLog(), u"", u"");
    EXPECT_TRUE(read.Load(Utf8ToUtf16(File)));
    return read.GetMainModules()->GetItem(0)->GetName();
  }
  std::int32_t OnDiskCount() {
    TProject read(nullptr, TAddToLog(), u"", u"");
    EXPECT_TRUE(read.Load(Utf8ToUtf16(File)));
    return read.GetMainModules()->Count();
  }

  TTempFolder Folder;
  std::string File;
  TScriptedMainDialogs::TScript Script;
  TScriptedMainDialogs Dialogs{Script};
  TProjectDocument Document{nullptr, (Folder.Path / "").string()};
  TProjectCommands Commands{Document, Dialogs, nullptr, TAddToLog()};
};

} // namespace

TEST_F(ProjectCommandsTest, ASaveOverAFileAnotherEditorWroteAsksFirst) {
  const struct {
    int Answer;
    bool Saved;
    std::u16string FirstOnDisk; // the file's first module afterwards
    std::int32_t Modules;       // the file's modules afterwards
    bool ModifiedAfter;
  } rows[] = {
      {0, true, u"First", 2, false},   // overwrite: our work replaces theirs
      {-1, false, u"Second", 1, true}, // closed: nothing written, our work kept
      {2, false, u"Second", 1, false}, // reload: their work replaces ours
  };
  for (const auto& row : rows) {
    Reopen();
    Ours();
    Theirs(u"Second");
    Script.Asked.clear();
    Script.Choices.clear();
    Script.Answers = {row.Answer};
    EXPECT_EQ(Commands.SaveProject(), row.Saved) << row.Answer;
    ASSERT_EQ(Script.Choices.size(), 1u) << row.Answer;
    EXPECT_EQ(Script.Choices[0],
              (QStringList{"Перезаписать", "Сохранить как...", "Загрузить заново"}));
    EXPECT_TRUE(Script.Asked[0].contains("«p.xml» изменён другой программой"))
        << Script.Asked[0].toStdString();
    EXPECT_EQ(FirstOnDisk(), row.FirstOnDisk) << row.Answer;
    EXPECT_EQ(OnDiskCount(), row.Modules) << row.Answer;
    EXPECT_EQ(Document.GetProject()->Modified, row.ModifiedAfter) << row.Answer;
  }
  // After a reload the project is theirs, and a save asks nothing.
  EXPECT_EQ(Document.GetProject()->GetMainModules()->GetItem(0)->GetName(), u"Second");
  Ours();
  Script.Choices.clear();
  EXPECT_TRUE(Commands.SaveProject());
  EXPECT_TRUE(Script.Choices.empty());
}

TEST_F(ProjectCommandsTest, SaveAsLeavesTheirFileAndAFileOnlyTouchedIsNoConflict) {
  Ours();
  Theirs(u"Second");
  const std::string mine = (Folder.Path / "mine.xml").string();
  Script.Answers = {1};
  Script.Files = {QString::fromStdString(mine)};
  EXPECT_TRUE(Commands.SaveProject());
  EXPECT_EQ(FirstOnDisk(), u"Second");
  EXPECT_EQ(Document.GetProject()->FileName, Utf8ToUtf16(mine));
  // A new time without new bytes asks nothing.
  Ours();
  std::filesystem::last_write_time(mine, std::filesystem::file_time_type::clock::now() +
                                             std::chrono::seconds(3));
  Script.Choices.clear();
  EXPECT_TRUE(Commands.SaveProject());
  EXPECT_TRUE(Script.Choices.empty());
  // A file taken away is a change too: it is not silently made again.
  Ours();
  std::filesystem::remove(mine);
  Script.Answers = {-1};
  EXPECT_FALSE(Commands.SaveProject());
  EXPECT_EQ(Script.Choices.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(mine));
}

TEST_F(ProjectCommandsTest, AFileChangedOnDiskIsOfferedForLoadingOncePerChange) {
  // Our own save is no change.
  Ours();
  ASSERT_TRUE(Commands.SaveProject());
  Commands.FileChangedOnDisk();
  EXPECT_TRUE(Script.Asked.isEmpty());
  Theirs(u"Second");
  Script.Answers = {IMainDialogs::mrNo};
  Commands.FileChangedOnDisk();
  ASSERT_EQ(Script.Asked.size(), 1);
  EXPECT_TRUE(Script.Asked[0].endsWith("Загрузить его заново?"));
  // Declined: not asked again for the same file, and ours stays.
  Commands.FileChangedOnDisk();
  EXPECT_EQ(Script.Asked.size(), 1);
  EXPECT_EQ(Document.GetProject()->GetMainModules()->Count(), 2);
  // A new change with unsaved work says what is lost; Yes loads it.
  Ours();
  Theirs(u"Third");
  Script.Answers = {IMainDialogs::mrYes};
  Commands.FileChangedOnDisk();
  ASSERT_EQ(Script.Asked.size(), 2);
  EXPECT_TRUE(Script.Asked[1].endsWith("Несохранённые изменения будут потеряны."));
  EXPECT_EQ(Document.GetProject()->GetMainModules()->GetItem(0)->GetName(), u"Third");
  EXPECT_FALSE(Document.GetProject()->Modified);
}
