#include "model/unFreePlace.h"
#include "model/unLevelGraph.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unNames.h"
#include "model/unParamList.h"
#include "model/unPorts.h"
#include "model/unProject.h"
#include "model/unSubsystem.h"
#include "model/unValueType.h"
#include "platform/unLanguage.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<TParamList> Params(std::initializer_list<const char16_t*> names) {
  auto list = std::make_shared<TParamList>();
  for (const char16_t* name : names)
    list->AddNew()->Name = name;
  return list;
}

std::vector<std::u16string> Names(const std::shared_ptr<IParamList>& list) {
  std::vector<std::u16string> names;
  const auto* params = dynamic_cast<const TParamList*>(list.get());
  for (std::int32_t i = 0; params && i < params->Count(); ++i)
    names.push_back(params->Get(i)->Name);
  return names;
}

std::shared_ptr<TLink> Link(IModuleList& list, const std::shared_ptr<IModule>& from,
                            const char16_t* output, const std::shared_ptr<IModule>& to,
                            const char16_t* input) {
  auto link = std::make_shared<TLink>();
  link->From = from;
  link->Output = output;
  link->To = to;
  link->Input = input;
  list.GetLinks().Add(link);
  return link;
}

// A module of a component with inputs "A", "B" and output "Y".
std::shared_ptr<IModule> Block(IModuleList& list, const char16_t* name, int x = 0, int y = 0) {
  auto m = list.AddModule(x, y, name, 40, 40);
  m->SetType(u"Block.so");
  m->SetParamIn(Params({u"A", u"B"}));
  m->SetParamOut(Params({u"Y"}));
  return m;
}

std::shared_ptr<IModule> Port(IModuleList& list, bool output, const char16_t* name) {
  auto m = list.AddModule(0, 0, name, 30, 30);
  m->SetType(std::u16string(output ? OutputPortType : InputPortType));
  return m;
}

// A description of the links of a list: "From.Output>To.Input" each, in order.
std::string LinksOf(const IModuleList& list) {
  std::string text;
  for (const auto& link : list.GetLinks().All()) {
    auto name = [](const std::shared_ptr<IModule>& m) {
      std::string n;
      for (const char16_t c : m->GetName())
        n += static_cast<char>(c);
      return n;
    };
    auto param = [](const std::u16string& p) { return std::string(p.begin(), p.end()); };
    text += (text.empty() ? "" : " ") + name(link->From) + "." + param(link->Output) + ">" +
            name(link->To) + "." + param(link->Input);
  }
  return text;
}

std::string ModulesOf(const IModuleList& list) {
  std::string text;
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    const std::u16string name = list.GetItem(i)->GetName();
    text += (text.empty() ? "" : " ") + std::string(name.begin(), name.end());
  }
  return text;
}

class SubsystemTest : public ::testing::Test {
protected:
  TProject Project{nullptr, {}, u"", u"P"};
  std::shared_ptr<IModuleList> Main = Project.GetMainModules();
};

} // namespace

