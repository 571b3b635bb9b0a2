// The document without a window: every edit, its undo and redo, the run lock and the selection.
#include "app/unProjectDocument.h"
#include "canvas/unQtStrings.h"
#include "model/unClipboard.h"
#include "model/unLinkList.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unStrings.h"
#include "plugins/unComponent.h"
#include "plugins/unComponentList.h"
#include "xml/XmlTestSupport.h"

#include <QSignalSpy>
#include <QUndoStack>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace {

// One component, "/lib/Fake.so", with an input "i" and an output "o".
class TFakeComponent : public IComponent {
public:
  TFakeComponent() {
    In->AddNew()->Name = u"i";
    Out->AddNew()->Name = u"o";
  }
  std::u16string GetFileName() const override { return u"/lib/Fake.so"; }
  TComponentInfo GetInfo() const override { return {Name, {}, {}, {}, {}, {}}; }
  std::shared_ptr<IParamList> GetParamIn() const override { return In; }
  std::shared_ptr<IParamList> GetParamOut() const override { return Out; }
  TZUVersion GetVersion() const override { return {}; }
  std::shared_ptr<TParamList> In = std::make_shared<TParamList>();
  std::shared_ptr<TParamList> Out = std::make_shared<TParamList>();
  std::u16string Name;
};

class TFakeRegistry : public IComponentList {
public:
  std::int32_t GetCount() const override { return 1; }
  IComponent* GetItem(std::int32_t index) const override {
    return index == 0 ? const_cast<TFakeComponent*>(&Component) : nullptr;
  }
  TFakeComponent Component;
};

// A project of three modules A, B, C of the fake component at x = 100, 250, 400, linked A → B.
class DocumentTest : public ::testing::Test {
public:
  void SetUp() override {
    auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Doc");
    auto list = project->GetMainModules();
    for (const char16_t* name : {u"A", u"B", u"C"}) {
      auto m = list->AddModule(100 + 150 * static_cast<int>(M.size()), 100, name, 60, 60);
      m->SetType(u"/lib/Fake.so");
      m->SetParamIn(Registry.Component.In);
      m->SetParamOut(Registry.Component.Out);
      M.push_back(m);
    }
    auto link = std::make_shared<TLink>();
    link->From = M[0];
    link->Output = u"o";
    link->To = M[1];
    link->Input = u"i";
    list->GetLinks().Add(link);
    Doc.Components = [this]() -> const IComponentList* { return &Registry; };
    Doc.SetProject(project);
  }
  std::shared_ptr<IModuleList> Modules() { return Doc.GetProject()->GetMainModules(); }
  // Everything an edit may change, as text.
  std::string State() {
    std::ostringstream out;
    auto list = Modules();
    for (std::int32_t i = 0; i < list->Count(); ++i) {
      auto m = list->GetItem(i);
      out << Utf16ToUtf8(m->GetName()) << '|' << Utf16ToUtf8(m->GetDescription()) << '|'
          << Utf16ToUtf8(m->GetType()) << '|' << m->GetPosition().X << ',' << m->GetPosition().Y
          << '|' << m->GetHeight() << 'x' << m->GetWidth() << '|'
          << (m->GetParamIn() ? m->GetParamIn()->Count() : -1) << '|';
      for (const auto& v : m->GetInputValues())
        out << Utf16ToUtf8(v.Name) << '=' << Utf16ToUtf8(v.Value) << ';';
      out << '\n';
    }
    for (std::int32_t i = 0; i < list->GetLinks().Count(); ++i) {
      const auto& l = *list->GetLinks().Get(i);
      out << Utf16ToUtf8(l.From ? l.From->GetName() : u"?") << '.' << Utf16ToUtf8(l.Output) << "->"
          << Utf16ToUtf8(l.To ? l.To->GetName() : u"?") << '.' << Utf16ToUtf8(l.Input) << '\n';
    }
    return out.str();
  }
  std::string Selected() {
    std::string names;
    for (const auto& m : Doc.Selection())
      names += Utf16ToUtf8(m->GetName());
    return names;
  }
  static TModuleText Text(const char* name, const char* x, const char* y, const char* h,
                          const char* w, const char* type = "") {
    return {name, "", type, x, y, h, w, {}};
  }

  TFakeRegistry Registry;
  TProjectDocument Doc{nullptr, ""};
  std::vector<std::shared_ptr<IModule>> M;
};

struct TEdit {
  const char* Name;
  std::function<TEditResult(DocumentTest&)> Apply;
};

} // namespace

