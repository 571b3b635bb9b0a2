#include "canvas/unProgrammingImage.h"
#include "canvas/unQtStrings.h"
#include "model/unLinkDraw.h"
#include "model/unLinkList.h"
#include "model/unProject.h"
#include "plugins/unComponentList.h"
#include "shell/unModuleMaster.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QStatusBar>
#include <QUndoStack>
#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// The main window on a folder holding three sample components, started with no project.
class ConnectionsTest : public ::testing::Test {
protected:
  void SetUp() override {
    for (const char* name : {"Adder.so", "Comparator.so", "SignalGenerator.so"})
      std::filesystem::copy_file(std::string(ZU_SAMPLES) + "/" + name, Folder.Path / name);
    Window = ShownMainWindow(Script, Folder.Path);
    Window->GetComponents()->ProbeProgram = std::string(ZU_SAMPLES) + "/zu-probe";
    Script.Dialogs = {[](QDialog&) { return 2; }};
    Window->Start();
    Window->WaitForComponents();
    ASSERT_EQ(Window->GetComponents()->Count(), 3);
    Trigger("miNewProject");
  }
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  std::shared_ptr<IModuleList> Modules() { return Window->GetProject()->GetMainModules(); }
  std::u16string Path(const char* name) { return Utf8ToUtf16((Folder.Path / name).string()); }
  // Adds a module of the component through the wizard.
  void AddModule(const char* component, int x, int y) {
    const QString type = QString::fromStdU16String(Path(component));
    Script.Dialogs = {[=](QDialog& dialog) {
      auto* master = qobject_cast<TFormModuleMaster*>(&dialog);
      master->findChild<QComboBox*>("cbType")->setCurrentText(type);
      master->findChild<QLineEdit*>("edPositionX")->setText(QString::number(x));
      master->findChild<QLineEdit*>("edPositionY")->setText(QString::number(y));
      master->btOkClick();
      return master->result();
    }};
    Trigger("miNewModule");
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
};

} // namespace

TEST_F(ConnectionsTest, ParametersComeBackAfterOpenAndAfterARescan) {
  AddModule("Adder.so", 300, 100);
  auto adder = Modules()->GetItem(1);
  ASSERT_EQ(adder->GetParamIn()->Count(), 2);
  Script.Files = {QString::fromStdU16String(Path("p.xml"))};
  Trigger("miSaveProject");
  Script.Files = {QString::fromStdU16String(Path("p.xml"))};
  Trigger("miOpenProject");
  ASSERT_TRUE(Script.Errors.isEmpty());
  adder = Modules()->GetItem(1);
  EXPECT_EQ(adder->GetParamIn()->Count(), 2);
  EXPECT_EQ(adder->GetParamOut()->Count(), 1);
  // View ▸ Components scans again: the module holds the new component's lists.
  Script.Dialogs = {[](QDialog&) { return 2; }};
  Trigger("miComponents");
  TComponent* fresh = Window->GetComponents()->GetComponent(0);
  EXPECT_EQ(adder->GetParamIn(), fresh->GetParamIn());
  EXPECT_EQ(adder->GetParamIn()->Count(), 2);
}

TEST_F(ConnectionsTest, AMissingComponentKeepsTheTypeAndTheGridSaysSo) {
  AddModule("Adder.so", 300, 100);
  auto adder = Modules()->GetItem(1);
  auto* grid = GridOf(*Window);
  auto typeItem = [&] {
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, 0)->text() == "Type")
        return grid->item(r, 1);
    return static_cast<QTableWidgetItem*>(nullptr);
  };
  ASSERT_NE(typeItem(), nullptr);
  EXPECT_TRUE(typeItem()->toolTip().isEmpty());
  EXPECT_NE(typeItem()->foreground().color(), QColor(Qt::red));
  // The component goes away: after a rescan the module keeps its type and shows no marks.
  std::filesystem::remove(Folder.Path / "Adder.so");
  Script.Dialogs = {[](QDialog&) { return 2; }};
  Trigger("miComponents");
  EXPECT_EQ(adder->GetType(), Path("Adder.so"));
  EXPECT_EQ(adder->GetParamIn()->Count(), 0);
  EXPECT_EQ(GridValue(*Window, "Type"), QString::fromStdU16String(Path("Adder.so")));
  EXPECT_EQ(typeItem()->foreground().color(), QColor(Qt::red));
  EXPECT_TRUE(typeItem()->toolTip().contains(QString::fromUtf8("не найден")))
      << typeItem()->toolTip().toStdString();
}

