#include "canvas/unPictureExport.h"
#include "canvas/unProgrammingImage.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "xml/XmlTestSupport.h"
#include "xml/unXml.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QStyleHints>
#include <QTest>
#include <gtest/gtest.h>
#include <random>

namespace {

class ProgrammingImageTest : public ::testing::Test {
protected:
  void SetUp() override {
    Image.resize(400, 300);
    Image.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Image));
    Image.SetProject(&Project);
    // A fake owner: it does what the canvas asks, as the document would, and notes it.
    Image.OnSelect = [this](const std::shared_ptr<IModule>& m) {
      Selected.push_back(m);
      Project.GetMainModules()->ClearFocus();
      if (m)
        m->SetFocused(WordTrue);
      Image.Redraw();
    };
    Image.OnToggle = [this](const std::shared_ptr<IModule>& m) {
      Toggled.push_back(m);
      m->SetFocused(ToWordBool(!m->GetFocused()));
      Image.Redraw();
    };
    Image.OnModulesDrop = [this](const std::vector<std::shared_ptr<IModule>>& modules,
                                 TPoint delta) {
      Drops.push_back(delta);
      for (const auto& m : modules) {
        Moved.push_back(m);
        const TPoint p = m->GetPosition();
        m->SetPosition({p.X + delta.X, p.Y + delta.Y});
      }
      Image.Redraw();
    };
    Image.OnModuleKeyMove = [this](const std::shared_ptr<IModule>& m, TPoint delta) {
      KeyMoves.push_back(delta);
      const TPoint p = m->GetPosition();
      m->SetPosition({p.X + delta.X, p.Y + delta.Y});
      Image.Redraw();
    };
    Image.OnModuleEdit = [this](const std::shared_ptr<IModule>& m) { Edited.push_back(m); };
  }

  std::shared_ptr<IModule> Add(int x, int y) {
    return Project.GetMainModules()->AddModule(x, y, u"M", 100, 100);
  }

  TProject Project{nullptr, {}, u"", u"P"};
  TProgrammingImage Image;
  std::vector<std::shared_ptr<IModule>> Selected, Toggled, Moved, Edited;
  std::vector<TPoint> Drops, KeyMoves;
};

} // namespace

TEST_F(ProgrammingImageTest, RedrawPaintsTheFrameAndTheBox) {
  Add(100, 100);
  Image.Redraw();
  const QImage& pic = Image.Picture();
  ASSERT_EQ(pic.size(), QSize(400, 300));
  EXPECT_EQ(QColor(pic.pixel(0, 0)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(399, 299)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(200, 0)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(1, 1)), QColor(Qt::white));
  EXPECT_EQ(QColor(pic.pixel(50, 50)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(150, 150)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(150, 70)), QColor(Qt::black));
  EXPECT_EQ(QColor(pic.pixel(151, 150)), QColor(Qt::white));
  EXPECT_EQ(QColor(pic.pixel(49, 70)), QColor(Qt::white));
  EXPECT_EQ(QColor(pic.pixel(60, 60)), QColor(Qt::white)); // filled with the brush
}

TEST_F(ProgrammingImageTest, PictureFollowsTheControlSize) {
  Image.resize(500, 320);
  QCoreApplication::processEvents();
  EXPECT_EQ(Image.Picture().size(), QSize(500, 320));
  EXPECT_EQ(QColor(Image.Picture().pixel(499, 319)), QColor(Qt::black));
}

TEST_F(ProgrammingImageTest, PressSelectsTheTopmostAndOnlyItTurnsRed) {
  auto below = Add(100, 100);
  auto above = Add(120, 120);
  QTest::mousePress(&Image, Qt::LeftButton, {}, QPoint(110, 110));
  QTest::mouseRelease(&Image, Qt::LeftButton, {}, QPoint(110, 110));
  ASSERT_EQ(Selected.size(), 1u);
  EXPECT_EQ(Selected[0], above);
  EXPECT_TRUE(above->GetFocused());
  EXPECT_FALSE(below->GetFocused());
  EXPECT_EQ(QColor(Image.Picture().pixel(170, 170)), QColor(Qt::red));
  EXPECT_EQ(QColor(Image.Picture().pixel(50, 50)), QColor(Qt::black));
}