TEST_F(DocumentTest, EveryEditIsOneStepUndoneAndRedoneExactlyAndRefusedWhileLocked) {
  const std::vector<TEdit> edits = {
      {"move",
       [](DocumentTest& t) {
         return t.Doc.MoveModules({t.M[0], t.M[2]}, {5, -7});
       }},
      {"keys",
       [](DocumentTest& t) {
         return t.Doc.MoveByKeys(t.M[1], {0, 10});
       }},
      {"name", [](DocumentTest& t) { return t.Doc.SetValue({t.M[0]}, "Name", "X"); }},
      {"description",
       [](DocumentTest& t) {
         return t.Doc.SetValue({t.M[0], t.M[1]}, "Description", "d");
       }},
      {"type", [](DocumentTest& t) { return t.Doc.SetValue({t.M[2]}, "Type", "/x.so"); }},
      {"height", [](DocumentTest& t) { return t.Doc.SetValue({t.M[2]}, "Height", "70"); }},
      {"width", [](DocumentTest& t) { return t.Doc.SetValue({t.M[2]}, "Width", "$10"); }},
      {"x",
       [](DocumentTest& t) {
         return t.Doc.SetValue({t.M[0], t.M[1]}, "PositionX", "7");
       }},
      {"y", [](DocumentTest& t) { return t.Doc.SetValue({t.M[1]}, "PositionY", "-3"); }},
      {"input", [](DocumentTest& t) { return t.Doc.SetInputValue({t.M[2]}, u"i", u"2.5"); }},
      {"add", [](DocumentTest& t) { return t.Doc.AddModule(Text("D", "1", "2", "3", "4")); }},
      {"palette",
       [](DocumentTest& t) {
         return t.Doc.AddPaletteEntry("type:/lib/Fake.so", {250, 100});
       }},
      {"edit",
       [](DocumentTest& t) {
         return t.Doc.EditModule(t.M[2], Text("E", "9", "8", "7", "6", "/other.so"));
       }},
      {"link", [](DocumentTest& t) { return t.Doc.AddLink(t.M[1], u"o", t.M[2], u"i"); }},
      {"replace link", [](DocumentTest& t) { return t.Doc.AddLink(t.M[2], u"o", t.M[1], u"i"); }},
      {"delete modules",
       [](DocumentTest& t) {
         t.Doc.SelectModules({t.M[0], t.M[2]});
         return t.Doc.DeleteSelected();
       }},
      {"delete link",
       [](DocumentTest& t) {
         t.Doc.SelectLink(t.Modules()->GetLinks().Get(0));
         return t.Doc.DeleteSelected();
       }},
      {"paste",
       [](DocumentTest& t) {
         return t.Doc.PasteText(CopyModules(*t.Modules(), {t.M[0], t.M[1]}), {20, 20});
       }},
  };
  for (const TEdit& edit : edits) {
    M.clear();
    SetUp();
    const std::string before = State();
    Doc.SetLocked(true);
    const TEditResult locked = edit.Apply(*this);
    EXPECT_FALSE(locked.Ok) << edit.Name;
    EXPECT_EQ(locked.Reason, TProjectDocument::LockedNote()) << edit.Name;
    EXPECT_EQ(State(), before) << edit.Name;
    EXPECT_EQ(Doc.GetUndoStack()->count(), 0) << edit.Name;
    Doc.SetLocked(false);
    QSignalSpy changed(&Doc, &TProjectDocument::ContentChanged);
    ASSERT_TRUE(edit.Apply(*this).Ok) << edit.Name;
    const std::string after = State();
    EXPECT_NE(after, before) << edit.Name;
    EXPECT_EQ(Doc.GetUndoStack()->count(), 1) << edit.Name;
    EXPECT_EQ(changed.count(), 1) << edit.Name;
    EXPECT_TRUE(Doc.GetProject()->Modified) << edit.Name;
    Doc.GetUndoStack()->undo();
    EXPECT_EQ(State(), before) << edit.Name;
    EXPECT_FALSE(Doc.GetProject()->Modified) << edit.Name;
    Doc.GetUndoStack()->redo();
    EXPECT_EQ(State(), after) << edit.Name;
  }
}

TEST_F(DocumentTest, ValuesThatAreNotWholeNumbersOrSizesBelowOneAreRefusedWithTheirField) {
  const struct {
    const char* Key;
    const char* Text;
    bool Ok;
  } rows[] = {{"Height", "0", false},      {"Width", "-5", false},
              {"Height", "abc", false},    {"PositionX", "", false},
              {"PositionY", "1.5", false}, {"Width", "4294967296", false},
              {"PositionX", "-9", true},   {"Height", "1", true},
              {"Name", "", true},          {"Nothing", "1", false}};
  for (const auto& row : rows) {
    M.clear();
    SetUp();
    const TEditResult result = Doc.SetValue({M[0]}, row.Key, row.Text);
    EXPECT_EQ(result.Ok, row.Ok) << row.Key << " " << row.Text;
    EXPECT_EQ(Doc.GetUndoStack()->count(), row.Ok ? 1 : 0) << row.Key << " " << row.Text;
    if (!row.Ok) {
      EXPECT_EQ(result.Field, row.Key);
      EXPECT_TRUE(result.Reason.contains(row.Key)) << result.Reason.toStdString();
    }
  }
  // The same rule for a new module and the wizard's edit: nothing is added or changed.
  const std::string before = State();
  const TEditResult added = Doc.AddModule(Text("D", "1", "2", "0", "4"));
  EXPECT_FALSE(added.Ok);
  EXPECT_EQ(added.Field, "Height");
  EXPECT_FALSE(Doc.EditModule(M[0], Text("D", "x", "2", "3", "4")).Ok);
  EXPECT_EQ(State(), before);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 0);
}