namespace {

// Presses at the output's mark, moves in steps and lets go at the input's mark.
void DragWire(TProgrammingImage* canvas, QPoint from, QPoint to) {
  QTest::mousePress(canvas, Qt::LeftButton, {}, from);
  for (int step = 1; step <= 4; ++step)
    QTest::mouseMove(canvas, from + (to - from) * step / 4);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, to);
}

QPoint OnPicture(TProgrammingImage* canvas, TPoint p) {
  const double zoom = canvas->GetZoom();
  const TPoint origin = canvas->GetOrigin();
  return QPoint(static_cast<int>(std::lround((p.X - origin.X) * zoom)),
                static_cast<int>(std::lround((p.Y - origin.Y) * zoom)));
}

} // namespace

TEST_F(ConnectionsTest, DraggingFromAnOutputToAnInputLinksThemAtEveryZoom) {
  AddModule("SignalGenerator.so", 150, 300);
  AddModule("Adder.so", 350, 300);
  auto generator = Modules()->GetItem(1), adder = Modules()->GetItem(2);
  auto* canvas = Window->GetCanvas();
  const TLinkList& links = Modules()->GetLinks();
  for (const double zoom : {1.0, 2.0}) {
    canvas->SetZoom(zoom, QPoint(0, 0));
    canvas->SetOrigin({100, 200});
    const int before = Window->GetUndoStack()->count();
    DragWire(canvas, OnPicture(canvas, generator->MarkPoint(true, 0)),
             OnPicture(canvas, adder->MarkPoint(false, zoom == 1.0 ? 0 : 1)) + QPoint(3, -2));
    ASSERT_EQ(links.Count(), zoom == 1.0 ? 1 : 2) << zoom;
    const auto link = links.Get(links.Count() - 1);
    EXPECT_EQ(link->From, generator);
    EXPECT_EQ(link->Output, u"Signal");
    EXPECT_EQ(link->To, adder);
    EXPECT_EQ(link->Input, zoom == 1.0 ? u"A" : u"B");
    EXPECT_EQ(Window->GetUndoStack()->count(), before + 1);
    EXPECT_FALSE(canvas->IsConnecting());
  }
  // Drawn in the output's colour between the marks.
  canvas->SetZoom(1, QPoint(0, 0));
  canvas->SetOrigin({0, 0});
  const QImage& picture = canvas->Picture();
  const TPoint mid = {(generator->MarkPoint(true, 0).X + adder->MarkPoint(false, 0).X) / 2,
                      (generator->MarkPoint(true, 0).Y + adder->MarkPoint(false, 0).Y) / 2};
  bool blue = false;
  for (int dy = -3; dy <= 3; ++dy)
    blue = blue || QColor(picture.pixel(mid.X, mid.Y + dy)) == QColor(Qt::blue);
  EXPECT_TRUE(blue) << "no link drawn near " << mid.X << "," << mid.Y;
  Trigger("miUndo");
  EXPECT_EQ(links.Count(), 1);
  Trigger("miRedo");
  EXPECT_EQ(links.Count(), 2);
}

TEST_F(ConnectionsTest, RefusedWiresAddNothingAndSayWhy) {
  AddModule("Comparator.so", 150, 300);
  AddModule("Adder.so", 350, 300);
  auto comparator = Modules()->GetItem(1), adder = Modules()->GetItem(2);
  auto* canvas = Window->GetCanvas();
  const TLinkList& links = Modules()->GetLinks();
  struct TCase {
    std::shared_ptr<IModule> From;
    int Output;
    std::shared_ptr<IModule> To;
    int Input;
    const char* Says;
  };
  // Adder.Sum (double) → Comparator.Value (double) is fine; the others are not.
  DragWire(canvas, OnPicture(canvas, adder->MarkPoint(true, 0)),
           OnPicture(canvas, comparator->MarkPoint(false, 0)));
  ASSERT_EQ(links.Count(), 1);
  const TCase cases[] = {
      {comparator, 0, adder, 0, "Типы не совпадают"}, // bool → double
      {adder, 0, adder, 1, "сам с собой"},            // itself
  };
  for (const TCase& c : cases) {
    DragWire(canvas, OnPicture(canvas, c.From->MarkPoint(true, c.Output)),
             OnPicture(canvas, c.To->MarkPoint(false, c.Input)));
    EXPECT_EQ(links.Count(), 1) << c.Says;
    EXPECT_TRUE(Window->statusBar()->currentMessage().contains(QString::fromUtf8(c.Says)))
        << Window->statusBar()->currentMessage().toStdString();
  }
  // Dropped on empty canvas.
  DragWire(canvas, OnPicture(canvas, adder->MarkPoint(true, 0)), QPoint(600, 80));
  EXPECT_EQ(links.Count(), 1);
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains(QString::fromUtf8("на входе")));
  EXPECT_EQ(Window->GetUndoStack()->count(), 3); // two modules and one link
}

