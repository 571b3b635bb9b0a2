#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "config/unKvenForm.h"
#include "config/unWindowState.h"
#include "log/unLogDocumentForm.h"
#include "log/unLogDocuments.h"
#include "log/unLogFormTree.h"
#include "model/unProject.h"
#include "platform/unExeFolder.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"
#include "xml/unXml.h"

#include <QAction>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class MainWindowConfigTest : public ::testing::Test {
protected:
  void SetUp() override { std::filesystem::create_directory(Folder.Path / "Configs"); }
  std::unique_ptr<TfmMain> NewWindow() { return ShownMainWindow(Script, Folder.Path); }
  std::u16string ConfigFile() const {
    return Utf8ToUtf16((Folder.Path / "Configs" / (ExeName() + ".config")).string());
  }
  std::u16string LogFile() const {
    return Utf8ToUtf16((Folder.Path / "Logs" / (ExeName() + ".log")).string());
  }
  // The config file's "FormMain" element, read afresh.
  std::unique_ptr<TKvenXmlDocument1> Config() {
    auto doc = std::make_unique<TKvenXmlDocument1>();
    EXPECT_TRUE(doc->LoadFromFile(ConfigFile()));
    return doc;
  }
  static QTreeWidget* LogTree(TfmMain& window) {
    auto* all = dynamic_cast<TLogDocuments*>(window.LogDocuments);
    auto* form = all ? dynamic_cast<TLogForm*>(all->GetDocuments().at(0)) : nullptr;
    return form ? form->GetWindow()->findChild<QTreeWidget*>("Tree") : nullptr;
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
};

std::vector<std::u16string> Names(const TKvenXmlNode1* node) {
  std::vector<std::u16string> names;
  for (std::int32_t i = 0; node && i < node->ChildCount(); ++i)
    names.emplace_back(node->GetChildNodes().GetNode(i)->GetName());
  return names;
}

} // namespace

TEST_F(MainWindowConfigTest, AFirstRunWritesTheWindowsElementsInOrder) {
  NewWindow().reset();
  auto doc = Config();
  const TKvenXmlNode1* form = doc->GetRoot()->FindChild(u"FormMain");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(Names(form), (std::vector<std::u16string>{u"Logs", u"Left", u"Top", u"Width", u"Height",
                                                      u"WindowState", u"Caption", u"MainMenu",
                                                      u"RecentProjects"}));
  EXPECT_EQ(Names(form->FindChild(u"Logs")), std::vector<std::u16string>{u"LogForm"});
  EXPECT_EQ(form->FindChild(u"RecentProjects")->ChildCount(), 0);
  EXPECT_EQ(form->FindChild(u"Logs")->FindChild(u"LogForm")->ChildCount(), 0);
  EXPECT_EQ(form->FindChild(u"MainMenu")->ChildCount(), 0);
  EXPECT_EQ(form->FindChild(u"Caption")->GetValue(), u"Kven.ZU.Programming");
  EXPECT_EQ(form->FindChild(u"WindowState")->GetValue(), u"0");
}

TEST_F(MainWindowConfigTest, StoredValuesComeBackAndABadOneIsIgnored) {
  {
    TKvenXmlDocument1 doc;
    TKvenXmlNode1* form = doc.GetRoot()->GetChild(u"FormMain");
    form->WriteString(u"Left", u"12px");
    form->WriteInteger(u"Top", 34);
    form->WriteInteger(u"Width", 700);
    form->WriteInteger(u"Height", 500);
    form->WriteInteger(u"WindowState", 7); // taken as normal
    form->WriteString(u"Caption", u"Мой редактор");
    ASSERT_TRUE(doc.SaveToFile(ConfigFile()));
  }
  auto window = NewWindow();
  EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Мой редактор"));
  EXPECT_EQ(window->y(), 34);
  EXPECT_EQ(window->size(), QSize(700, 500));
  EXPECT_FALSE(window->isMaximized());
}

TEST_F(MainWindowConfigTest, ClosingMaximisedKeepsTheNormalBounds) {
  {
    auto window = NewWindow();
    window->move(40, 50);
    window->resize(640, 480);
  }
  const std::u16string left(
      Config()->GetRoot()->FindChild(u"FormMain")->FindChild(u"Left")->GetValue());
  {
    auto window = NewWindow();
    window->showMaximized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, 5000));
  }
  auto doc = Config();
  const TKvenXmlNode1* form = doc->GetRoot()->FindChild(u"FormMain");
  EXPECT_EQ(left, u"40");
  EXPECT_EQ(form->FindChild(u"Left")->GetValue(), left);
  EXPECT_EQ(form->FindChild(u"Width")->GetValue(), u"640");
  EXPECT_EQ(form->FindChild(u"WindowState")->GetValue(), u"2");
  auto again = NewWindow();
  EXPECT_TRUE(again->windowState() & Qt::WindowMaximized);
}