TEST_F(DocumentTest, AValueEveryModuleHasAlreadyIsNoStep) {
  EXPECT_TRUE(Doc.SetValue({M[0], M[1]}, "Height", "60").Ok);
  EXPECT_TRUE(Doc.MoveModules({M[0]}, {0, 0}).Ok);
  EXPECT_TRUE(Doc.SetInputValue({M[0]}, u"i", u"").Ok);
  EXPECT_TRUE(Doc.EditModule(M[0], TModuleText::Of(*M[0])).Ok);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 0);
  // Some have it: one step, undone for those it changed.
  M[0]->SetHeight(90);
  ASSERT_TRUE(Doc.SetValue({M[0], M[1]}, "Height", "90").Ok);
  EXPECT_EQ(M[1]->GetHeight(), 90);
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(M[0]->GetHeight(), 90);
  EXPECT_EQ(M[1]->GetHeight(), 60);
}

TEST_F(DocumentTest, AMovesUndoLeavesTheParameterListsOfALaterScan) {
  ASSERT_TRUE(Doc.MoveModules({M[0]}, {10, 0}).Ok);
  ASSERT_TRUE(Doc.SetValue({M[0]}, "Name", "Moved").Ok);
  // A rescan gives the modules new lists outside the undo stack.
  auto rescanned = std::make_shared<TParamList>();
  Registry.Component.In = rescanned;
  Doc.AttachComponents();
  ASSERT_EQ(M[0]->GetParamIn(), rescanned);
  Doc.GetUndoStack()->undo();
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(M[0]->GetPosition(), (TPoint{100, 100}));
  EXPECT_EQ(M[0]->GetName(), u"A");
  EXPECT_EQ(M[0]->GetParamIn(), rescanned);
}

TEST_F(DocumentTest, TheTypeGivesTheParameterLists) {
  // A registered component's lists, shared.
  ASSERT_TRUE(Doc.AddModule(Text("D", "1", "2", "3", "4", "/lib/Fake.so")).Ok);
  auto added = Doc.Selected();
  ASSERT_EQ(Utf16ToUtf8(added->GetName()), "D");
  EXPECT_EQ(added->GetParamIn(), Registry.Component.In);
  EXPECT_EQ(added->GetPosition(), (TPoint{1, 2}));
  EXPECT_EQ(added->GetHeight(), 3);
  EXPECT_EQ(added->GetWidth(), 4);
  // An unknown type: empty lists; no type: the lists stay.
  ASSERT_TRUE(Doc.EditModule(M[0], Text("A", "100", "100", "60", "60", "/none.so")).Ok);
  EXPECT_EQ(M[0]->GetParamIn()->Count(), 0);
  EXPECT_EQ(M[0]->GetType(), u"/none.so");
  ASSERT_TRUE(Doc.EditModule(M[1], Text("B", "250", "100", "60", "60")).Ok);
  EXPECT_EQ(M[1]->GetParamIn(), Registry.Component.In);
  Doc.GetUndoStack()->undo();
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(M[0]->GetParamIn(), Registry.Component.In);
}

TEST_F(DocumentTest, ArrowKeysCloseTogetherOnOneModuleAreOneStep) {
  std::int64_t now = 5000;
  Doc.Clock = [&] { return now; };
  ASSERT_TRUE(Doc.MoveByKeys(M[0], {1, 0}).Ok);
  now += TProjectDocument::KeyRunGapMs; // a second apart is still close together
  ASSERT_TRUE(Doc.MoveByKeys(M[0], {0, 10}).Ok);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 1);
  ASSERT_TRUE(Doc.MoveByKeys(M[1], {1, 0}).Ok);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 2);
  // A moment more than a second later: a step of its own.
  now += TProjectDocument::KeyRunGapMs + 1;
  ASSERT_TRUE(Doc.MoveByKeys(M[1], {1, 0}).Ok);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 3);
  Doc.GetUndoStack()->undo();
  Doc.GetUndoStack()->undo();
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(M[0]->GetPosition(), (TPoint{100, 100}));
}

TEST_F(DocumentTest, ChangingTellsTheModulesBeforeTheirValuesChange) {
  std::vector<TPoint> seen;
  QObject::connect(&Doc, &TProjectDocument::ModulesChanging,
                   [&](const std::vector<std::shared_ptr<IModule>>& modules) {
                     for (const auto& m : modules)
                       seen.push_back(m->GetPosition());
                   });
  ASSERT_TRUE(Doc.MoveModules({M[0], M[1]}, {1, 1}).Ok);
  EXPECT_EQ(seen, (std::vector<TPoint>{{100, 100}, {250, 100}}));
}