TEST_F(ConnectionsTest, ALinkIsSelectedByAClickNearItDeletedAndBroughtBack) {
  AddModule("SignalGenerator.so", 150, 300);
  AddModule("Adder.so", 400, 300);
  auto generator = Modules()->GetItem(1), adder = Modules()->GetItem(2);
  auto* canvas = Window->GetCanvas();
  ASSERT_TRUE(Window->GetDocument()->AddLink(generator, u"Signal", adder, u"A").Ok);
  const auto link = Modules()->GetLinks().Get(0);
  // The middle of its longest horizontal segment, then 3 pixels off it.
  const std::vector<TPoint> corners = LinkCorners(*Modules(), *link);
  TPoint on = corners.front();
  for (std::size_t k = 0, longest = 0; k + 1 < corners.size(); ++k)
    if (const auto run = static_cast<std::size_t>(std::abs(corners[k + 1].X - corners[k].X));
        corners[k].Y == corners[k + 1].Y && run > longest) {
      longest = run;
      on = {(corners[k].X + corners[k + 1].X) / 2, corners[k].Y};
    }
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(on.X, on.Y + 3));
  EXPECT_EQ(Window->GetDocument()->SelectedLink(), link);
  EXPECT_EQ(Window->GetDocument()->Selected(), nullptr);
  // Each new module took a free name of its own.
  EXPECT_EQ(GridValue(*Window, "From"), ToQString(generator->GetName()) + ".Signal");
  EXPECT_EQ(GridValue(*Window, "To"), ToQString(adder->GetName()) + ".A");
  EXPECT_NE(generator->GetName(), adder->GetName());
  EXPECT_TRUE(Window->findChild<QAction*>("miDelete")->isEnabled());
  // Drawn wider when selected: the pixel beside the curve is blue too.
  EXPECT_EQ(QColor(canvas->Picture().pixel(on.X, on.Y + 1)), QColor(Qt::blue));
  Trigger("miDelete");
  EXPECT_EQ(Modules()->GetLinks().Count(), 0);
  EXPECT_EQ(Modules()->Count(), 3) << "only the link goes";
  EXPECT_EQ(Window->GetDocument()->SelectedLink(), nullptr);
  EXPECT_NE(QColor(canvas->Picture().pixel(on.X, on.Y)), QColor(Qt::blue)); // gone from the picture
  Trigger("miUndo");
  EXPECT_EQ(Modules()->GetLinks().Get(0), link);
  EXPECT_EQ(QColor(canvas->Picture().pixel(on.X, on.Y)), QColor(Qt::blue)); // and back on it
  // 5 pixels off selects nothing; a click on a box selects the module, not the link.
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(on.X, on.Y + 6));
  EXPECT_EQ(Window->GetDocument()->SelectedLink(), nullptr);
  QTest::mouseClick(canvas, Qt::LeftButton, {}, QPoint(400, 300));
  EXPECT_EQ(Window->GetDocument()->Selected(), adder);
  EXPECT_EQ(GridValue(*Window, "Name"), QString::fromStdU16String(adder->GetName()));
}

TEST_F(ConnectionsTest, DeletingAModuleTakesItsLinksAndUndoBringsThemBack) {
  AddModule("SignalGenerator.so", 150, 200);
  AddModule("Adder.so", 350, 250);
  AddModule("Comparator.so", 550, 250);
  auto generator = Modules()->GetItem(1), adder = Modules()->GetItem(2),
       comparator = Modules()->GetItem(3);
  auto* document = Window->GetDocument();
  ASSERT_TRUE(document->AddLink(generator, u"Signal", adder, u"A").Ok);
  ASSERT_TRUE(document->AddLink(generator, u"Signal", adder, u"B").Ok);
  ASSERT_TRUE(document->AddLink(adder, u"Sum", comparator, u"Value").Ok);
  ASSERT_TRUE(document->AddLink(generator, u"Signal", comparator, u"Threshold").Ok);
  const TLinkList& links = Modules()->GetLinks();
  std::vector<std::shared_ptr<TLink>> all;
  for (std::int32_t i = 0; i < links.Count(); ++i)
    all.push_back(links.Get(i));
  document->Select(adder);
  Trigger("miDelete");
  EXPECT_EQ(Modules()->IndexOf(adder), -1);
  ASSERT_EQ(links.Count(), 1);
  EXPECT_EQ(links.Get(0), all[3]);
  Trigger("miUndo");
  ASSERT_EQ(links.Count(), 4);
  for (std::size_t i = 0; i < all.size(); ++i)
    EXPECT_EQ(links.Get(static_cast<std::int32_t>(i)), all[i]) << i;
  EXPECT_EQ(Modules()->GetItem(2), adder);
  // Saved and opened again: the same links, ports and all.
  Script.Files = {QString::fromStdU16String(Path("linked.xml"))};
  Trigger("miSaveProject");
  Script.Files = {QString::fromStdU16String(Path("linked.xml"))};
  Trigger("miOpenProject");
  const TLinkList& reopened = Modules()->GetLinks();
  ASSERT_EQ(reopened.Count(), 4);
  for (std::int32_t i = 0; i < 4; ++i)
    EXPECT_TRUE(LinkResolves(*reopened.Get(i))) << i;
  EXPECT_EQ(reopened.Get(2)->From, Modules()->GetItem(2));
  EXPECT_EQ(reopened.Get(2)->Input, u"Value");
}