TEST_F(MainWindowConfigTest, WithoutAConfigsFolderNothingPersists) {
  std::filesystem::remove(Folder.Path / "Configs");
  NewWindow().reset();
  EXPECT_FALSE(std::filesystem::exists(Folder.Path / "Configs"));
  EXPECT_TRUE(Script.Errors.isEmpty());
}

TEST_F(MainWindowConfigTest, TheLogFileHoldsTheStartAndTheStop) {
  {
    auto window = NewWindow();
    QTreeWidget* tree = LogTree(*window);
    ASSERT_NE(tree, nullptr);
    EXPECT_TRUE(
        tree->topLevelItem(0)->text(0).endsWith(QString::fromUtf8("[I] Gen: Программа запущена")));
    EXPECT_TRUE(tree->window()->isVisible());
    tree->window()->close();
    window->findChild<QAction*>("miLog")->trigger();
    EXPECT_TRUE(tree->window()->isVisible());
  }
  const std::string bytes = ReadBytes(LogFile());
  EXPECT_NE(bytes.find(" INFO    Gen: Программа запущена\r\n"), std::string::npos) << bytes;
  EXPECT_TRUE(bytes.ends_with(" INFO    Gen: Программа остановлена\r\n")) << bytes;
}

TEST_F(MainWindowConfigTest, AFailedOpenShowsTheReadersReasonInTheLog) {
  auto window = NewWindow();
  WriteBytes(Folder.File("broken.xml"), "<Kven_ZU_Programming_Project>\r\n<Name>X</Name>\r\n");
  Script.Files = {QString::fromStdU16String(Folder.File("broken.xml"))};
  window->findChild<QAction*>("miOpenProject")->trigger();
  const QString reason =
      QString::fromUtf8("Не найден закрывающий тег \"</Kven_ZU_Programming_Project>\" Line=3");
  EXPECT_EQ(Script.Errors, QStringList{QString::fromUtf8("Ошибка загрузки из файла.")});
  EXPECT_EQ(Script.Details, QStringList{reason});
  EXPECT_TRUE(LogTree(*window)->topLevelItem(0)->text(0).endsWith("[E] Gen: " + reason));
}

TEST_F(MainWindowConfigTest, BoundsComeBackAndTheStateIsKept) {
  {
    auto window = NewWindow();
    window->move(30, 40);
    window->resize(640, 480);
  }
  {
    auto window = NewWindow();
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(window->pos(), QPoint(30, 40));
    window->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMinimized(); }, 5000));
  }
  auto doc = Config();
  const TKvenXmlNode1* form = doc->GetRoot()->FindChild(u"FormMain");
  EXPECT_EQ(form->FindChild(u"WindowState")->GetValue(), u"1");
  EXPECT_EQ(form->FindChild(u"Width")->GetValue(), u"640");
  EXPECT_EQ(form->FindChild(u"Height")->GetValue(), u"480");
}

TEST_F(MainWindowConfigTest, StoredBoundsAreBroughtOntoTheScreen) {
  for (const bool maximised : {false, true}) {
    {
      TKvenXmlDocument1 doc;
      TKvenXmlNode1* form = doc.GetRoot()->GetChild(u"FormMain");
      form->WriteInteger(u"Left", -100000);
      form->WriteInteger(u"Top", 20);
      form->WriteInteger(u"Width", 2147483647);
      form->WriteInteger(u"Height", 2147483647);
      ASSERT_TRUE(doc.SaveToFile(ConfigFile()));
    }
    QRect area;
    {
      auto window = NewWindow();
      area = window->screen()->availableGeometry();
      EXPECT_LE(window->width(), area.width());
      EXPECT_LE(window->height(), area.height());
      EXPECT_TRUE(area.contains(window->pos())) << window->x() << "," << window->y();
      if (maximised) {
        window->showMaximized();
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->isMaximized(); }, 5000));
      }
    }
    auto doc = Config();
    const TKvenXmlNode1* form = doc->GetRoot()->FindChild(u"FormMain");
    std::int32_t left = 0, width = 0, height = 0;
    ASSERT_TRUE(form->ReadInteger(u"Left", left));
    ASSERT_TRUE(form->ReadInteger(u"Width", width));
    ASSERT_TRUE(form->ReadInteger(u"Height", height));
    EXPECT_GE(left, area.left()) << maximised;
    EXPECT_LE(width, area.width()) << maximised;
    EXPECT_LE(height, area.height()) << maximised;
  }
}