TEST_F(DocumentTest, LinksAreRefusedWithTheRulesReason) {
  const TEditResult self = Doc.AddLink(M[0], u"o", M[0], u"i");
  EXPECT_FALSE(self.Ok);
  EXPECT_FALSE(self.Reason.isEmpty());
  const TEditResult cycle = Doc.AddLink(M[1], u"o", M[0], u"i");
  EXPECT_FALSE(cycle.Ok);
  EXPECT_FALSE(Doc.AddLink(M[0], u"nothing", M[2], u"i").Ok);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 0);
  const TEditResult pasted = Doc.PasteText(u"<not a project/>", {0, 0});
  EXPECT_FALSE(pasted.Ok);
  EXPECT_FALSE(pasted.Reason.isEmpty());
}

TEST_F(DocumentTest, SelectionIsWrittenOnlyHereAndIsNoStep) {
  QSignalSpy told(&Doc, &TProjectDocument::SelectionChanged);
  Doc.Select(M[1]);
  EXPECT_EQ(Selected(), "B");
  Doc.ToggleSelected(M[0]);
  EXPECT_EQ(Selected(), "AB"); // in the list's order
  Doc.ToggleSelected(M[1]);
  EXPECT_EQ(Selected(), "A");
  Doc.AddToSelection({M[2], M[0]});
  EXPECT_EQ(Selected(), "AC");
  EXPECT_TRUE(Doc.IsSelected(M[2]));
  EXPECT_FALSE(Doc.IsSelected(M[1]));
  Doc.SelectAll();
  EXPECT_EQ(Selected(), "ABC");
  // A link selected takes the modules' selection; a module selected takes the link's.
  Doc.SelectLink(Modules()->GetLinks().Get(0));
  EXPECT_EQ(Selected(), "");
  EXPECT_NE(Doc.SelectedLink(), nullptr);
  Doc.Select(M[0]);
  EXPECT_EQ(Doc.SelectedLink(), nullptr);
  // Modules of another list are never selected here.
  auto others = std::make_shared<TModuleList>();
  auto stranger = others->AddNew();
  Doc.SelectModules({stranger});
  EXPECT_EQ(Selected(), "");
  EXPECT_FALSE(stranger->GetFocused());
  // Free while the project runs, and never a step or a change.
  Doc.SetLocked(true);
  Doc.Select(M[2]);
  EXPECT_EQ(Selected(), "C");
  EXPECT_EQ(Doc.GetUndoStack()->count(), 0);
  EXPECT_FALSE(Doc.GetProject()->Modified);
  EXPECT_EQ(told.count(), 10);
  // The focus marks are the selection: only C's is set.
  EXPECT_FALSE(M[0]->GetFocused());
  EXPECT_TRUE(M[2]->GetFocused());
}

TEST_F(DocumentTest, EditsCarryTheSelectionAlong) {
  Doc.Select(M[2]);
  // Added and pasted modules are selected alone; their undo gives back the selection before.
  ASSERT_TRUE(Doc.AddModule(Text("D", "1", "2", "3", "4")).Ok);
  EXPECT_EQ(Selected(), "D");
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(Selected(), "C");
  ASSERT_TRUE(Doc.PasteText(CopyModules(*Modules(), {M[0], M[1]}), {20, 20}).Ok);
  EXPECT_EQ(Selected(), "A1B1"); // the first free names of their stems
  EXPECT_EQ(Doc.Selection().size(), 2u);
  EXPECT_NE(Doc.Selection()[0], M[0]);
  EXPECT_EQ(Modules()->GetLinks().Count(), 2); // the link between them came along
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(Selected(), "C");
  // Deleted modules leave the selection; their undo brings them back selected.
  Doc.SelectModules({M[0], M[2]});
  ASSERT_TRUE(Doc.DeleteSelected().Ok);
  EXPECT_EQ(Selected(), "");
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(Selected(), "AC");
  // A project that comes with focus marks shows them as its selection.
  auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Other");
  project->GetMainModules()->AddModule(1, 1, u"X", 10, 10)->SetFocused(WordTrue);
  QSignalSpy told(&Doc, &TProjectDocument::SelectionChanged);
  Doc.SetProject(project);
  EXPECT_EQ(Selected(), "X");
  EXPECT_GE(told.count(), 1);
}

TEST_F(DocumentTest, PasteGoesWhereAskedAndTheComponentsGiveItsLists) {
  const std::u16string text = CopyModules(*Modules(), {M[0]});
  const TPoint at{1000, 500};
  ASSERT_TRUE(Doc.PasteText(text, {20, 20}, &at).Ok);
  EXPECT_EQ(Doc.Selected()->GetPosition(), at);
  EXPECT_EQ(Doc.Selected()->GetParamIn(), Registry.Component.In);
  ASSERT_TRUE(Doc.PasteText(text, {20, 30}).Ok);
  EXPECT_EQ(Doc.Selected()->GetPosition(), (TPoint{120, 130}));
}

