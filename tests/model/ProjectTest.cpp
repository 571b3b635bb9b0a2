#include "model/unModule.h"
#include "model/unProject.h"
#include "support/RecordingCanvas.h"

#include <gtest/gtest.h>

TEST(Project, NewProjectHasAMainModuleWithAnEmptyList) {
  TProject project(nullptr, {}, u"", u"Project1");
  EXPECT_EQ(project.GetName(), u"Project1");
  auto main = project.GetMainModule();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(main->GetName(), u"Main");
  EXPECT_EQ(main->GetProject(), &project);
  EXPECT_EQ(main->GetParentList(), nullptr);
  EXPECT_EQ(project.GetMainModules(), main->GetModules());
  EXPECT_EQ(project.GetMainModules()->Count(), 0);
}

TEST(Project, CloseFreesTheTreeAndDrawsNothing) {
  TProject project(nullptr, {}, u"", u"P");
  std::weak_ptr<IModule> child = project.GetMainModules()->AddNew();
  std::weak_ptr<IModule> grandChild = child.lock()->GetModules()->AddNew();
  std::weak_ptr<TModule> main = project.GetMainModule();
  project.Close();
  EXPECT_EQ(project.GetMainModules(), nullptr);
  EXPECT_TRUE(main.expired());
  EXPECT_TRUE(child.expired());
  EXPECT_TRUE(grandChild.expired());
  TRecordingCanvas canvas;
  project.Draw(nullptr, canvas);
  EXPECT_TRUE(canvas.Calls.empty());
  project.Close(); // a second close does nothing
}

TEST(Project, DrawShowsTheFirstLevel) {
  TProject project(nullptr, {}, u"", u"P");
  project.GetMainModules()->AddModule(100, 100, u"Module1", 100, 100);
  TRecordingCanvas canvas;
  project.Draw(nullptr, canvas);
  EXPECT_EQ(canvas.Of("rect").size(), 1u);
}