TEST_F(SubsystemTest, BoundaryModulesGiveTheirParentPortsInTheirOrder) {
  auto filter = Main->AddModule(0, 0, u"Filter", 100, 100);
  auto inside = filter->GetModules();
  Port(*inside, false, u"In");
  Block(*inside, u"Work");
  Port(*inside, true, u"Out");
  Port(*inside, false, u"Gain");
  UpdateAllPorts(*Main);
  EXPECT_TRUE(IsSubsystem(*filter));
  EXPECT_EQ(Names(filter->GetParamIn()), (std::vector<std::u16string>{u"In", u"Gain"}));
  EXPECT_EQ(Names(filter->GetParamOut()), (std::vector<std::u16string>{u"Out"}));
  EXPECT_EQ(ParamType(*filter, false, u"Gain"), u"any");
  // Inside, an input port has one output "Value", an output port one input "Value".
  EXPECT_EQ(Names(inside->GetItem(0)->GetParamOut()), (std::vector<std::u16string>{u"Value"}));
  EXPECT_TRUE(Names(inside->GetItem(0)->GetParamIn()).empty());
  EXPECT_EQ(Names(inside->GetItem(2)->GetParamIn()), (std::vector<std::u16string>{u"Value"}));
  EXPECT_EQ(PortModule(*filter, false, u"Gain"), inside->GetItem(3));
  EXPECT_EQ(PortModule(*filter, true, u"Gain"), nullptr);
  // Unchanged ports keep their lists; a renamed one gives new ones.
  const auto before = filter->GetParamIn();
  EXPECT_FALSE(UpdatePorts(*filter));
  EXPECT_EQ(filter->GetParamIn(), before);
  inside->GetItem(3)->SetName(u"K");
  EXPECT_TRUE(UpdatePorts(*filter));
  EXPECT_EQ(Names(filter->GetParamIn()), (std::vector<std::u16string>{u"In", u"K"}));
  // Without ports it shows none; a component's module keeps its lists.
  for (const int i : {3, 2, 0})
    inside->Remove(inside->GetItem(i));
  EXPECT_TRUE(UpdatePorts(*filter));
  EXPECT_TRUE(Names(filter->GetParamIn()).empty());
  EXPECT_FALSE(UpdatePorts(*inside->GetItem(0)));
  EXPECT_EQ(Names(inside->GetItem(0)->GetParamIn()), (std::vector<std::u16string>{u"A", u"B"}));
}

TEST_F(SubsystemTest, AListKnowsItsOwnerWhileTheOwnerLives) {
  auto owner = Main->AddModule(0, 0, u"S", 10, 10);
  std::shared_ptr<IModuleList> children = owner->GetModules();
  EXPECT_EQ(children->GetOwner(), owner.get());
  EXPECT_EQ(Main->GetOwner(), Project.GetMainModule().get());
  Main->Remove(owner);
  owner.reset();
  EXPECT_EQ(children->GetOwner(), nullptr);
}

TEST(Names, TheFirstFreeNameOfTheStem) {
  const std::unordered_set<std::u16string> taken{u"Gen1", u"Gen2", u"Module", u"Add", u"X9"};
  const struct {
    const char16_t* Wanted;
    const char16_t* Given;
  } rows[] = {
      {u"Gen1", u"Gen3"}, {u"Gen", u"Gen"},        {u"Add", u"Add1"}, {u"Free", u"Free"},
      {u"", u"Module1"},  {u"Module", u"Module1"}, {u"X9", u"X1"},    {u"42", u"42"},
  };
  for (const auto& row : rows)
    EXPECT_EQ(FreeName(taken, row.Wanted), row.Given);
  EXPECT_EQ(NumberedName(taken, u"Gen"), u"Gen3");
  EXPECT_EQ(NumberedName(taken, u"SignalGenerator"), u"SignalGenerator1");
  EXPECT_EQ(NameStem(u"Gen12"), u"Gen");
  EXPECT_EQ(NameStem(u"Gen90"), u"Gen");
  EXPECT_EQ(NameStem(u"12"), u"");
}

TEST_F(SubsystemTest, AFreeNameOnALevelSkipsTheNumbersItsStemHasThere) {
  for (const char16_t* name : {u"A", u"A1", u"A3", u"A02", u"A1x", u"B7"})
    Main->AddModule(0, 0, name, 10, 10);
  const struct {
    const char16_t* Wanted;
    const char16_t* Given;
  } rows[] = {{u"A", u"A2"},  {u"A1", u"A2"}, {u"A3", u"A2"},    {u"A2", u"A2"},
              {u"B7", u"B1"}, {u"C", u"C"},   {u"", u"Module1"}, {u"A02", u"A2"}};
  for (const auto& row : rows)
    EXPECT_EQ(FreeNameIn(*Main, row.Wanted), row.Given);
  // Every digit counts: Q1 … Q9 taken, Q10 is the next.
  for (int i = 1; i <= 9; ++i)
    Main->AddModule(0, 0, u"Q" + std::u16string(1, static_cast<char16_t>(u'0' + i)), 10, 10);
  EXPECT_EQ(FreeNameIn(*Main, u"Q1"), u"Q10");
}