TEST_F(DocumentTest, APasteLeavesOutLinksNoEditCouldMakeAndSaysSo) {
  // Three modules, linked A → B → C → A, and C to itself: the text of a hand-edited file.
  auto link = [](const std::shared_ptr<IModule>& from, const std::shared_ptr<IModule>& to) {
    auto l = std::make_shared<TLink>();
    l->From = from;
    l->Output = u"o";
    l->To = to;
    l->Input = u"i";
    return l;
  };
  TModuleList source;
  std::vector<std::shared_ptr<IModule>> made;
  for (const char16_t* name : {u"P", u"Q", u"R"})
    made.push_back(source.AddModule(500, 500, name, 40, 40));
  source.GetLinks().Add(link(made[0], made[1]));
  source.GetLinks().Add(link(made[1], made[2]));
  source.GetLinks().Add(link(made[2], made[0]));
  source.GetLinks().Add(link(made[2], made[2]));
  const std::u16string text = CopyModules(source, made);
  const std::string before = State();
  const int steps = Doc.GetUndoStack()->count();
  const TEditResult pasted = Doc.PasteText(text, {0, 0});
  ASSERT_TRUE(pasted.Ok);
  EXPECT_EQ(pasted.Reason, QString::fromUtf8("Вставлено без связей (2): связь замкнула бы цикл"));
  EXPECT_EQ(Doc.GetUndoStack()->count(), steps + 1);
  const std::string after = State();
  EXPECT_NE(after.find("P.o->Q.i\nQ.o->R.i\n"), std::string::npos) << after;
  EXPECT_EQ(after.find("R.o->"), std::string::npos) << after;
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(State(), before);
}

TEST_F(DocumentTest, ALinkIntoAnInputThatHasOneSaysWhichItReplaced) {
  const TEditResult fresh = Doc.AddLink(M[1], u"o", M[2], u"i");
  ASSERT_TRUE(fresh.Ok);
  EXPECT_TRUE(fresh.Reason.isEmpty());
  const TEditResult replacing = Doc.AddLink(M[2], u"o", M[1], u"i");
  EXPECT_FALSE(replacing.Ok); // B → C → B would be a cycle
  const TEditResult replaced = Doc.AddLink(M[0], u"o", M[2], u"i");
  ASSERT_TRUE(replaced.Ok);
  EXPECT_EQ(replaced.Reason,
            QString::fromUtf8("Связь добавлена вместо связи от «B.o» к входу «i»"));
  EXPECT_EQ(Modules()->GetLinks().Into(M[2], u"i")->From, M[0]);
}

TEST_F(DocumentTest, MakeSubsystemAndExplodeAreOneStepEachUndoneExactly) {
  const std::string before = State();
  Doc.SelectModules({M[1], M[2]});
  // A → B crosses the selection: it becomes the subsystem's port "i" with a link on each side.
  ASSERT_TRUE(Doc.MakeSubsystem().Ok);
  ASSERT_EQ(Modules()->Count(), 2);
  const auto subsystem = Modules()->GetItem(1);
  EXPECT_EQ(Selected(), "Subsystem1");
  EXPECT_EQ(ParamIndex(*subsystem, false, u"i"), 0);
  EXPECT_EQ(State(), "A||/lib/Fake.so|100,100|60x60|1|\n"
                     "Subsystem1|||325,100|100x100|1|\n"
                     "A.o->Subsystem1.i\n");
  EXPECT_EQ(Doc.GetUndoStack()->count(), 1);
  const std::string made = State();
  ASSERT_TRUE(Doc.Explode().Ok);
  EXPECT_EQ(Selected(), "BC");
  EXPECT_EQ(State(), before);
  EXPECT_EQ(Doc.GetUndoStack()->count(), 2);
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(State(), made);
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(State(), before);
  EXPECT_FALSE(Doc.GetProject()->Modified);
  // Nothing selected, or a module without children: refused with a reason, no step.
  Doc.Select(nullptr);
  EXPECT_FALSE(Doc.MakeSubsystem().Ok);
  Doc.Select(M[0]);
  const TEditResult explode = Doc.Explode();
  EXPECT_FALSE(explode.Ok);
  EXPECT_FALSE(explode.Reason.isEmpty());
  EXPECT_EQ(Doc.GetUndoStack()->index(), 0);
}