TEST_F(ProgrammingImageTest, PressOnEmptySpaceClearsFocusAndReportsNothing) {
  auto m = Add(100, 100);
  QTest::mouseClick(&Image, Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_TRUE(m->GetFocused());
  QTest::mouseClick(&Image, Qt::LeftButton, {}, QPoint(151, 150));
  ASSERT_EQ(Selected.size(), 2u);
  EXPECT_EQ(Selected[1], nullptr);
  EXPECT_FALSE(m->GetFocused());
}

TEST_F(ProgrammingImageTest, DragMovesTheCentreByTheMouseDistance) {
  for (QPoint grab : {QPoint(100, 100), QPoint(60, 140), QPoint(150, 50)}) {
    auto m = Add(100, 100);
    Project.GetMainModules()->ClearFocus();
    QTest::mousePress(&Image, Qt::LeftButton, {}, grab);
    QTest::mouseMove(&Image, grab + QPoint(4, 0));
    QTest::mouseMove(&Image, grab + QPoint(10, 0));
    QTest::mouseRelease(&Image, Qt::LeftButton, {}, grab + QPoint(10, 0));
    EXPECT_EQ(m->GetPosition(), (TPoint{110, 100})) << grab.x() << "," << grab.y();
    Project.GetMainModules()->Remove(m);
  }
  // One move asked per drag, not per mouse move.
  EXPECT_EQ(Drops, (std::vector<TPoint>{{10, 0}, {10, 0}, {10, 0}}));
}

TEST_F(ProgrammingImageTest, ADragShowsTheModulesMovedButLeavesThemWhereTheyAreUntilReleased) {
  auto m = Add(100, 100);
  Image.OnModulesDrop = [this](const std::vector<std::shared_ptr<IModule>>&, TPoint delta) {
    Drops.push_back(delta);
  };
  Image.MouseDown(100, 100);
  Image.MouseMove(200, 150);
  // Drawn where the drag shows it, the model untouched.
  EXPECT_EQ(m->GetPosition(), (TPoint{100, 100}));
  EXPECT_EQ(QColor(Image.Picture().pixel(150, 100)), QColor(Qt::red));  // the moved box's edge
  EXPECT_EQ(QColor(Image.Picture().pixel(50, 100)), QColor(Qt::white)); // the old one is gone
  Image.MouseUp();
  EXPECT_EQ(Drops, (std::vector<TPoint>{{100, 50}}));
  // An owner that refuses the move: the picture shows the module where it still is.
  EXPECT_EQ(m->GetPosition(), (TPoint{100, 100}));
  EXPECT_EQ(QColor(Image.Picture().pixel(50, 100)), QColor(Qt::red));
  EXPECT_EQ(QColor(Image.Picture().pixel(150, 100)), QColor(Qt::red));
  EXPECT_EQ(QColor(Image.Picture().pixel(250, 100)), QColor(Qt::white));
}

TEST_F(ProgrammingImageTest, APressInsideASelectionDragsItAllAndAClickSelectsTheOneAlone) {
  auto a = Add(100, 100);
  auto b = Add(300, 100);
  a->SetFocused(WordTrue);
  b->SetFocused(WordTrue);
  Image.SelectionOf = [&] { return std::vector<std::shared_ptr<IModule>>{a, b}; };
  Image.MouseDown(100, 100);
  EXPECT_TRUE(Selected.empty()); // a drag may follow: the selection stays
  Image.MouseMove(110, 120);
  Image.MouseUp();
  EXPECT_EQ(Moved, (std::vector<std::shared_ptr<IModule>>{a, b}));
  EXPECT_TRUE(Selected.empty());
  // Pressed and released without a move: that one alone.
  Image.MouseDown(310, 120);
  Image.MouseUp();
  EXPECT_EQ(Selected, (std::vector<std::shared_ptr<IModule>>{b}));
}

TEST_F(ProgrammingImageTest, APressOnAnOutputMarkSelectsItsModuleBeforeTheWire) {
  auto a = Add(100, 100);
  auto b = Add(300, 100);
  auto out = std::make_shared<TParamList>();
  out->AddNew()->Name = u"Y";
  b->SetParamOut(out);
  a->SetFocused(WordTrue);
  const TPoint mark = b->MarkPoint(true, 0);
  Image.MouseDown(mark.X - 2, mark.Y);
  EXPECT_TRUE(Image.IsConnecting());
  EXPECT_EQ(Selected, (std::vector<std::shared_ptr<IModule>>{b}));
  Image.MouseUp();
  // The double click that follows edits the module under the mouse.
  Image.DblClick(mark.X - 2, mark.Y);
  EXPECT_EQ(Edited, (std::vector<std::shared_ptr<IModule>>{b}));
  // A double click that comes while a press on the mark holds a wire ends the wire. (The first
  // press after a double click is the click's own and is passed over.)
  Image.MouseDown(mark.X - 2, mark.Y);
  Image.MouseDown(mark.X - 2, mark.Y);
  ASSERT_TRUE(Image.IsConnecting());
  Image.DblClick(mark.X - 2, mark.Y);
  EXPECT_FALSE(Image.IsConnecting());
  EXPECT_EQ(Edited.size(), 2u);
}

TEST_F(ProgrammingImageTest, CtrlTogglesAndABandAsksForWhatItTouches) {
  auto a = Add(100, 100);
  auto b = Add(300, 100);
  std::vector<std::shared_ptr<IModule>> banded;
  Image.OnBandSelect = [&](const std::vector<std::shared_ptr<IModule>>& m) { banded = m; };
  Image.MouseDown(100, 100, true);
  Image.MouseUp();
  EXPECT_EQ(Toggled, (std::vector<std::shared_ptr<IModule>>{a}));
  EXPECT_TRUE(Selected.empty());
  // A band from empty canvas over b's corner (a is selected: it does not join again).
  Image.MouseDown(390, 290, true);
  Image.MouseMove(340, 140);
  Image.MouseUp();
  EXPECT_EQ(banded, (std::vector<std::shared_ptr<IModule>>{b}));
  // A band that touches nothing asks for nothing.
  int asked = 0;
  Image.OnBandSelect = [&](const std::vector<std::shared_ptr<IModule>>&) { ++asked; };
  Image.MouseDown(500, 400, true);
  Image.MouseMove(560, 450);
  Image.MouseUp();
  EXPECT_EQ(asked, 0);
}

TEST_F(ProgrammingImageTest, MovesWithoutAPressDoNothing) {
  auto m = Add(100, 100);
  QTest::mouseMove(&Image, QPoint(100, 100));
  QTest::mouseMove(&Image, QPoint(120, 100));
  Image.MouseMove(130, 100);
  Image.MouseUp();
  EXPECT_EQ(m->GetPosition(), (TPoint{100, 100}));
  EXPECT_TRUE(Drops.empty());
}

TEST_F(ProgrammingImageTest, RightButtonSelectsAndDrags) {
  auto m = Add(100, 100);
  QTest::mousePress(&Image, Qt::RightButton, {}, QPoint(90, 90));
  Image.MouseMove(95, 80);
  QTest::mouseRelease(&Image, Qt::RightButton, {}, QPoint(95, 80));
  ASSERT_EQ(Selected.size(), 1u);
  EXPECT_EQ(Selected[0], m);
  EXPECT_EQ(m->GetPosition(), (TPoint{105, 90}));
}

TEST_F(ProgrammingImageTest, DoubleClickEditsOnceAndTheNextPressStillSelects) {
  auto m = Add(100, 100);
  auto other = Add(300, 200);
  // Through the window, as the platform delivers it: press, release, double-click, release.
  QTest::mouseDClick(Image.windowHandle(), Qt::LeftButton, {}, QPoint(100, 100));
  ASSERT_EQ(Edited.size(), 1u);
  EXPECT_EQ(Edited[0], m);
  EXPECT_TRUE(m->GetFocused());
  // The next real press selects as usual.
  QTest::qWait(QGuiApplication::styleHints()->mouseDoubleClickInterval() + 50);
  QTest::mouseClick(Image.windowHandle(), Qt::LeftButton, {}, QPoint(300, 200));
  EXPECT_TRUE(other->GetFocused());
  EXPECT_FALSE(m->GetFocused());
  EXPECT_EQ(Edited.size(), 1u);
  EXPECT_EQ(Selected.back(), other);
}

TEST_F(ProgrammingImageTest, DoubleClickBesideEveryModuleDoesNotEdit) {
  Add(100, 100);
  Image.DblClick(300, 250);
  EXPECT_TRUE(Edited.empty());
  Image.MouseDown(100, 100); // no skip pending: this press selects
  EXPECT_EQ(Selected.size(), 1u);
}

TEST_F(ProgrammingImageTest, WithoutAProjectOnlyReleaseDoesAnything) {
  Add(100, 100);
  Image.SetProject(nullptr);
  QTest::mouseClick(&Image, Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseDClick(&Image, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(Selected.empty());
  EXPECT_TRUE(Edited.empty());
}

TEST_F(ProgrammingImageTest, ModulesPartlyOrWhollyOutsideThePictureAreClipped) {
  auto m = Add(-10, 20);
  m->SetParamIn(nullptr);
  Add(100000, -100000);
  Add(395, 295)->SetName(u"A long name that runs past the right edge of the picture");
  Image.Redraw();
  const QImage& pic = Image.Picture();
  EXPECT_EQ(QColor(pic.pixel(40, 30)), QColor(Qt::black));   // right edge of the first box
  EXPECT_EQ(QColor(pic.pixel(20, 30)), QColor(Qt::white));   // inside it
  EXPECT_EQ(QColor(pic.pixel(345, 245)), QColor(Qt::black)); // top-left of the last box
}

TEST_F(ProgrammingImageTest, NameIsWrittenAtTheCentreOfTheBox) {
  auto m = Add(100, 100);
  m->SetName(u"WWWW");
  Image.Redraw();
  const QImage& pic = Image.Picture();
  int dark = 0;
  for (int x = 85; x <= 115; ++x)
    for (int y = 92; y <= 108; ++y)
      dark += qGray(pic.pixel(x, y)) < 128;
  EXPECT_GT(dark, 10);
}

TEST_F(ProgrammingImageTest, AnExportedPictureHasTheBoxesWhereTheCanvasHasThem) {
  Add(100, 100);
  Project.GetMainModules()->AddModule(300, 200, u"Second", 60, 80);
  Image.Redraw();
  TTempFolder folder;
  const QString png = QString::fromStdString((folder.Path / "p.png").string());
  QString reason;
  ASSERT_TRUE(ExportPicture(Project, png, &reason)) << reason.toStdString();
  QImage exported(png);
  ASSERT_FALSE(exported.isNull());
  EXPECT_GE(exported.width(), 341);
  EXPECT_GE(exported.height(), 231);
  const QImage& canvas = Image.Picture();
  for (QPoint p : {QPoint(50, 50), QPoint(150, 150), QPoint(260, 170), QPoint(340, 230),
                   QPoint(120, 60), QPoint(300, 200)})
    EXPECT_EQ(exported.pixel(p), canvas.pixel(p)) << p.x() << "," << p.y();
  const QString svg = QString::fromStdString((folder.Path / "p.SVG").string());
  ASSERT_TRUE(ExportPicture(Project, svg, &reason)) << reason.toStdString();
  TKvenXmlDocument1 doc;
  EXPECT_TRUE(doc.LoadFromFile(svg.toStdU16String()));
  EXPECT_EQ(doc.GetRoot()->GetName(), u"svg");
  EXPECT_FALSE(
      ExportPicture(Project, QString::fromStdString((folder.Path / "p.bmp").string()), &reason));
  EXPECT_TRUE(reason.contains("bmp"));
}

TEST_F(ProgrammingImageTest, HitTestingAndDraggingWorkInProjectCoordinatesAtEveryZoom) {
  auto m = Add(100, 100);
  for (const double zoom : {0.5, 2.0}) {
    Image.SetZoom(zoom, QPoint(0, 0));
    Image.SetOrigin({0, 0});
    m->SetPosition({100, 100});
    const auto pixel = [&](int x, int y) {
      return QPoint(static_cast<int>(x * zoom), static_cast<int>(y * zoom));
    };
    Selected.clear();
    Image.MouseDown(pixel(45, 45).x(), pixel(45, 45).y()); // outside the box (50 .. 150)
    Image.MouseUp();
    ASSERT_EQ(Selected.size(), 1u);
    EXPECT_EQ(Selected[0], nullptr) << zoom;
    Image.MouseDown(pixel(140, 140).x(), pixel(140, 140).y());
    EXPECT_EQ(Selected.back(), m) << zoom;
    Image.MouseMove(pixel(160, 150).x(), pixel(160, 150).y());
    Image.MouseUp();
    EXPECT_EQ(m->GetPosition(), (TPoint{120, 110})) << zoom;
    // The box is drawn where the zoom puts it.
    EXPECT_EQ(QColor(Image.Picture().pixel(pixel(70, 60))), QColor(Qt::red)) << zoom;
  }
  Image.SetZoom(100, QPoint(0, 0));
  EXPECT_EQ(Image.GetZoom(), TProgrammingImage::MaxZoom);
}

TEST_F(ProgrammingImageTest, DragsRedrawTheSamePixelsAsAFullRedraw) {
  std::mt19937 random(11);
  auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(random); };
  auto params = std::make_shared<TParamList>();
  for (int i = 0; i < 3; ++i)
    params->AddNew();
  for (int i = 0; i < 150; ++i) {
    auto m = Project.GetMainModules()->AddModule(pick(-50, 450), pick(-50, 350),
                                                 u"Module " + std::u16string(1, u'a' + i % 26),
                                                 pick(20, 90), pick(20, 120));
    m->SetParamIn(params);
    m->SetParamOut(params);
  }
  for (const double zoom : {1.0, 2.0, 0.5}) {
    Image.SetZoom(zoom, QPoint(0, 0));
    Image.SetOrigin({pick(-40, 40), pick(-40, 40)});
    for (int drag = 0; drag < 25; ++drag) {
      auto m = Project.GetMainModules()->GetItem(pick(0, 149));
      const TPoint p = Image.GetOrigin();
      const TPoint at = m->GetPosition();
      const QPoint press(static_cast<int>((at.X - p.X) * zoom),
                         static_cast<int>((at.Y - p.Y) * zoom));
      Image.MouseDown(press.x(), press.y());
      for (int step = 0; step < 4; ++step)
        Image.MouseMove(press.x() + pick(-60, 60), press.y() + pick(-60, 60));
      Image.MouseUp();
    }
    const QImage partial = Image.Picture().copy();
    Image.Redraw();
    ASSERT_EQ(partial, Image.Picture()) << "zoom " << zoom;
  }
}

TEST_F(ProgrammingImageTest, ArrowKeysMoveTheSelectedModuleAndTakeTheKey) {
  auto module = Add(100, 100);
  auto press = [&](int key, Qt::KeyboardModifiers modifiers = {}) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    event.ignore();
    QCoreApplication::sendEvent(&Image, &event);
    return event.isAccepted();
  };
  EXPECT_FALSE(press(Qt::Key_Right)); // nothing selected: the key goes on
  EXPECT_TRUE(KeyMoves.empty());
  QTest::mouseClick(&Image, Qt::LeftButton, {}, QPoint(100, 100));
  EXPECT_TRUE(press(Qt::Key_Right));
  EXPECT_TRUE(press(Qt::Key_Down, Qt::ShiftModifier));
  EXPECT_FALSE(press(Qt::Key_A));
  EXPECT_EQ(module->GetPosition(), (TPoint{101, 110}));
  EXPECT_EQ(KeyMoves, (std::vector<TPoint>{{1, 0}, {0, 10}}));
  // Redrawn where it is now.
  EXPECT_EQ(QColor(Image.Picture().pixel(51, 60)), QColor(Qt::red));
  EXPECT_EQ(QColor(Image.Picture().pixel(50, 55)), QColor(Qt::white));
}

TEST_F(ProgrammingImageTest, MarksArePickedWithinEightPixelsAtEveryZoomWithTheirToolTip) {
  auto module = Add(100, 100);
  auto in = std::make_shared<TParamList>();
  TParam* a = in->AddNew();
  a->Name = u"A";
  a->Title = u"Слагаемое A";
  a->Description = u"First term";
  a->Type = u"double";
  in->AddNew()->Name = u"B";
  module->SetParamIn(in);
  auto out = std::make_shared<TParamList>();
  out->AddNew()->Name = u"Sum";
  module->SetParamOut(out);
  for (const double zoom : {1.0, 2.0, 0.5}) {
    Image.SetZoom(zoom, QPoint(0, 0));
    Image.SetOrigin({0, 0});
    const TPoint mark = module->MarkPoint(false, 0);
    const QPoint pixel(static_cast<int>(mark.X * zoom), static_cast<int>(mark.Y * zoom));
    for (const QPoint offset : {QPoint(8, 0), QPoint(-8, -4), QPoint(0, -8), QPoint(0, 0)}) {
      const auto hit = Image.MarkAt(pixel + offset);
      EXPECT_EQ(hit.Module, module) << zoom << " " << offset.x() << "," << offset.y();
      EXPECT_FALSE(hit.Output);
      EXPECT_EQ(hit.Index, 0);
    }
    for (const QPoint offset : {QPoint(9, 0), QPoint(0, -9), QPoint(-9, -9)})
      EXPECT_EQ(Image.MarkAt(pixel + offset).Module, nullptr)
          << zoom << " " << offset.x() << "," << offset.y();
    const TPoint sum = module->MarkPoint(true, 0);
    const auto outHit =
        Image.MarkAt(QPoint(static_cast<int>(sum.X * zoom), static_cast<int>(sum.Y * zoom)));
    EXPECT_TRUE(outHit.Output);
  }
  TProgrammingImage::TMarkHit hit{module, false, 0};
  EXPECT_EQ(TProgrammingImage::MarkText(hit),
            QString::fromUtf8("Слагаемое A\nFirst term\nВход A, тип double"));
  hit.Index = 1;
  EXPECT_EQ(TProgrammingImage::MarkText(hit), QString::fromUtf8("B\nВход B"));
  EXPECT_EQ(TProgrammingImage::MarkText({}), QString());
}

namespace {

// Two modules, the first's output "Sum" linked to the second's input "A".
std::shared_ptr<TLink> LinkTwo(TProject& project, std::shared_ptr<IModule> from,
                               std::shared_ptr<IModule> to) {
  auto in = std::make_shared<TParamList>();
  in->AddNew()->Name = u"A";
  auto out = std::make_shared<TParamList>();
  out->AddNew()->Name = u"Sum";
  for (const auto& m : {from, to}) {
    m->SetParamIn(in);
    m->SetParamOut(out);
  }
  auto link = std::make_shared<TLink>();
  link->From = from;
  link->Output = u"Sum";
  link->To = to;
  link->Input = u"A";
  project.GetMainModules()->GetLinks().Add(link);
  return link;
}

// The pixels of the picture that differ between two pictures, as their bounds.
QRect Differing(const QImage& a, const QImage& b) {
  QRect bounds;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.pixel(x, y) != b.pixel(x, y))
        bounds |= QRect(x, y, 1, 1);
  return bounds;
}

} // namespace