TEST(WindowBounds, AreBroughtOntoTheScreens) {
  const QList<QRect> two = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
  const struct {
    QPoint At;
    QSize Size;
    QRect Bounds;
  } table[] = {
      {{100, 100}, {800, 600}, {100, 100, 800, 600}},                 // on screen: as it is
      {{-100000, 20}, {800, 600}, {0, 20, 800, 600}},                 // far left: moved in
      {{100, 100}, {2147483647, 2147483647}, {100, 100, 1920, 1080}}, // huge: the screen's size
      {{-2147483647 - 1, -2147483647 - 1}, {2147483647, 2147483647}, {0, 0, 1920, 1080}},
      {{2000, 100}, {800, 600}, {2000, 100, 800, 600}},  // on the second screen
      {{3100, 100}, {800, 600}, {3100, 100, 800, 600}},  // 100 pixels of title there: enough
      {{3150, 100}, {800, 600}, {2400, 100, 800, 600}},  // 50: not enough
      {{-750, 100}, {800, 600}, {0, 100, 800, 600}},     // the same on the left
      {{100, -10}, {800, 600}, {100, 0, 800, 600}},      // title above the screen
      {{100, 1070}, {800, 600}, {100, 480, 800, 600}},   // title below it
      {{1850, 1060}, {300, 200}, {1620, 880, 300, 200}}, // corner, title cut short
      {{10, 10}, {0, -5}, {10, 10, 1, 1}},               // no size at all
  };
  for (const auto& row : table)
    EXPECT_EQ(BoundsOnScreen(row.At, row.Size, two), row.Bounds)
        << row.At.x() << "," << row.At.y() << " " << row.Size.width();
  EXPECT_EQ(BoundsOnScreen({5, 5}, {10, 10}, {}), QRect(5, 5, 10, 10));
}

namespace {

// A document that takes every message and answers with a fixed number.
class TAnsweringDocument : public TLogDocument {
public:
  explicit TAnsweringDocument(std::int32_t answer)
      : TLogDocument(lFile, u"", nullptr), Answer(answer) {}
  bool AddToLog(TLogGroupMessage, TLogTypeMessage, const std::string&, const TLogArgs&) override {
    ++Taken;
    return Answer > 0;
  }
  std::int32_t Answer;
  int Taken = 0;
};

} // namespace

TEST(KvenForm, LogGivesTheDocumentsAnswerUnlessTheHandlerGivesOne) {
  TKvenForm form;
  TAnsweringDocument* documents = new TAnsweringDocument(1);
  std::unique_ptr<TLogDocument, TLogDisposer> owned(documents);
  EXPECT_FALSE(form.Log(lgGeneral, ltInformation, "x", {})); // nothing to log to
  form.LogDocuments = documents;
  EXPECT_TRUE(form.Log(lgGeneral, ltInformation, "x", {}));
  int handled = 0;
  form.OnLog = [&](TLogGroupMessage, TLogTypeMessage, const std::string&, const TLogArgs&) {
    ++handled;
    return false;
  };
  EXPECT_FALSE(form.Log(lgGeneral, ltInformation, "x", {})); // the handler's answer counts
  form.OnLog = [&](TLogGroupMessage, TLogTypeMessage, const std::string&, const TLogArgs&) -> bool {
    ++handled;
    throw 1;
  };
  EXPECT_TRUE(form.Log(lgGeneral, ltInformation, "x", {})); // a throwing handler leaves it
  EXPECT_EQ(handled, 2);
  EXPECT_EQ(documents->Taken, 3);
}

TEST_F(MainWindowConfigTest, TheTitleNamesTheProjectsFileAndItsMarkAndTheCaptionStaysApart) {
  {
    auto window = NewWindow();
    EXPECT_EQ(window->windowTitle(), "Kven.ZU.Programming");
    EXPECT_FALSE(window->windowIcon().isNull());
    window->NewProject();
    EXPECT_EQ(window->windowTitle(), QString::fromUtf8("Project1[*] \u2014 Kven.ZU.Programming"));
    EXPECT_FALSE(window->isWindowModified());
    ASSERT_TRUE(window->GetDocument()->AddModule(TProjectDocument::NewModuleText()));
    EXPECT_TRUE(window->isWindowModified());
    Script.Files = {QString::fromStdU16String(Folder.File("named.zuproj"))};
    ASSERT_TRUE(window->SaveProjectAs());
    EXPECT_EQ(window->windowTitle(),
              QString::fromUtf8("named.zuproj[*] \u2014 Kven.ZU.Programming"));
    EXPECT_FALSE(window->isWindowModified());
  }
  // The configuration keeps the caption, not the title of the moment.
  EXPECT_EQ(Config()->GetRoot()->FindChild(u"FormMain")->FindChild(u"Caption")->GetValue(),
            u"Kven.ZU.Programming");
}