TEST_F(DocumentTest, PortsAreAddedBelowTheMainLevelAndTheirLinksFollowThem) {
  EXPECT_FALSE(Doc.AddPort(false, {0, 0}).Ok); // the main level has no owner to give ports to
  Doc.SelectModules({M[1]});
  ASSERT_TRUE(Doc.MakeSubsystem().Ok);
  const auto s = Modules()->GetItem(1);
  EXPECT_EQ(ParamIndex(*s, false, u"i"), 0);
  Doc.OpenModule(s);
  ASSERT_TRUE(Doc.AddPort(true, {300, 100}).Ok);
  EXPECT_EQ(ParamIndex(*s, true, u"Out1"), 0) << "the new output port shows on the subsystem";
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(ParamIndex(*s, true, u"Out1"), -1);
  // Renaming the input port renames the link to it above, in one step.
  const auto port = Doc.Level()->GetItem(1);
  ASSERT_EQ(port->GetName(), u"i");
  ASSERT_TRUE(Doc.SetValue({port}, "Name", "Data").Ok);
  EXPECT_EQ(Modules()->GetLinks().Get(0)->Input, u"Data");
  EXPECT_EQ(ParamIndex(*s, false, u"Data"), 0);
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(Modules()->GetLinks().Get(0)->Input, u"i");
  EXPECT_EQ(ParamIndex(*s, false, u"i"), 0);
  // Deleting it takes the link to its port above with it, in one step.
  Doc.Select(port);
  const int steps = Doc.GetUndoStack()->index();
  ASSERT_TRUE(Doc.DeleteSelected().Ok);
  EXPECT_EQ(Doc.GetUndoStack()->index(), steps + 1);
  EXPECT_EQ(Modules()->GetLinks().Count(), 0);
  EXPECT_EQ(ParamIndex(*s, false, u"i"), -1);
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(Modules()->GetLinks().Count(), 1);
  EXPECT_EQ(ParamIndex(*s, false, u"i"), 0);
}

TEST_F(DocumentTest, ALinkInsideThatWouldCloseACycleAboveIsRefusedNamingThePath) {
  // A → S.i and, inside S, i → B; B → S.Out; above, S.Out → C → A would close A → S → C → A.
  Doc.SelectModules({M[1]});
  ASSERT_TRUE(Doc.MakeSubsystem().Ok);
  const auto s = Modules()->GetItem(1);
  Doc.OpenModule(s);
  ASSERT_TRUE(Doc.AddPort(true, {300, 100}).Ok);
  Doc.Up();
  ASSERT_TRUE(Doc.AddLink(s, u"Out1", M[2], u"i").Ok);
  ASSERT_TRUE(Doc.AddLink(M[2], u"o", M[0], u"i").Ok);
  Doc.OpenModule(s);
  const auto inside = Doc.Level();
  const auto out = inside->GetItem(2);
  ASSERT_EQ(out->GetName(), u"Out1");
  const TEditResult refused = Doc.AddLink(M[1], u"o", out, u"Value");
  EXPECT_FALSE(refused.Ok);
  EXPECT_TRUE(refused.Reason.contains("Main/Subsystem1/")) << refused.Reason.toStdString();
  // Without the way back above, the same link is free.
  Doc.Up();
  Doc.SelectLink(Modules()->GetLinks().Get(Modules()->GetLinks().Count() - 1));
  ASSERT_TRUE(Doc.DeleteSelected().Ok);
  Doc.OpenModule(s);
  EXPECT_TRUE(Doc.AddLink(M[1], u"o", out, u"Value").Ok);
}

TEST_F(DocumentTest, NamesStayUniqueOnALevel) {
  // Taken names are refused by the grid and the wizard's edit, with the reason; new and pasted
  // modules take the first free name of their stems.
  const TEditResult taken = Doc.SetValue({M[0]}, "Name", "B");
  EXPECT_FALSE(taken.Ok);
  EXPECT_TRUE(taken.Reason.contains("B"));
  EXPECT_EQ(taken.Field, "Name");
  EXPECT_FALSE(Doc.SetValue({M[0], M[2]}, "Name", "Z").Ok);
  EXPECT_TRUE(Doc.SetValue({M[0]}, "Name", "A").Ok); // its own name
  EXPECT_FALSE(Doc.EditModule(M[2], Text("A", "1", "1", "1", "1")).Ok);
  EXPECT_FALSE(Doc.NameRefusal(u"C", M[0].get()).isEmpty());
  EXPECT_TRUE(Doc.NameRefusal(u"C", M[2].get()).isEmpty());
  EXPECT_EQ(Doc.GetUndoStack()->count(), 0);
  ASSERT_TRUE(Doc.AddModule(Text("A", "1", "1", "1", "1")).Ok);
  EXPECT_EQ(Selected(), "A1");
  ASSERT_TRUE(Doc.PasteText(CopyModules(*Modules(), {M[0]}), {}).Ok);
  EXPECT_EQ(Selected(), "A2");
  EXPECT_EQ(Doc.FreeName(u"A"), u"A3");
  // The wizard's proposal: a free name and a place on no box.
  const TModuleText proposed = Doc.ProposedModuleText({100, 100});
  EXPECT_EQ(proposed.Name, "Module1");
  const auto hit = Modules()->FindAt(proposed.PositionX.toInt(), proposed.PositionY.toInt());
  EXPECT_EQ(hit, nullptr);
}