TEST_F(SubsystemTest, DuplicateNamesAreFoundInGroupsAndATakenNameIsKnown) {
  for (const char16_t* name : {u"A", u"B", u"A", u"C", u"B", u"A"})
    Main->AddModule(0, 0, name, 10, 10);
  EXPECT_EQ(DuplicateNames(*Main), (std::vector<std::vector<std::int32_t>>{{0, 2, 5}, {1, 4}}));
  EXPECT_TRUE(NameTaken(*Main, u"C", nullptr));
  EXPECT_FALSE(NameTaken(*Main, u"C", Main->GetItem(3).get()));
  EXPECT_FALSE(NameTaken(*Main, u"D", nullptr));
}

TEST(ValueTypes, ATextReadsAsItsTypeOrSaysWhyNot) {
  TLanguage was = TextLanguage();
  SetTextLanguage(TLanguage::English);
  const struct {
    const char16_t* Type;
    const char16_t* Text;
    bool Ok;
  } rows[] = {
      {u"double", u"1.5", true},
      {u"double", u"-2e-3", true},
      {u"double", u"inf", true},
      {u"double", u"nan", true},
      {u"double", u" 7 ", true},
      {u"double", u"+3", true},
      {u"double", u"abc", false},
      {u"double", u"1,5", false},
      {u"double", u"", false},
      {u"double", u"1.5x", false},
      {u"double", u"++1", false},
      {u"int", u"42", true},
      {u"int", u"-2147483648", true},
      {u"int", u"2147483648", false},
      {u"int", u"1.5", false},
      {u"bool", u"true", true},
      {u"bool", u"FALSE", true},
      {u"bool", u"1", true},
      {u"bool", u"0", true},
      {u"bool", u"yes", false},
      {u"bool", u"2", false},
      {u"string", u"anything", true},
      {u"any", u"", true},
      {u"", u"x", true},
      {u"decimal", u"x", true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(ValueProblem(row.Type, row.Text).empty(), row.Ok)
        << std::string(row.Type, row.Type + std::char_traits<char16_t>::length(row.Type)) << " "
        << ValueProblem(row.Type, row.Text);
  EXPECT_EQ(ValueProblem(u"double", u"abc"), "“abc” is not a number (double)");
  // Choices are the only values a parameter with choices takes.
  TParam waveform;
  waveform.Type = u"double";
  waveform.Choices = {{u"0", u"Sine"}, {u"1", u"Square"}};
  EXPECT_EQ(ValueProblem(waveform, u"1"), "");
  EXPECT_EQ(ValueProblem(waveform, u"2"), "“2” is not one of the choices: 0, 1");
  SetTextLanguage(was);
}

TEST(ValueTypes, AParameterReadsItsChoices) {
  TParam param;
  ASSERT_TRUE(param.LoadFromText(u"<Param><Name>W</Name><Type>double</Type><Choices>"
                                 u"<Choice0><Value>0</Value><Title>Sine</Title></Choice0>"
                                 u"<Choice1><Value>1</Value><Title>Square</Title></Choice1>"
                                 u"<Choice3><Value>3</Value></Choice3></Choices></Param>"));
  EXPECT_EQ(param.Choices, (std::vector<TChoice>{{u"0", u"Sine"}, {u"1", u"Square"}}));
}

TEST_F(SubsystemTest, TwoSeparateChannelsThroughASubsystemCloseNoCycle) {
  // A → F.In1, F.Out1 → B, B → F.In2: inside In1 → Out1 and In2 → Out2 apart.
  auto a = Block(*Main, u"A"), b = Block(*Main, u"B");
  auto f = Main->AddModule(0, 0, u"F", 100, 100);
  auto inside = f->GetModules();
  auto in1 = Port(*inside, false, u"In1"), in2 = Port(*inside, false, u"In2");
  auto out1 = Port(*inside, true, u"Out1"), out2 = Port(*inside, true, u"Out2");
  Link(*inside, in1, u"Value", out1, u"Value");
  Link(*inside, in2, u"Value", out2, u"Value");
  UpdateAllPorts(*Main);
  Link(*Main, a, u"Y", f, u"In1");
  Link(*Main, f, u"Out1", b, u"A");
  EXPECT_TRUE(Main->GetLinks().Check(b, u"Y", f, u"In2").Ok);
  // Out2 back into A closes no cycle either, but In1's channel back into A does.
  EXPECT_TRUE(Main->GetLinks().Check(f, u"Out2", a, u"A").Ok);
  EXPECT_FALSE(Main->GetLinks().Check(f, u"Out1", a, u"A").Ok);
  EXPECT_FALSE(Main->GetLinks().Check(b, u"Y", a, u"B").Ok);
  // Once inside In2 leads to Out1 as well, B → F.In2 would close a cycle.
  Link(*inside, in2, u"Value", out1, u"Value");
  EXPECT_FALSE(Main->GetLinks().Check(b, u"Y", f, u"In2").Ok);
  // As a whole.
  auto closing = Link(*Main, b, u"Y", f, u"In2");
  EXPECT_FALSE(TLevelGraph(Main->GetLinks().All()).Acyclic());
  const auto faults = UnlawfulLinks(Main->GetLinks().All());
  ASSERT_EQ(faults.size(), 1u);
  EXPECT_EQ(faults[0].Index, 2u);
  EXPECT_EQ(faults[0].Fault, TLinkFault::ClosesCycle);
  Main->GetLinks().Remove(closing);
  inside->GetLinks().Remove(inside->GetLinks().Get(2));
  EXPECT_TRUE(UnlawfulLinks(Main->GetLinks().All()).empty());
}

TEST_F(SubsystemTest, ALinkInsideIsRefusedWhenTheLevelAboveClosesTheCycle) {
  // Above: F.Out → A, A → F.In. Inside F, In → Work is free, Work → Out closes the cycle.
  auto a = Block(*Main, u"A");
  auto f = Main->AddModule(0, 0, u"F", 100, 100);
  auto inside = f->GetModules();
  auto in = Port(*inside, false, u"In"), out = Port(*inside, true, u"Out");
  auto work = Block(*inside, u"Work");
  UpdateAllPorts(*Main);
  Link(*Main, f, u"Out", a, u"A");
  Link(*Main, a, u"Y", f, u"In");
  const std::vector<TLevelGraph::TAbove> above{{Main.get(), f.get()}};
  EXPECT_TRUE(inside->GetLinks().Check(in, u"Value", work, u"A", above, u"Main/F/").Ok);
  Link(*inside, in, u"Value", work, u"A");
  const TLinkCheck closing = inside->GetLinks().Check(work, u"Y", out, u"Value", above, u"Main/F/");
  EXPECT_FALSE(closing.Ok);
  EXPECT_NE(closing.Reason.find(u"Main/F/Work"), std::u16string::npos);
  // Without the level above the same link looks free.
  EXPECT_TRUE(inside->GetLinks().Check(work, u"Y", out, u"Value").Ok);
}

TEST_F(SubsystemTest, ACycleIsFoundThroughTwoLevelsAbove) {
  // Main: S1.O1 → A, A → S1.I1; in S1: I1 → S2.I2, S2.O2 → O1; in S2: I2 → W. W → O2 would
  // close W → O2 → O1 → A → I1 → I2 → W.
  auto a = Block(*Main, u"A");
  auto s1 = Main->AddModule(0, 0, u"S1", 100, 100);
  auto l1 = s1->GetModules();
  auto i1 = Port(*l1, false, u"I1"), o1 = Port(*l1, true, u"O1");
  auto s2 = l1->AddModule(0, 0, u"S2", 100, 100);
  auto l2 = s2->GetModules();
  auto i2 = Port(*l2, false, u"I2"), o2 = Port(*l2, true, u"O2");
  auto w = Block(*l2, u"W");
  UpdateAllPorts(*Main);
  Link(*Main, s1, u"O1", a, u"A");
  Link(*Main, a, u"Y", s1, u"I1");
  Link(*l1, i1, u"Value", s2, u"I2");
  Link(*l1, s2, u"O2", o1, u"Value");
  Link(*l2, i2, u"Value", w, u"A");
  const std::vector<TLevelGraph::TAbove> above{{Main.get(), s1.get()}, {l1.get(), s2.get()}};
  EXPECT_FALSE(l2->GetLinks().Check(w, u"Y", o2, u"Value", above).Ok);
  // Without the link back above it is free.
  Main->GetLinks().Remove(Main->GetLinks().Get(1));
  EXPECT_TRUE(l2->GetLinks().Check(w, u"Y", o2, u"Value", above).Ok);
}

TEST_F(SubsystemTest, MakeSubsystemTurnsCrossingLinksIntoPortsAndUndoesExactly) {
  auto a = Block(*Main, u"A", 0, 0), b = Block(*Main, u"B", 100, 0), c = Block(*Main, u"C", 200, 0);
  auto d = Block(*Main, u"D", 300, 0);
  Link(*Main, a, u"Y", b, u"A");
  Link(*Main, a, u"Y", c, u"B"); // one output outside feeding two inside: one port
  Link(*Main, b, u"Y", c, u"A"); // inside
  Link(*Main, c, u"Y", d, u"A");
  Link(*Main, c, u"Y", d, u"B"); // one output inside feeding two outside: one port
  a->SetFocused(WordTrue);
  const std::string before = LinksOf(*Main);
  TRestructure plan = PlanMakeSubsystem(Main, {b, c});
  ASSERT_TRUE(plan.Ok);
  EXPECT_EQ(ModulesOf(*Main), "A B C D"); // nothing changes until it is applied
  plan.Apply(true);
  const auto s = plan.Subsystem;
  EXPECT_EQ(ModulesOf(*Main), "A Subsystem1 D");
  EXPECT_EQ(s->GetPosition(), (TPoint{150, 0}));
  EXPECT_EQ(ModulesOf(*s->GetModules()), "B C A Y");
  EXPECT_EQ(LinksOf(*Main), "A.Y>Subsystem1.A Subsystem1.Y>D.A Subsystem1.Y>D.B");
  EXPECT_EQ(LinksOf(*s->GetModules()), "A.Value>B.A A.Value>C.B B.Y>C.A C.Y>Y.Value");
  EXPECT_EQ(Names(s->GetParamIn()), (std::vector<std::u16string>{u"A"}));
  EXPECT_EQ(Names(s->GetParamOut()), (std::vector<std::u16string>{u"Y"}));
  EXPECT_TRUE(s->GetFocused());
  EXPECT_FALSE(a->GetFocused());
  plan.Apply(false);
  EXPECT_EQ(ModulesOf(*Main), "A B C D");
  EXPECT_EQ(LinksOf(*Main), before);
  EXPECT_TRUE(a->GetFocused());
  // Refused without modules of the level.
  EXPECT_FALSE(PlanMakeSubsystem(Main, {}).Ok);
}

TEST_F(SubsystemTest, ExplodeJoinsTheLinksThroughThePortsAndPutsTheModulesWhereItWas) {
  auto a = Block(*Main, u"A", 0, 0), b = Block(*Main, u"B", 100, 0), c = Block(*Main, u"C", 200, 0);
  auto d = Block(*Main, u"D", 300, 0);
  Link(*Main, a, u"Y", b, u"A");
  Link(*Main, b, u"Y", c, u"A");
  Link(*Main, c, u"Y", d, u"A");
  const std::string before = LinksOf(*Main);
  TRestructure made = PlanMakeSubsystem(Main, {b, c});
  made.Apply(true);
  made.Subsystem->SetPosition({500, 500});
  TRestructure exploded = PlanExplode(Main, made.Subsystem);
  ASSERT_TRUE(exploded.Ok);
  exploded.Apply(true);
  EXPECT_EQ(ModulesOf(*Main), "A B C D");
  // The same links, and the modules with their middle where the subsystem was.
  std::string links = LinksOf(*Main);
  EXPECT_EQ(links.size(), before.size());
  for (const char* link : {"A.Y>B.A", "B.Y>C.A", "C.Y>D.A"})
    EXPECT_NE(links.find(link), std::string::npos) << link;
  EXPECT_EQ(b->GetPosition(), (TPoint{450, 500}));
  EXPECT_EQ(c->GetPosition(), (TPoint{550, 500}));
  exploded.Apply(false);
  EXPECT_EQ(ModulesOf(*Main), "A Subsystem1 D");
  EXPECT_EQ(b->GetPosition(), (TPoint{100, 0}));
  // A port that passes its value straight through joins the ends outside.
  auto f = Main->AddModule(0, 0, u"F", 10, 10);
  auto in = Port(*f->GetModules(), false, u"I"), out = Port(*f->GetModules(), true, u"O");
  Link(*f->GetModules(), in, u"Value", out, u"Value");
  Link(*Main, a, u"Y", f, u"I");
  Link(*Main, f, u"O", d, u"B");
  TRestructure through = PlanExplode(Main, f);
  ASSERT_TRUE(through.Ok);
  through.Apply(true);
  EXPECT_NE(LinksOf(*Main).find("A.Y>D.B"), std::string::npos);
  // A port fed from nowhere outside gives the value typed for it to the inputs it fed.
  auto g = Main->AddModule(0, 0, u"G", 10, 10);
  auto k = Port(*g->GetModules(), false, u"K");
  auto inner = Block(*g->GetModules(), u"Inner");
  Link(*g->GetModules(), k, u"Value", inner, u"B");
  g->SetInputValues({{u"K", u"2.5"}});
  TRestructure constant = PlanExplode(Main, g);
  ASSERT_TRUE(constant.Ok);
  constant.Apply(true);
  EXPECT_EQ(inner->GetInputValues(), (std::vector<TInputValue>{{u"B", u"2.5"}}));
  constant.Apply(false);
  EXPECT_TRUE(inner->GetInputValues().empty());
  // A module inside whose name the level has already: refused, naming it.
  auto h = Main->AddModule(0, 0, u"H", 10, 10);
  Block(*h->GetModules(), u"A");
  const TRestructure clash = PlanExplode(Main, h);
  EXPECT_FALSE(clash.Ok);
  EXPECT_NE(clash.Reason.find("A"), std::string::npos);
  // Nothing to take apart in a module without children.
  EXPECT_FALSE(PlanExplode(Main, a).Ok);
}

TEST_F(SubsystemTest, ANewBoxFindsAFreePlaceNearThePoint) {
  Main->AddModule(100, 100, u"A", 100, 100);
  Main->AddModule(220, 100, u"B", 100, 100);
  const TPoint free = FreePlace(Main.get(), {100, 100}, 100, 100);
  for (std::int32_t i = 0; i < Main->Count(); ++i) {
    const auto m = Main->GetItem(i);
    const bool apart = std::abs(free.X - m->GetPosition().X) >= 100 + 10 ||
                       std::abs(free.Y - m->GetPosition().Y) >= 100 + 10;
    EXPECT_TRUE(apart) << free.X << "," << free.Y;
  }
  EXPECT_LT(std::abs(free.X - 100) + std::abs(free.Y - 100), 400);
  EXPECT_EQ(FreePlace(Main.get(), {600, 600}, 100, 100), (TPoint{600, 600}));
  // Ring by ring, the nearest free place of a ring, the first found of equal ones: around A
  // alone, the first ring (60 away) lies on it, the second's nearest is 120 to the left.
  TProject alone(nullptr, {}, u"", u"Q");
  alone.GetMainModules()->AddModule(100, 100, u"A", 100, 100);
  EXPECT_EQ(FreePlace(alone.GetMainModules().get(), {100, 100}, 100, 100), (TPoint{-20, 100}));
  EXPECT_EQ(FreePlace(nullptr, {1, 2}, 10, 10), (TPoint{1, 2}));
}
