#include "model/unModule.h"
#include "model/unModuleList.h"

#include <gtest/gtest.h>

namespace {
std::shared_ptr<TModuleList> NewList() {
  return std::make_shared<TModuleList>();
}
} // namespace

TEST(Module, DefaultsAndAddModule) {
  auto list = NewList();
  auto m = list->AddModule(100, 100, u"Module1", 100, 100);
  EXPECT_EQ(m->GetName(), u"Module1");
  EXPECT_EQ(m->GetPosition(), (TPoint{100, 100}));
  EXPECT_EQ(m->GetHeight(), 100);
  EXPECT_EQ(m->GetWidth(), 100);
  EXPECT_EQ(m->GetFocused(), WordFalse);
  EXPECT_TRUE(m->GetDescription().empty());
  EXPECT_TRUE(m->GetType().empty());
  EXPECT_EQ(m->GetModules()->Count(), 0);
  EXPECT_EQ(m->GetParamIn(), nullptr);
  auto plain = list->AddNew();
  EXPECT_EQ(plain->GetName(), u"Module");
  auto* module = static_cast<TModule*>(plain.get());
  EXPECT_EQ(module->GetParentList(), list);
  EXPECT_EQ(module->GetProject(), nullptr);
  EXPECT_EQ(module->GetPoints()->Count(), 0);
}

TEST(Module, FocusIsStoredAsAllBitsSet) {
  auto m = NewList()->AddNew();
  m->SetFocused(1);
  EXPECT_EQ(m->GetFocused(), WordTrue);
  m->SetFocused(WordFalse);
  EXPECT_EQ(m->GetFocused(), WordFalse);
}

TEST(Module, HitTestIncludesTheEdges) {
  auto m = NewList()->AddModule(100, 100, u"M", 100, 100);
  EXPECT_TRUE(m->HitTest(150, 150));
  EXPECT_TRUE(m->HitTest(50, 50));
  EXPECT_TRUE(m->HitTest(50, 150));
  EXPECT_FALSE(m->HitTest(151, 150));
  EXPECT_FALSE(m->HitTest(150, 151));
  EXPECT_FALSE(m->HitTest(49, 100));
  m->SetWidth(101); // half of 101 is 50
  EXPECT_TRUE(m->HitTest(150, 100));
  EXPECT_FALSE(m->HitTest(151, 100));
  EXPECT_TRUE(m->HitTest(50, 100));
  EXPECT_FALSE(m->HitTest(49, 100));
}

TEST(ModuleList, FindAtReturnsTheTopmostOfOverlappingModules) {
  auto list = NewList();
  auto below = list->AddModule(100, 100, u"A", 100, 100);
  auto above = list->AddModule(120, 120, u"B", 100, 100);
  EXPECT_EQ(list->FindAt(110, 110), above);
  EXPECT_EQ(list->FindAt(55, 55), below);
  EXPECT_EQ(list->FindAt(500, 500), nullptr);
}

TEST(ModuleList, RemoveDropsOnlyTheFirstOccurrence) {
  auto list = NewList();
  auto a = list->AddNew();
  auto b = list->AddNew();
  EXPECT_EQ(list->Append(a), 2);
  EXPECT_TRUE(list->Remove(a));
  ASSERT_EQ(list->Count(), 2);
  EXPECT_EQ(list->GetItem(0), b);
  EXPECT_EQ(list->GetItem(1), a);
  EXPECT_TRUE(list->Remove(a));
  EXPECT_EQ(list->Count(), 1);
  EXPECT_FALSE(list->Remove(a));
}

TEST(ModuleList, RemoveOfAnAbsentModuleChangesNothing) {
  auto list = NewList();
  list->AddNew();
  EXPECT_FALSE(list->Remove(nullptr));
  EXPECT_FALSE(list->Remove(NewList()->AddNew()));
  EXPECT_EQ(list->Count(), 1);
}

TEST(ModuleList, GetItemOutsideTheRangeIsEmpty) {
  auto list = NewList();
  list->AddNew();
  EXPECT_EQ(list->GetItem(-1), nullptr);
  EXPECT_EQ(list->GetItem(1), nullptr);
  EXPECT_NE(list->GetItem(0), nullptr);
}

TEST(ModuleList, GetFocusedGivesTheFirstAndClearFocusClearsAll) {
  auto list = NewList();
  list->AddNew();
  auto second = list->AddNew();
  auto third = list->AddNew();
  EXPECT_EQ(list->GetFocused(), nullptr);
  third->SetFocused(WordTrue);
  second->SetFocused(WordTrue);
  EXPECT_EQ(list->GetFocused(), second);
  list->ClearFocus();
  EXPECT_EQ(list->GetFocused(), nullptr);
}
