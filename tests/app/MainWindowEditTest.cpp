#include "app/unMain.h"
#include "app/unMiniMap.h"
#include "app/unProjectDocument.h"
#include "canvas/unProgrammingImage.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unStrings.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QScrollBar>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTranslator>
#include <QTreeWidget>
#include <QUndoStack>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

class MainWindowEditTest : public ::testing::Test {
protected:
  void SetUp() override {
    Window = ShownMainWindow(Script, Folder.Path);
    Trigger("miNewProject");
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  QAction* Action(const char* name) { return Window->findChild<QAction*>(name); }
  // The project as its file would hold it, but for the selection, which is no step of its own.
  std::string Text() {
    TProject& p = *Window->GetProject();
    const std::u16string file = Folder.File("state.xml");
    EXPECT_TRUE(p.Save(file));
    const std::string bytes = ReadBytes(file);
    std::string text;
    for (std::size_t at = 0; at < bytes.size();) {
      const std::size_t end = std::min(bytes.find('\n', at), bytes.size() - 1) + 1;
      const std::string line = bytes.substr(at, end - at);
      if (line.find("<Focused>") == std::string::npos)
        text += line;
      at = end;
    }
    return text;
  }
  std::shared_ptr<IModuleList> Modules() { return Window->GetProject()->GetMainModules(); }
  void Drag(QPoint from, QPoint to) {
    QTest::mousePress(Window->GetCanvas(), Qt::LeftButton, {}, from);
    QTest::mouseMove(Window->GetCanvas(), (from + to) / 2);
    QTest::mouseMove(Window->GetCanvas(), to);
    QTest::mouseRelease(Window->GetCanvas(), Qt::LeftButton, {}, to);
  }
  void TypeIntoGrid(const QString& key, const QString& text) { SetGridText(*Window, key, text); }
  QString Tab() { return Window->findChild<QTabBar*>("TabControl1")->tabText(0); }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

// The wizard with the name changed and OK pressed.
std::function<int(QDialog&)> Rename(const QString& name) {
  return [name](QDialog& dialog) {
    auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
    master->findChild<QLineEdit*>("edName")->setText(name);
    master->btOkClick();
    return master->result();
  };
}

} // namespace

TEST_F(MainWindowEditTest, EveryKindOfChangeUndoesAndRedoesExactly) {
  EXPECT_FALSE(Action("miUndo")->isEnabled());
  EXPECT_FALSE(Action("miRedo")->isEnabled());
  struct TStep {
    const char* Undo;
    std::function<void()> Change;
  };
  const TStep steps[] = {
      {"Undo Add Module",
       [&] {
         Script.Dialogs = {Rename("Added")};
         Trigger("miNewModule");
       }},
      {"Undo Move",
       [&] {
         Drag({100, 100}, {160, 130});
       }},
      {"Undo Change Width", [&] { TypeIntoGrid("Width", "44"); }},
      {"Undo Edit Module",
       [&] {
         Script.Dialogs = {Rename("Edited")};
         Window->EditModule(Modules()->GetItem(0));
       }},
      {"Undo Delete", [&] { Trigger("miDelete"); }},
  };
  std::vector<std::string> states{Text()};
  for (const TStep& step : steps) {
    step.Change();
    states.push_back(Text());
    EXPECT_NE(states.back(), states[states.size() - 2]) << step.Undo;
    EXPECT_EQ(Action("miUndo")->text().remove('&'), step.Undo);
  }
  for (std::size_t i = std::size(steps); i-- > 0;) {
    Trigger("miUndo");
    EXPECT_EQ(Text(), states[i]) << steps[i].Undo;
  }
  EXPECT_FALSE(Action("miUndo")->isEnabled());
  for (std::size_t i = 0; i < std::size(steps); ++i) {
    Trigger("miRedo");
    EXPECT_EQ(Text(), states[i + 1]) << steps[i].Undo;
  }
}

TEST_F(MainWindowEditTest, UndoingBackToTheSavedStateClearsTheMark) {
  Script.Files = {QString::fromStdU16String(Folder.File("p.xml"))};
  Trigger("miSaveProject");
  EXPECT_EQ(Tab(), "Project1");
  Drag({100, 100}, {150, 100});
  EXPECT_EQ(Tab(), "Project1 *");
  Trigger("miUndo");
  EXPECT_EQ(Tab(), "Project1");
  EXPECT_FALSE(Window->GetProject()->Modified);
  Trigger("miRedo");
  EXPECT_TRUE(Window->GetProject()->Modified);
}

TEST_F(MainWindowEditTest, DeleteThenUndoPutsTheModuleBackAtItsPlace) {
  Modules()->AddModule(300, 100, u"Second", 50, 50);
  Modules()->AddModule(300, 300, u"Third", 50, 50);
  Window->RefreshView();
  EXPECT_FALSE(Action("miDelete")->isEnabled());
  QTest::mouseClick(Window->GetCanvas(), Qt::LeftButton, {}, QPoint(300, 100));
  ASSERT_TRUE(Action("miDelete")->isEnabled());
  auto second = Modules()->GetItem(1);
  Window->GetCanvas()->setFocus();
  QTest::keyClick(Window->GetCanvas(), Qt::Key_Delete);
  ASSERT_EQ(Modules()->Count(), 2);
  EXPECT_EQ(Modules()->IndexOf(second), -1);
  Trigger("miUndo");
  ASSERT_EQ(Modules()->Count(), 3);
  EXPECT_EQ(Modules()->GetItem(1), second);
  EXPECT_EQ(second->GetName(), u"Second");
  // A new project forgets the steps of the old one.
  Script.Answers = {IMainDialogs::mrNo, IMainDialogs::mrYes};
  Trigger("miNewProject");
  EXPECT_FALSE(Action("miUndo")->isEnabled());
}

TEST_F(MainWindowEditTest, TreeAndCanvasShowOneSelection) {
  Modules()->AddModule(300, 100, u"Second", 50, 50);
  Window->RefreshView();
  auto* tree = Window->findChild<QTreeWidget*>("tvMain");
  QTreeWidgetItem* second = tree->topLevelItem(0)->child(1);
  const QRect area = tree->visualItemRect(second);
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, area.center());
  EXPECT_TRUE(Modules()->GetItem(1)->GetFocused());
  EXPECT_FALSE(Modules()->GetItem(0)->GetFocused());
  EXPECT_EQ(QColor(Window->GetCanvas()->Picture().pixel(275, 75)), QColor(Qt::red));
  QTest::mouseClick(Window->GetCanvas(), Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_EQ(tree->currentItem(), tree->topLevelItem(0)->child(0));
  Script.Files = {QString::fromStdU16String(Folder.File("p.xml"))};
  Trigger("miSaveProjectAs");
  EXPECT_EQ(Window->findChild<QTabBar*>("TabControl1")->tabToolTip(0),
            QString::fromStdU16String(Folder.File("p.xml")));
}

TEST(QtTranslations, StandardButtonsReadInRussian) {
  QTranslator texts;
  ASSERT_TRUE(texts.load(QLocale(QLocale::Russian), "qtbase", "_",
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
  EXPECT_EQ(texts.translate("QPlatformTheme", "&Yes"), QString::fromUtf8("&Да"));
}

TEST_F(MainWindowEditTest, ZoomIsShownAndTheScrollBarsReachEveryModule) {
  auto* zoom = Window->findChild<QLabel*>("ZoomLabel");
  EXPECT_TRUE(zoom->isVisibleTo(Window.get()));
  EXPECT_TRUE(zoom->text().contains("100 %")) << zoom->text().toStdString();
  Trigger("miZoomIn");
  EXPECT_TRUE(zoom->isVisibleTo(Window.get()));
  EXPECT_TRUE(zoom->text().contains("125 %")) << zoom->text().toStdString();
  Trigger("miActualSize");
  EXPECT_TRUE(zoom->text().contains("100 %")) << zoom->text().toStdString();
  Modules()->AddModule(5000, 3000, u"Far", 100, 100);
  Modules()->AddModule(-800, -600, u"Before", 100, 100);
  Window->RefreshView();
  auto* x = Window->findChild<QScrollBar*>("CanvasScrollX");
  auto* y = Window->findChild<QScrollBar*>("CanvasScrollY");
  EXPECT_LE(x->minimum(), -854);
  EXPECT_GE(x->maximum() + x->pageStep(), 5054);
  EXPECT_LE(y->minimum(), -654);
  x->setValue(x->maximum());
  y->setValue(y->maximum());
  const TPoint origin = Window->GetCanvas()->GetOrigin();
  EXPECT_EQ(origin, (TPoint{x->maximum(), y->maximum()}));
  // The far module is on the picture now, at its place less the origin: its right edge.
  EXPECT_EQ(QColor(Window->GetCanvas()->Picture().pixel(5050 - origin.X, 3000 - origin.Y)),
            QColor(Qt::black));
}

TEST_F(MainWindowEditTest, AClickInTheOverviewBringsThatPartOfTheLevelIntoSight) {
  auto* overview = Window->findChild<TMiniMap*>("MiniMap");
  ASSERT_NE(overview, nullptr);
  EXPECT_TRUE(overview->isVisibleTo(Window.get()));
  Modules()->AddModule(5000, 3000, u"Far", 100, 100);
  Window->RefreshView();
  // The far module is drawn in the overview, and a click on it brings it into sight.
  const QPointF far = overview->ToMap({4950, 2950, 5050, 3050}).center();
  EXPECT_NE(overview->grab().toImage().pixelColor(far.toPoint()), QColor(248, 248, 248));
  QTest::mouseClick(overview, Qt::LeftButton, {}, far.toPoint());
  const TRect sight = overview->InSight();
  EXPECT_LT(sight.Left, 5000);
  EXPECT_GT(sight.Right, 5000);
  EXPECT_LT(sight.Top, 3000);
  EXPECT_GT(sight.Bottom, 3000);
  EXPECT_NEAR((sight.Left + sight.Right) / 2, 5000,
              2 * overview->ToProject({1, 1}).X - 2 * overview->ToProject({0, 0}).X + 2);
  // It keeps to the canvas's corner, and the canvas's picture to the canvas, as the window grows.
  Window->resize(Window->width() + 200, Window->height() + 100);
  QCoreApplication::processEvents();
  auto* canvas = Window->GetCanvas();
  EXPECT_EQ(canvas->Picture().size(), canvas->size());
  EXPECT_EQ(overview->geometry().bottomRight(), QPoint(canvas->width() - 9, canvas->height() - 9));
  // View ▸ Overview hides it and brings it back.
  Trigger("miOverview");
  EXPECT_FALSE(overview->isVisibleTo(Window.get()));
  Trigger("miOverview");
  EXPECT_TRUE(overview->isVisibleTo(Window.get()));
}

TEST_F(MainWindowEditTest, TheScrollBarsReachAModuleMovedFarAway) {
  auto* x = Window->findChild<QScrollBar*>("CanvasScrollX");
  auto* y = Window->findChild<QScrollBar*>("CanvasScrollY");
  const auto module = Modules()->GetItem(0);
  ASSERT_TRUE(Window->GetDocument()->MoveModules({module}, {6000, 4000}));
  EXPECT_GE(x->maximum() + x->pageStep(), 6150);
  EXPECT_GE(y->maximum() + y->pageStep(), 4150);
  // And back: the bars shrink with the modules' extent.
  Window->GetUndoStack()->undo();
  EXPECT_LT(x->maximum() + x->pageStep(), 6000);
}

TEST_F(MainWindowEditTest, UndoBringsBackEachParameterListAndTheSelection) {
  auto module = Modules()->GetItem(0);
  auto in = std::make_shared<TParamList>();
  in->AddNew()->Name = u"in";
  auto out = std::make_shared<TParamList>();
  out->AddNew()->Name = u"out1";
  out->AddNew()->Name = u"out2";
  module->SetParamIn(in);
  module->SetParamOut(out);
  QTest::mouseClick(Window->GetCanvas(), Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_TRUE(module->GetFocused());
  // A type no component stands behind gives empty lists.
  Script.Dialogs = {[](QDialog& dialog) {
    auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
    master->findChild<QComboBox*>("cbType")->setEditText("/no/such/component.so");
    master->btOkClick();
    return master->result();
  }};
  Window->EditModule(module);
  EXPECT_EQ(module->GetParamIn()->Count(), 0);
  EXPECT_EQ(module->GetParamOut()->Count(), 0);
  Trigger("miUndo");
  EXPECT_EQ(module->GetParamIn(), in);
  EXPECT_EQ(module->GetParamOut(), out);
  EXPECT_EQ(module->GetType(), u"");
  EXPECT_TRUE(module->GetFocused());
  Trigger("miRedo");
  EXPECT_EQ(module->GetParamIn()->Count(), 0);
  EXPECT_EQ(module->GetParamOut()->Count(), 0);
  EXPECT_NE(module->GetParamOut(), out);
  Trigger("miUndo");
  // The wizard with no type at all keeps the lists.
  Script.Dialogs = {Rename("Renamed")};
  Window->EditModule(module);
  EXPECT_EQ(module->GetName(), u"Renamed");
  EXPECT_EQ(module->GetParamIn(), in);
  EXPECT_EQ(module->GetParamOut(), out);
}

TEST_F(MainWindowEditTest, ZoomInAndOutGoByAQuarter) {
  Trigger("miZoomIn");
  EXPECT_DOUBLE_EQ(Window->GetCanvas()->GetZoom(), 1.25);
  Trigger("miZoomOut");
  Trigger("miZoomOut");
  EXPECT_DOUBLE_EQ(Window->GetCanvas()->GetZoom(), 0.8);
  Trigger("miActualSize");
  EXPECT_DOUBLE_EQ(Window->GetCanvas()->GetZoom(), 1.0);
}

TEST_F(MainWindowEditTest, ExportPictureWritesTheFileOrSaysWhyNot) {
  const std::u16string png = Folder.File("picture.png");
  Script.Files = {QString::fromStdU16String(png)};
  Trigger("miExportPicture");
  EXPECT_TRUE(Script.Errors.isEmpty()) << Script.Errors.join("|").toStdString();
  EXPECT_TRUE(ReadBytes(png).starts_with("\x89PNG"));
  Script.Files = {QString::fromStdU16String(Folder.File("picture.gif"))};
  Trigger("miExportPicture");
  EXPECT_EQ(Script.Errors, QStringList{QString::fromUtf8("Рисунок не сохранён.")});
  EXPECT_FALSE(std::filesystem::exists(Utf16ToUtf8(Folder.File("picture.gif"))));
}

TEST_F(MainWindowEditTest, AnExportedPictureShowsNoSelection) {
  Window->GetDocument()->Select(Modules()->GetItem(0));
  ASSERT_TRUE(Modules()->GetItem(0)->GetFocused());
  for (const char* name : {"selected.png", "selected.svg"}) {
    const std::u16string file = Folder.File(name);
    Script.Files = {QString::fromStdU16String(file)};
    Trigger("miExportPicture");
    ASSERT_TRUE(Script.Errors.isEmpty()) << Script.Errors.join("|").toStdString();
    if (std::string(name).ends_with(".png")) {
      const QImage picture(QString::fromStdU16String(file));
      ASSERT_FALSE(picture.isNull());
      for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
          ASSERT_NE(QColor(picture.pixel(x, y)), QColor(Qt::red)) << x << "," << y;
    } else {
      EXPECT_EQ(ReadBytes(file).find("#ff0000"), std::string::npos);
    }
  }
  // The canvas still shows it.
  EXPECT_TRUE(Modules()->GetItem(0)->GetFocused());
}

TEST_F(MainWindowEditTest, TextsTooLongToShowAreShownCutAndNotEditedInPart) {
  TProjectDocument* document = Window->GetDocument();
  const auto module = Modules()->GetItem(0);
  document->Select(module);
  const QString huge(200000, QChar('d'));
  ASSERT_TRUE(document->SetValue({module}, "Description", huge));
  QTableWidget* grid = GridOf(*Window);
  QTableWidgetItem* cell = nullptr;
  for (int r = 0; r < grid->rowCount(); ++r)
    if (grid->item(r, 0)->text() == "Description")
      cell = grid->item(r, 1);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->text().size(), static_cast<qsizetype>(ShownValueUnits));
  EXPECT_FALSE(cell->flags() & Qt::ItemIsEditable);
  EXPECT_TRUE(cell->toolTip().contains("200000"));
  EXPECT_EQ(module->GetDescription().size(), 200000u);
  // A short text again: shown whole and editable.
  ASSERT_TRUE(document->SetValue({module}, "Description", "short"));
  EXPECT_EQ(cell->text(), "short");
  EXPECT_TRUE(cell->flags() & Qt::ItemIsEditable);
  EXPECT_TRUE(cell->toolTip().isEmpty());
  // A huge name: the tree's entry is cut too.
  ASSERT_TRUE(document->SetValue({module}, "Name", huge));
  auto* tree = Window->findChild<QTreeWidget*>("tvMain");
  EXPECT_EQ(tree->topLevelItem(0)->child(0)->text(0).size(),
            static_cast<qsizetype>(ShownNameUnits));
}