TEST_F(DocumentTest, ATypedInputTakesOnlyATextOfItsType) {
  Registry.Component.In->Get(0)->Type = u"double";
  const TEditResult bad = Doc.SetInputValue({M[2]}, u"i", u"abc");
  EXPECT_FALSE(bad.Ok);
  EXPECT_TRUE(bad.Reason.contains("abc"));
  EXPECT_EQ(bad.Field, "i");
  EXPECT_TRUE(M[2]->GetInputValues().empty());
  EXPECT_TRUE(Doc.SetInputValue({M[2]}, u"i", u"-1.5e3").Ok);
  EXPECT_TRUE(Doc.SetInputValue({M[2]}, u"i", u"").Ok); // taken away
  Registry.Component.In->Get(0)->Choices = {{u"0", u"Off"}, {u"1", u"On"}};
  EXPECT_FALSE(Doc.SetInputValue({M[2]}, u"i", u"2").Ok);
  EXPECT_TRUE(Doc.SetInputValue({M[2]}, u"i", u"1").Ok);
  Registry.Component.In->Get(0)->Type.clear();
  Registry.Component.In->Get(0)->Choices.clear();
}

TEST_F(DocumentTest, AnExportedModuleIsInsertedAsACopyOfWhatItHolds) {
  Doc.SelectModules({M[1], M[2]});
  ASSERT_TRUE(Doc.MakeSubsystem().Ok);
  const auto s = Modules()->GetItem(1);
  TTempFolder folder;
  const std::u16string file = folder.File("Filter.zuproj");
  ASSERT_TRUE(Doc.ExportModule(s, file).Ok);
  EXPECT_FALSE(Doc.ExportModule(nullptr, file).Ok);
  ASSERT_TRUE(Doc.InsertFile(file, {700, 400}).Ok);
  ASSERT_EQ(Modules()->Count(), 3);
  const auto copy = Modules()->GetItem(2);
  EXPECT_EQ(copy->GetName(), u"Subsystem2");
  EXPECT_EQ(copy->GetPosition(), (TPoint{700, 400}));
  EXPECT_EQ(copy->GetModules()->Count(), s->GetModules()->Count());
  EXPECT_NE(copy->GetModules()->GetItem(0), s->GetModules()->GetItem(0));
  EXPECT_EQ(ParamIndex(*copy, false, u"i"), 0) << "its ports come along";
  // A later file changes no copy already inserted; a file of no modules is refused.
  ASSERT_TRUE(Doc.ExportModule(M[0], file).Ok);
  EXPECT_EQ(copy->GetModules()->Count(), s->GetModules()->Count());
  EXPECT_FALSE(Doc.InsertFile(folder.File("none.zuproj"), {0, 0}).Ok);
}

TEST_F(DocumentTest, WatchesAreOneStepEachAndGoWithTheFile) {
  QSignalSpy told(&Doc, &TProjectDocument::WatchesChanged);
  EXPECT_TRUE(Doc.SetWatched(M[0], u"o", true, 2).Ok);
  EXPECT_EQ(M[0]->GetWatches(), (std::vector<TWatch>{{u"o", 2}}));
  EXPECT_EQ(told.count(), 1);
  // Watching again in another plot moves it; the same plot is no step.
  const int steps = Doc.GetUndoStack()->count();
  EXPECT_TRUE(Doc.SetWatched(M[0], u"o", true, 2).Ok);
  EXPECT_EQ(Doc.GetUndoStack()->count(), steps);
  EXPECT_TRUE(Doc.SetWatched(M[0], u"o", true, 1).Ok);
  EXPECT_EQ(M[0]->GetWatches(), (std::vector<TWatch>{{u"o", 1}}));
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(M[0]->GetWatches(), (std::vector<TWatch>{{u"o", 2}}));
  EXPECT_EQ(Doc.WatchingModules(), (std::vector<std::shared_ptr<IModule>>{M[0]}));
  // Refused: an output the module lacks, a plot out of range; a running project takes it.
  const TEditResult missing = Doc.SetWatched(M[1], u"x", true);
  EXPECT_FALSE(missing.Ok);
  EXPECT_EQ(missing.Reason, "У модуля «B» нет выхода «x»");
  EXPECT_FALSE(Doc.SetWatched(M[1], u"o", true, -1).Ok);
  EXPECT_FALSE(Doc.SetWatched(M[1], u"o", true, TModule::MaxPlots).Ok);
  Doc.SetLocked(true);
  EXPECT_TRUE(Doc.SetWatched(M[1], u"o", true).Ok);
  EXPECT_FALSE(Doc.SetValue({M[1]}, "Name", "Z").Ok);
  Doc.SetLocked(false);
  EXPECT_EQ(M[1]->GetWatches(), (std::vector<TWatch>{{u"o", 0}}));
  Doc.GetUndoStack()->undo();
  EXPECT_TRUE(M[1]->GetWatches().empty());
  // Saved after the values and read back; a file of an older version simply has none.
  ASSERT_TRUE(Doc.SetBreaks({u"A.o > 0.5", u"  ", u"B.o == true or C.o < -1"}).Ok);
  TTempFolder folder;
  const std::u16string file = Utf8ToUtf16((folder.Path / "w.zuproj").string());
  ASSERT_TRUE(Doc.GetProject()->Save(file));
  const std::string text = ReadBytes(file);
  const std::size_t watches = text.find("<Watches>");
  ASSERT_NE(watches, std::string::npos) << text;
  EXPECT_LT(watches, text.find("<Output>o</Output>"));
  EXPECT_LT(text.find("<Output>o</Output>"), text.find("<Plot>2</Plot>"));
  EXPECT_LT(text.find("</ModuleMain>"), text.find("<Breaks>"));
  TProject read(nullptr, TAddToLog(), file, u"");
  ASSERT_TRUE(read.Load(file));
  EXPECT_EQ(read.GetMainModules()->GetItem(0)->GetWatches(), (std::vector<TWatch>{{u"o", 2}}));
  EXPECT_EQ(read.GetBreaks(),
            (std::vector<std::u16string>{u"A.o > 0.5", u"B.o == true or C.o < -1"}));
}

