#include "app/unModuleTree.h"

#include "app/unProjectDocument.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unProject.h"

#include <QSignalBlocker>
#include <QTreeWidget>

TModuleTree::TModuleTree(TProjectDocument& document, QTreeWidget* tree)
    : QObject(tree), Document(document), Tree(tree) {
  connect(Tree, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* item) { Chosen(item); });
  connect(&Document, &TProjectDocument::ProjectChanged, this, &TModuleTree::Rebuild);
  connect(&Document, &TProjectDocument::ContentChanged, this, &TModuleTree::Rebuild);
  connect(&Document, &TProjectDocument::SelectionChanged, this, &TModuleTree::ShowSelection);
}

void TModuleTree::Chosen(QTreeWidgetItem* item) {
  const auto found = ModuleOf.find(item);
  auto module = found != ModuleOf.end() ? found->second.lock() : nullptr;
  // The project's own entry stands for no module.
  if (!module || !Document.Reveal(module))
    Document.Select(nullptr);
}

void TModuleTree::AddEntries(QTreeWidgetItem* parent, const IModuleList& modules) {
  for (std::int32_t i = 0; i < modules.Count(); ++i) {
    auto module = modules.GetItem(i);
    auto* item = new QTreeWidgetItem(parent, {ToQString(module->GetName())});
    ModuleOf.emplace(item, module);
    EntryOf.emplace(module.get(), item);
    if (auto children = module->GetModules(); children && children->Count() > 0)
      AddEntries(item, *children);
  }
}

void TModuleTree::Rebuild() {
  {
    // Rebuilding the tree is no choice of the user's.
    const QSignalBlocker quiet(Tree);
    // The levels the user opened stay open.
    std::vector<const IModule*> expanded;
    for (const auto& [module, item] : EntryOf)
      if (item->isExpanded())
        expanded.push_back(module);
    Tree->clear();
    ModuleOf.clear();
    EntryOf.clear();
    TProject* project = Document.GetProject();
    if (!project)
      return;
    auto* root = new QTreeWidgetItem(Tree, {ToQString(project->GetName())});
    if (auto modules = project->GetMainModules())
      AddEntries(root, *modules);
    root->setExpanded(true);
    for (const IModule* module : expanded)
      if (const auto it = EntryOf.find(module); it != EntryOf.end())
        it->second->setExpanded(true);
  }
  ShowSelection();
}

void TModuleTree::ShowSelection() {
  const auto selected = Document.Selected();
  const auto found = selected ? EntryOf.find(selected.get()) : EntryOf.end();
  QTreeWidgetItem* item = found != EntryOf.end() ? found->second : nullptr;
  // Shown, not chosen: the tree's own signal would select again.
  const QSignalBlocker quiet(Tree);
  for (QTreeWidgetItem* up = item ? item->parent() : nullptr; up; up = up->parent())
    up->setExpanded(true);
  Tree->setCurrentItem(item);
  if (!item)
    Tree->clearSelection();
}