TEST_F(ProgrammingImageTest, ABoxHidesTheMarksOfTheModulesBelowIt) {
  auto below = Add(100, 100), above = Add(160, 100);
  auto params = std::make_shared<TParamList>();
  params->AddNew()->Name = u"A";
  below->SetParamOut(params);
  above->SetParamIn(params);
  Image.SetZoom(1, QPoint(0, 0));
  Image.SetOrigin({0, 0});
  // The lower module's output mark lies inside the upper box: a press there is on that box.
  const TPoint hidden = below->MarkPoint(true, 0);
  ASSERT_TRUE(above->HitTest(hidden.X, hidden.Y));
  EXPECT_EQ(Image.MarkAt(QPoint(hidden.X, hidden.Y)).Module, nullptr);
  // The upper module's own mark is found, over the lower box too.
  const TPoint shown = above->MarkPoint(false, 0);
  EXPECT_EQ(Image.MarkAt(QPoint(shown.X, shown.Y)).Module, above);
  // Beside every box, the lower module's mark counts again.
  Project.GetMainModules()->Remove(above);
  EXPECT_EQ(Image.MarkAt(QPoint(hidden.X, hidden.Y)).Module, below);
}

TEST_F(ProgrammingImageTest, ALinksValueIsWrittenAboveItsMiddleWhenItCanBeRead) {
  auto from = Add(60, 150);
  auto to = Add(300, 150);
  const auto link = LinkTwo(Project, from, to);
  Image.Redraw();
  const QImage plain = Image.Picture().copy();
  std::vector<const TLink*> asked;
  Image.LinkValue = [&](const TLink& l) {
    asked.push_back(&l);
    return std::u16string(u"42.5");
  };
  Image.Redraw();
  EXPECT_EQ(asked, std::vector<const TLink*>{link.get()});
  const QRect changed = Differing(plain, Image.Picture());
  ASSERT_FALSE(changed.isEmpty());
  // Between the boxes (their edges at 110 and 250), standing on the line's middle.
  const int line = from->MarkPoint(true, 0).Y;
  EXPECT_GT(changed.left(), 110);
  EXPECT_LT(changed.right(), 250);
  EXPECT_LT(changed.bottom(), line);
  EXPECT_GT(changed.top(), line - 40);
  const QPoint middle = changed.center();
  EXPECT_NEAR(middle.x(), 180, 6);
  // Inside its frame the text stands on white: dark pixels and white ones.
  int dark = 0, white = 0;
  for (int y = changed.top() + 2; y <= changed.bottom() - 2; ++y)
    for (int x = changed.left() + 3; x <= changed.right() - 3; ++x)
      (QColor(Image.Picture().pixel(x, y)).lightness() < 128 ? dark : white)++;
  EXPECT_GT(dark, 10);
  EXPECT_GT(white, dark);
  // No text: nothing written.
  Image.LinkValue = [](const TLink&) { return std::u16string(); };
  Image.Redraw();
  EXPECT_TRUE(Differing(plain, Image.Picture()).isEmpty());
  // Too small to read: not even asked.
  Image.LinkValue = [&](const TLink& l) {
    asked.push_back(&l);
    return std::u16string(u"42.5");
  };
  Image.SetZoom(0.2, QPoint(0, 0));
  asked.clear();
  Image.Redraw();
  EXPECT_TRUE(asked.empty());
}

