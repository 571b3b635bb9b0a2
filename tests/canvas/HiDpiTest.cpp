// The canvas on a screen of twice the pixels per unit (run with QT_SCALE_FACTOR=2): the picture
// has the screen's pixels, and the control's units still mean what they mean at 1.
#include "canvas/unProgrammingImage.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(HiDpi, ThePictureHasTheScreensPixelsAndClicksFindWhatTheyShow) {
  TProgrammingImage image;
  image.resize(400, 300);
  image.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&image));
  const double ratio = image.devicePixelRatioF();
  if (ratio < 1.5)
    GTEST_SKIP() << "the screen has " << ratio << " pixels per unit (QT_SCALE_FACTOR=2 runs this)";
  TProject project(nullptr, {}, u"", u"P");
  auto module = project.GetMainModules()->AddModule(100, 100, u"M", 100, 80); // 80 wide
  auto out = std::make_shared<TParamList>();
  out->AddNew()->Name = u"o";
  module->SetParamOut(out);
  image.SetProject(&project);
  image.Redraw();
  // Twice the pixels each way, the zoom the user sees still 1.
  EXPECT_EQ(image.Picture().size(), QSize(800, 600));
  EXPECT_DOUBLE_EQ(image.GetZoom(), 1);
  // The box's left edge at project x = 60 is picture pixel 120; a unit to its left, white.
  EXPECT_EQ(QColor(image.Picture().pixel(120, 200)), QColor(Qt::black));
  EXPECT_EQ(QColor(image.Picture().pixel(118, 200)), QColor(Qt::white));
  // Units of the control are project units at zoom 1: a click finds the module and its mark.
  EXPECT_EQ(image.ToProject({100, 100}), (TPoint{100, 100}));
  std::vector<std::shared_ptr<IModule>> selected;
  image.OnSelect = [&](const std::shared_ptr<IModule>& m) { selected.push_back(m); };
  image.MouseDown(62, 100);
  image.MouseUp();
  image.MouseDown(55, 100);
  image.MouseUp();
  EXPECT_EQ(selected, (std::vector<std::shared_ptr<IModule>>{module, nullptr}));
  const TPoint mark = module->MarkPoint(true, 0);
  const TProgrammingImage::TMarkHit hit = image.MarkAt({mark.X + 3, mark.Y});
  EXPECT_EQ(hit.Module, module);
  EXPECT_TRUE(hit.Output);
  // Zoomed in about a point, that point stays under the mouse.
  image.SetZoom(2, {100, 100});
  EXPECT_DOUBLE_EQ(image.GetZoom(), 2);
  EXPECT_EQ(image.ToProject({100, 100}), (TPoint{100, 100}));
  EXPECT_EQ(image.Picture().size(), QSize(800, 600));
}
