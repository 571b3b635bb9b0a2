#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "model/unProjectSnapshot.h"
#include "xml/XmlTestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Saved(TProject& project, const TTempFolder& folder, const char* name) {
  const std::u16string file = folder.File(name);
  EXPECT_TRUE(project.Save(file));
  return ReadBytes(file);
}

} // namespace

TEST(ProjectSnapshot, BuildsAProjectThatSavesToTheSameText) {
  TTempFolder folder;
  TProject project(nullptr, {}, u"", u"Снимок");
  project.FileName = u"/somewhere/p.xml";
  project.GetMainModule()->SetDescription(u"main & <all>");
  auto top = project.GetMainModules();
  auto a = top->AddModule(10, 20, u"A", 30, 40);
  auto b = top->AddModule(50, 60, u"B", 70, 80);
  b->SetFocused(WordTrue);
  b->SetType(u"/opt/x.so");
  auto a1 = a->GetModules()->AddModule(1, 2, u"A1", 3, 4);
  auto a2 = a->GetModules()->AddModule(5, 6, u"A2", 7, 8);
  a1->GetModules()->AddModule(9, 9, u"A11", 9, 9);
  auto* points = dynamic_cast<TModule&>(*a2).GetPoints();
  points->AddNew()->PositionX = 11;
  points->AddNew()->PositionY = -12;
  auto link = std::make_shared<TLink>();
  link->From = a;
  link->Output = u"o";
  link->To = b;
  link->Input = u"i";
  link->Points = {{1, 2}, {3, 4}};
  top->GetLinks().Add(link);
  auto loose = std::make_shared<TLink>();
  loose->FromText = u"seven";
  loose->Output = u"x";
  loose->To = a2;
  loose->Input = u"y";
  loose->HasPoints = true;
  a->GetModules()->GetLinks().Add(loose);
  const std::string original = Saved(project, folder, "original.xml");

  const auto snapshot = TProjectSnapshot::Take(project);
  ASSERT_NE(snapshot, nullptr);
  // Changes after the copy do not reach it.
  a->SetName(u"changed");
  top->Remove(b);
  const auto built = snapshot->Build();
  EXPECT_EQ(built->FileName, u"/somewhere/p.xml");
  EXPECT_EQ(Saved(*built, folder, "built.xml"), original);

  TProject closed(nullptr, {}, u"", u"");
  closed.Close();
  EXPECT_EQ(TProjectSnapshot::Take(closed), nullptr);
}