TEST_F(DocumentTest, BreakConditionsAreOneStepAndRefusedWhenTheyReadAsNone) {
  QSignalSpy told(&Doc, &TProjectDocument::BreaksChanged);
  ASSERT_TRUE(Doc.SetBreaks({u"A.o > 1"}).Ok);
  EXPECT_EQ(told.count(), 1);
  const TEditResult wrong = Doc.SetBreaks({u"A.o > 1", u"B.o >> 2"});
  EXPECT_FALSE(wrong.Ok);
  EXPECT_EQ(wrong.Reason, "expected one of < <= > >= == != at column 5");
  EXPECT_EQ(wrong.Field, "B.o >> 2");
  EXPECT_EQ(Doc.GetProject()->GetBreaks(), (std::vector<std::u16string>{u"A.o > 1"}));
  ASSERT_TRUE(Doc.SetBreaks({u"A.o > 1", u"C.o != 0"}).Ok);
  Doc.GetUndoStack()->undo();
  EXPECT_EQ(Doc.GetProject()->GetBreaks(), (std::vector<std::u16string>{u"A.o > 1"}));
  Doc.GetUndoStack()->redo();
  EXPECT_EQ(Doc.GetProject()->GetBreaks().size(), 2u);
  EXPECT_FALSE(Doc.GetUndoStack()->isClean());
  Doc.SetLocked(true);
  EXPECT_FALSE(Doc.SetBreaks({}).Ok);
}

TEST_F(DocumentTest, APaletteEntryAddsAModuleNamedAfterItsComponentOnAFreePlace) {
  Registry.Component.Name = u"Fake";
  // Dropped on B: the new module lands around the point, on no other box.
  ASSERT_TRUE(Doc.AddPaletteEntry("type:/lib/Fake.so", {280, 130}).Ok);
  ASSERT_TRUE(Doc.AddPaletteEntry("type:/lib/Fake.so", {280, 130}).Ok);
  auto list = Modules();
  ASSERT_EQ(list->Count(), 5);
  std::vector<TRect> boxes;
  for (std::int32_t i = 0; i < list->Count(); ++i) {
    const auto& m = list->GetItem(i);
    boxes.push_back({m->GetPosition().X, m->GetPosition().Y, m->GetPosition().X + m->GetWidth(),
                     m->GetPosition().Y + m->GetHeight()});
  }
  for (std::size_t a = 0; a < boxes.size(); ++a)
    for (std::size_t b = a + 1; b < boxes.size(); ++b)
      EXPECT_FALSE(boxes[a].Left < boxes[b].Right && boxes[b].Left < boxes[a].Right &&
                   boxes[a].Top < boxes[b].Bottom && boxes[b].Top < boxes[a].Bottom)
          << a << " overlaps " << b;
  const auto& added = list->GetItem(3);
  EXPECT_EQ(added->GetName(), u"Fake1");
  EXPECT_EQ(list->GetItem(4)->GetName(), u"Fake2");
  EXPECT_EQ(added->GetType(), u"/lib/Fake.so");
  ASSERT_TRUE(added->GetParamIn());
  EXPECT_EQ(added->GetParamIn()->Count(), 1); // the component's lists
  // Near the point: its middle within two box sizes of it.
  const TPoint middle{added->GetPosition().X + added->GetWidth() / 2,
                      added->GetPosition().Y + added->GetHeight() / 2};
  EXPECT_LT(std::abs(middle.X - 280) + std::abs(middle.Y - 130), 4 * added->GetWidth());
  EXPECT_EQ(Selected(), "Fake2");
  // A subsystem file is inserted as a copy of what it holds; an entry of no kind is refused.
  TTempFolder folder;
  const std::u16string file = Utf8ToUtf16((folder.Path / "Filter.xml").string());
  ASSERT_TRUE(Doc.ExportModule(M[0], file).Ok);
  ASSERT_TRUE(Doc.AddPaletteEntry("library:" + ToQString(file), {600, 600}).Ok);
  EXPECT_EQ(list->Count(), 6);
  const TEditResult refused = Doc.AddPaletteEntry("odd:/x", {0, 0});
  EXPECT_FALSE(refused.Ok);
  EXPECT_EQ(list->Count(), 6);
}