TEST_F(ProgrammingImageTest, ReadOnlyItSelectsButMovesAndLinksNothing) {
  auto from = Add(60, 150);
  auto to = Add(300, 150);
  LinkTwo(Project, from, to);
  int told = 0;
  Image.OnReadOnly = [&] { ++told; };
  Image.SetReadOnly(true);
  EXPECT_TRUE(Image.IsReadOnly());
  Image.MouseDown(300, 150);
  EXPECT_TRUE(to->GetFocused());
  Image.MouseMove(340, 190);
  Image.MouseUp();
  EXPECT_EQ(to->GetPosition().X, 300);
  EXPECT_TRUE(Drops.empty());
  EXPECT_EQ(told, 1);
  // No wire from an output, no key move, no edit.
  const TPoint sum = from->MarkPoint(true, 0);
  Image.MouseDown(sum.X, sum.Y);
  EXPECT_FALSE(Image.IsConnecting());
  EXPECT_FALSE(Image.KeyMove(Qt::Key_Left, false));
  EXPECT_EQ(to->GetPosition().X, 300);
  Image.DblClick(300, 150);
  EXPECT_TRUE(Edited.empty());
  // Nor is a link's route changed: neither a drag of its segment nor a double click.
  int routed = 0;
  Image.OnLinkRoute = [&](const std::shared_ptr<TLink>&, std::vector<TPoint>,
                          TProgrammingImage::TRouteEdit) { ++routed; };
  Image.MouseUp();
  const TPoint middle{(sum.X + to->MarkPoint(false, 0).X) / 2, sum.Y};
  Image.MouseDown(middle.X, middle.Y);
  Image.MouseMove(middle.X, middle.Y + 30);
  Image.MouseUp();
  Image.DblClick(middle.X, middle.Y);
  Image.MouseDown(middle.X, middle.Y); // the press the double click took
  Image.MouseUp();
  EXPECT_EQ(routed, 0);
  EXPECT_TRUE(Image.RouteDragPoints().empty());
  // Writable again: the same press drags (after the press the double click took).
  Image.SetReadOnly(false);
  Image.MouseDown(300, 150);
  Image.MouseUp();
  EXPECT_EQ(to->GetPosition().X, 300);
  Image.MouseDown(300, 150);
  Image.MouseMove(340, 150);
  Image.MouseUp();
  EXPECT_EQ(to->GetPosition().X, 340);
}

