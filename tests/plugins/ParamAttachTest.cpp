#include "PluginTestSupport.h"
#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "plugins/unComponentList.h"
#include "plugins/unParamAttach.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class ParamAttachTest : public ::testing::Test {
protected:
  void SetUp() override {
    Registry.ProbeProgram = ZU_PROBE;
    for (const char* name : {"Adder.so", "Comparator.so"})
      ASSERT_TRUE(Registry.AddComponent(Samples + name));
    // AddComponent keeps only its last file's result: both are there as the registry holds them.
    ASSERT_EQ(Registry.Count(), 2);
  }
  std::u16string PathOf(std::int32_t index) { return Registry.GetComponent(index)->GetFileName(); }

  TComponentList Registry;
};

} // namespace

TEST_F(ParamAttachTest, ModulesGetTheListsOfTheirTypesComponentAtEveryDepth) {
  TTempFolder folder;
  const std::string copy = (folder.Path / "Adder.so").string();
  std::filesystem::copy_file(Samples + "Adder.so", copy);
  const std::string link = (folder.Path / "Summing.so").string();
  std::filesystem::create_symlink(Utf16ToUtf8(PathOf(0)), link);
  const std::string roundabout = Samples + "../" +
                                 std::filesystem::path(Samples).parent_path().filename().string() +
                                 "/Comparator.so";
  TProject project(&Registry, {}, u"", u"P");
  auto top = project.GetMainModules();
  const struct {
    std::u16string Type;
    std::int32_t Component; // -1: missing, -2: no type
  } rows[] = {
      {PathOf(0), 0},                   // the library's path
      {u"/elsewhere/Comparator.so", 1}, // no such file: by its file name
      {Utf8ToUtf16(copy), -1},          // a file that is there but no registered component
      {u"/no/such/Missing.so", -1},     // nothing of that name
      {u"", -2},                        // no type: lists kept
      {u"Comparator.so", 1},            // a bare file name
      {Utf8ToUtf16(link), 0},           // the library under another name
      {Utf8ToUtf16(roundabout), 1},     // the library by another path
  };
  auto kept = std::make_shared<TParamList>();
  kept->AddNew()->Name = u"kept";
  std::vector<std::shared_ptr<IModule>> modules;
  for (const auto& row : rows) {
    auto m = top->AddNew();
    m->SetType(row.Type);
    m->SetParamIn(kept);
    m->SetParamOut(kept);
    modules.push_back(m);
  }
  auto nested = modules[4]->GetModules()->AddNew();
  ASSERT_NE(Utf8ToUtf16(roundabout), PathOf(1));
  nested->SetType(PathOf(1));
  EXPECT_EQ(AttachParameters(*top, &Registry), 2u);
  for (std::size_t i = 0; i < std::size(rows); ++i) {
    const std::int32_t c = rows[i].Component;
    if (c >= 0) {
      EXPECT_EQ(modules[i]->GetParamIn(), Registry.GetComponent(c)->GetParamIn()) << i;
      EXPECT_EQ(modules[i]->GetParamOut(), Registry.GetComponent(c)->GetParamOut()) << i;
      // The component's title is shown under the module's name.
      EXPECT_EQ(modules[i]->GetTypeTitle(), Registry.GetComponent(c)->GetInfo().Title) << i;
      EXPECT_FALSE(modules[i]->GetTypeTitle().empty()) << i;
    } else if (c == -1) {
      EXPECT_TRUE(modules[i]->GetTypeTitle().empty()) << i;
      EXPECT_EQ(modules[i]->GetParamIn()->Count(), 0) << i;
      EXPECT_EQ(modules[i]->GetParamOut()->Count(), 0) << i;
      EXPECT_NE(modules[i]->GetParamIn(), kept);
    } else {
      EXPECT_EQ(modules[i]->GetParamIn(), kept) << i;
    }
    EXPECT_EQ(modules[i]->GetType(), rows[i].Type) << "the type stays";
  }
  EXPECT_EQ(nested->GetParamOut(), Registry.GetComponent(1)->GetParamOut());
  EXPECT_EQ(ComponentOfType(&Registry, u"/x/Adder.so"), Registry.GetComponent(0));
  EXPECT_EQ(ComponentOfType(&Registry, u""), nullptr);
  EXPECT_EQ(ComponentOfType(nullptr, PathOf(0)), nullptr);
}

TEST_F(ParamAttachTest, ARescanGivesTheNewComponentsLists) {
  TProject project(&Registry, {}, u"", u"P");
  auto m = project.GetMainModules()->AddNew();
  m->SetType(PathOf(0));
  AttachParameters(*project.GetMainModules(), &Registry);
  ASSERT_EQ(m->GetParamIn()->Count(), 2);
  Registry.Path = Samples;
  Registry.Refresh(); // the old components are gone, their lists emptied
  AttachParameters(*project.GetMainModules(), &Registry);
  EXPECT_EQ(m->GetParamIn()->Count(), 2);
  EXPECT_EQ(m->GetParamIn(), ComponentOfType(&Registry, m->GetType())->GetParamIn());
}