TEST_F(ConnectionsTest, ASegmentDraggedAndBendsDoubleClickedAreUndoSteps) {
  AddModule("SignalGenerator.so", 150, 300);
  AddModule("Adder.so", 450, 360);
  auto generator = Modules()->GetItem(1), adder = Modules()->GetItem(2);
  auto* canvas = Window->GetCanvas();
  ASSERT_TRUE(Window->GetDocument()->AddLink(generator, u"Signal", adder, u"B").Ok);
  const auto link = Modules()->GetLinks().Get(0);
  const std::vector<TPoint> routed = LinkCorners(*Modules(), *link);
  ASSERT_EQ(routed.size(), 6u); // out, along, across, along, in
  ASSERT_EQ(routed[2].X, routed[3].X);
  // The vertical segment dragged 40 to the right.
  const QPoint grab(routed[2].X, (routed[2].Y + routed[3].Y) / 2);
  QTest::mousePress(canvas, Qt::LeftButton, {}, grab);
  for (int step = 1; step <= 4; ++step)
    QTest::mouseMove(canvas, grab + QPoint(10 * step, 5));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, grab + QPoint(40, 5));
  EXPECT_EQ(link->Points, (std::vector<TPoint>{{routed[2].X + 40, routed[2].Y},
                                               {routed[3].X + 40, routed[3].Y}}));
  const std::vector<TPoint> moved = LinkCorners(*Modules(), *link);
  EXPECT_EQ(moved[2].X, routed[2].X + 40);
  // Drawn where it was put: blue on the new line, not on the old one.
  const QImage& picture = canvas->Picture();
  EXPECT_EQ(QColor(picture.pixel(grab.x() + 40, grab.y())), QColor(Qt::blue));
  EXPECT_NE(QColor(picture.pixel(grab.x(), grab.y())), QColor(Qt::blue));
  auto* undo = Window->findChild<QUndoStack*>();
  ASSERT_NE(undo, nullptr);
  EXPECT_EQ(undo->undoText(), "Move Link");
  // A double click on the segment adds a bend there, one on the bend removes it.
  const QPoint on(moved[2].X, (moved[2].Y + moved[3].Y) / 2);
  QTest::mouseDClick(canvas, Qt::LeftButton, {}, on);
  ASSERT_EQ(link->Points.size(), 3u);
  EXPECT_EQ(link->Points[1], (TPoint{on.x(), on.y()}));
  EXPECT_EQ(undo->undoText(), "Add Bend");
  QTest::mouseDClick(canvas, Qt::LeftButton, {}, on + QPoint(2, 2));
  EXPECT_EQ(link->Points.size(), 2u);
  EXPECT_EQ(undo->undoText(), "Remove Bend");
  Trigger("miUndo");
  Trigger("miUndo");
  Trigger("miUndo");
  EXPECT_TRUE(link->Points.empty());
  EXPECT_EQ(LinkCorners(*Modules(), *link), routed);
}