namespace {

// Gathers the regions the control is asked to paint.
class TPaintWatch : public QObject {
public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint)
      Painted += static_cast<QPaintEvent*>(event)->region();
    return false;
  }
  QRegion Painted;
};

} // namespace

TEST_F(ProgrammingImageTest, ARedrawOfAnAreaShowsAllOfItOnTheScreen) {
  Add(150, 150);
  Image.Redraw();
  // Nothing of the whole picture's paint may still be pending.
  TPaintWatch before;
  Image.installEventFilter(&before);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !before.Painted.isEmpty(); }, 2000));
  Image.removeEventFilter(&before);
  QCoreApplication::processEvents();
  TPaintWatch watch;
  Image.installEventFilter(&watch);
  Image.RedrawArea({100, 100, 200, 200});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !watch.Painted.isEmpty(); }, 2000));
  // Every pixel drawn again (the area and one more on each side, for what scaling rounds), its
  // last row and column too, reaches the screen.
  EXPECT_TRUE((QRegion(QRect(QPoint(99, 99), QPoint(201, 201))) - watch.Painted).isEmpty())
      << watch.Painted.boundingRect().x() << "," << watch.Painted.boundingRect().y() << " "
      << watch.Painted.boundingRect().width() << "x" << watch.Painted.boundingRect().height();
  Image.removeEventFilter(&watch);
}

