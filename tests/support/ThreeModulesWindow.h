#pragma once

#include "app/unMain.h"
#include "app/unProjectDocument.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "support/MainWindowTestSupport.h"
#include "xml/XmlTestSupport.h"

#include <QAction>
#include <QUndoStack>
#include <gtest/gtest.h>

// The main window with a project of three modules in a row, A, B and C, 60 × 60 at x = 100, 250
// and 400 (y = 100), each with an input "i" and an output "o", linked A → B → C; no undo step.
// Prepare may add to the project before the window shows it.
class TThreeModulesWindow : public ::testing::Test {
protected:
  void SetUp() override {
    Window = ShownMainWindow(Script, Folder.Path);
    auto project = std::make_shared<TProject>(nullptr, TAddToLog(), u"", u"Three");
    auto list = project->GetMainModules();
    auto ins = std::make_shared<TParamList>();
    ins->AddNew()->Name = u"i";
    auto outs = std::make_shared<TParamList>();
    outs->AddNew()->Name = u"o";
    for (const char16_t* name : {u"A", u"B", u"C"}) {
      auto m = list->AddModule(100 + 150 * static_cast<int>(M.size()), 100, name, 60, 60);
      m->SetParamIn(ins);
      m->SetParamOut(outs);
      M.push_back(m);
    }
    Prepare();
    Window->SetProject(project);
    ASSERT_TRUE(Document()->AddLink(M[0], u"o", M[1], u"i").Ok);
    ASSERT_TRUE(Document()->AddLink(M[1], u"o", M[2], u"i").Ok);
    Window->GetUndoStack()->clear();
  }
  virtual void Prepare() {}
  void Trigger(const char* name) { Window->findChild<QAction*>(name)->trigger(); }
  TProjectDocument* Document() { return Window->GetDocument(); }
  std::shared_ptr<IModuleList> Modules() { return Window->GetProject()->GetMainModules(); }
  // The names of the focused modules, in order.
  std::string Focused() {
    std::string names;
    for (std::int32_t i = 0; i < Modules()->Count(); ++i)
      if (Modules()->GetItem(i)->GetFocused())
        names += Utf16ToUtf8(Modules()->GetItem(i)->GetName());
    return names;
  }
  // The project's file text as it stands.
  std::string SavedText() {
    const std::u16string file = Folder.File("saved.xml");
    EXPECT_TRUE(Window->GetProject()->Save(file));
    return ReadBytes(file);
  }

  TTempFolder Folder;
  TScriptedMainDialogs::TScript Script;
  std::unique_ptr<TfmMain> Window;
  std::vector<std::shared_ptr<IModule>> M;
};