TEST_F(ConnectionsTest, MovingAModuleRedrawsItsLinksAsAFullRedrawWould) {
  AddModule("SignalGenerator.so", 150, 200);
  AddModule("Adder.so", 350, 250);
  auto generator = Modules()->GetItem(1), adder = Modules()->GetItem(2);
  ASSERT_TRUE(Window->GetDocument()->AddLink(generator, u"Signal", adder, u"A").Ok);
  auto* canvas = Window->GetCanvas();
  canvas->Redraw();
  QTest::mousePress(canvas, Qt::LeftButton, {}, QPoint(350, 250));
  for (const QPoint p : {QPoint(360, 270), QPoint(390, 330), QPoint(420, 150)})
    QTest::mouseMove(canvas, p);
  const QImage partial = canvas->Picture().copy();
  canvas->Redraw();
  EXPECT_TRUE(partial == canvas->Picture());
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, QPoint(420, 150));
  EXPECT_EQ(adder->GetPosition(), (TPoint{420, 150}));
}

TEST_F(ConnectionsTest, APressOnAnInputsMarkSelectsItsModuleAndDrawsNoWire) {
  AddModule("Adder.so", 300, 300);
  auto adder = Modules()->GetItem(1);
  Window->GetDocument()->Select(nullptr);
  auto* canvas = Window->GetCanvas();
  const QPoint input = OnPicture(canvas, adder->MarkPoint(false, 0));
  QTest::mousePress(canvas, Qt::LeftButton, {}, input);
  EXPECT_FALSE(canvas->IsConnecting());
  EXPECT_EQ(Window->GetDocument()->Selected(), adder);
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, input);
  EXPECT_EQ(Modules()->GetLinks().Count(), 0);
}

TEST_F(ConnectionsTest, AWireThatWouldCloseACycleIsRefusedWithItsReason) {
  AddModule("Adder.so", 150, 300);
  AddModule("Adder.so", 350, 300);
  auto first = Modules()->GetItem(1), second = Modules()->GetItem(2);
  auto* canvas = Window->GetCanvas();
  DragWire(canvas, OnPicture(canvas, first->MarkPoint(true, 0)),
           OnPicture(canvas, second->MarkPoint(false, 0)));
  ASSERT_EQ(Modules()->GetLinks().Count(), 1);
  // While the wire is drawn, the first adder's inputs are not offered: they would close a cycle.
  QTest::mousePress(canvas, Qt::LeftButton, {}, OnPicture(canvas, second->MarkPoint(true, 0)));
  EXPECT_TRUE(canvas->IsConnecting());
  const QPoint firstInput = OnPicture(canvas, first->MarkPoint(false, 1));
  QTest::mouseMove(canvas, firstInput);
  EXPECT_NE(QColor(canvas->Picture().pixel(firstInput.x() - 4, firstInput.y())), QColor(Qt::red));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, firstInput);
  EXPECT_EQ(Modules()->GetLinks().Count(), 1);
  EXPECT_TRUE(Window->statusBar()->currentMessage().contains(QString::fromUtf8("цикл")))
      << Window->statusBar()->currentMessage().toStdString();
  // A third adder's inputs are offered: marked while the wire is drawn.
  AddModule("Adder.so", 550, 300);
  auto third = Modules()->GetItem(3);
  QTest::mousePress(canvas, Qt::LeftButton, {}, OnPicture(canvas, second->MarkPoint(true, 0)));
  const QPoint thirdInput = OnPicture(canvas, third->MarkPoint(false, 0));
  EXPECT_EQ(QColor(canvas->Picture().pixel(thirdInput.x() - 4, thirdInput.y())), QColor(Qt::red));
  QTest::mouseRelease(canvas, Qt::LeftButton, {}, thirdInput);
  EXPECT_EQ(Modules()->GetLinks().Count(), 2);
}

TEST_F(ConnectionsTest, ASelectedLinkStaysSelectedThroughChangesThatKeepIt) {
  AddModule("SignalGenerator.so", 150, 300);
  AddModule("Adder.so", 400, 300);
  auto generator = Modules()->GetItem(1), adder = Modules()->GetItem(2);
  auto* document = Window->GetDocument();
  ASSERT_TRUE(document->AddLink(generator, u"Signal", adder, u"A").Ok);
  const auto first = Modules()->GetLinks().Get(0);
  document->SelectLink(first);
  // Another link added, then taken back: the first one is still the one selected.
  ASSERT_TRUE(document->AddLink(generator, u"Signal", adder, u"B").Ok);
  EXPECT_EQ(document->SelectedLink(), first);
  Trigger("miUndo");
  EXPECT_EQ(document->SelectedLink(), first);
  EXPECT_EQ(GridValue(*Window, "To"), ToQString(adder->GetName()) + ".A");
  // Undoing the first link itself forgets it.
  Trigger("miUndo");
  EXPECT_EQ(document->SelectedLink(), nullptr);
  EXPECT_FALSE(Window->findChild<QAction*>("miDelete")->isEnabled());
}