TEST_F(ProgrammingImageTest, AnOutputsMarkOrLinkNamesTheOutputForItsMenuAndToolTip) {
  auto from = Add(100, 100);
  auto to = Add(400, 100);
  auto out = std::make_shared<TParamList>();
  out->AddNew()->Name = u"Sum";
  from->SetParamOut(out);
  auto in = std::make_shared<TParamList>();
  in->AddNew()->Name = u"A";
  to->SetParamIn(in);
  auto link = std::make_shared<TLink>();
  link->From = from;
  link->Output = u"Sum";
  link->To = to;
  link->Input = u"A";
  Project.GetMainModules()->GetLinks().Add(link);
  Image.SetProject(&Project);
  Image.SetZoom(1, QPoint(0, 0));
  Image.SetOrigin({0, 0});
  const TPoint sum = from->MarkPoint(true, 0), a = to->MarkPoint(false, 0);
  EXPECT_EQ(Image.OutputAt({sum.X, sum.Y}), std::make_pair(from, std::u16string(u"Sum")));
  // Half way along the link, its output; an input's mark and empty canvas name none.
  EXPECT_EQ(Image.OutputAt({(sum.X + a.X) / 2, (sum.Y + a.Y) / 2}),
            std::make_pair(from, std::u16string(u"Sum")));
  EXPECT_EQ(Image.OutputAt({a.X, a.Y}).first, nullptr);
  EXPECT_EQ(Image.OutputAt({(sum.X + a.X) / 2, 20}).first, nullptr);
}
