#include "app/unModuleTree.h"

#include "app/unEditCommands.h"
#include "app/unProjectDocument.h"
#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unProject.h"

#include <QGuiApplication>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <algorithm>

TModuleTree::TModuleTree(TProjectDocument& document, QTreeWidget* tree)
    : QObject(tree), Document(document), Tree(tree) {
  // The tree marks every selected module; what the user chooses goes to the document, which
  // tells the tree what to mark: a click or the keys choose one module, Ctrl+click adds one or
  // takes it out.
  Tree->setSelectionMode(QAbstractItemView::NoSelection);
  connect(Tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (!(QGuiApplication::keyboardModifiers() & Qt::ControlModifier))
      Chosen(item);
  });
  connect(Tree, &QTreeWidget::itemPressed, this, [this](QTreeWidgetItem* item) {
    if (QGuiApplication::keyboardModifiers() & Qt::ControlModifier)
      Toggled(item);
  });
  connect(&Document, &TProjectDocument::ProjectChanged, this, &TModuleTree::Rebuild);
  connect(&Document, &TProjectDocument::Refreshed, this, &TModuleTree::Rebuild);
  connect(&Document, &TProjectDocument::ModulesChanged, this, &TModuleTree::Apply);
  connect(&Document, &TProjectDocument::SelectionChanged, this, &TModuleTree::ShowSelection);
}

std::shared_ptr<IModule> TModuleTree::ModuleOfEntry(QTreeWidgetItem* item) const {
  const auto found = ModuleOf.find(item);
  return found != ModuleOf.end() ? found->second.lock() : nullptr;
}

void TModuleTree::Chosen(QTreeWidgetItem* item) {
  auto module = ModuleOfEntry(item);
  // The project's own entry stands for no module.
  if (!module || !Document.Reveal(module))
    Document.Select(nullptr);
}

void TModuleTree::Toggled(QTreeWidgetItem* item) {
  auto module = ModuleOfEntry(item);
  // A module of another level is shown and chosen alone.
  const auto level = Document.Level();
  if (module && level && level->IndexOf(module) >= 0)
    Document.ToggleSelected(module);
  else
    Chosen(item);
}

void TModuleTree::AddEntries(QTreeWidgetItem* parent, const IModuleList& modules) {
  for (std::int32_t i = 0; i < modules.Count(); ++i)
    AddEntry(parent, -1, modules.GetItem(i));
}

void TModuleTree::AddEntry(QTreeWidgetItem* parent, int index,
                           const std::shared_ptr<IModule>& module) {
  auto* item = new QTreeWidgetItem({ToShownQString(module->GetName())});
  if (index < 0 || index > parent->childCount())
    parent->addChild(item);
  else
    parent->insertChild(index, item);
  ModuleOf.emplace(item, module);
  EntryOf.emplace(module.get(), item);
  if (auto children = module->GetModules()) {
    EntryOfList[children.get()] = item;
    if (children->Count() > 0)
      AddEntries(item, *children);
  }
}

void TModuleTree::ForgetEntries(QTreeWidgetItem* item) {
  std::vector<QTreeWidgetItem*> open{item};
  while (!open.empty()) {
    QTreeWidgetItem* next = open.back();
    open.pop_back();
    if (const auto found = ModuleOf.find(next); found != ModuleOf.end()) {
      if (auto module = found->second.lock()) {
        EntryOf.erase(module.get());
        if (auto children = module->GetModules())
          EntryOfList.erase(children.get());
      }
      ModuleOf.erase(found);
    }
    for (int i = 0; i < next->childCount(); ++i)
      open.push_back(next->child(i));
  }
}

void TModuleTree::Apply(const TChange& change) {
  {
    const QSignalBlocker quiet(Tree);
    for (const auto& module : change.Removed)
      if (const auto found = EntryOf.find(module.get()); found != EntryOf.end()) {
        QTreeWidgetItem* item = found->second;
        ForgetEntries(item);
        delete item;
      }
    const auto parent = change.List ? EntryOfList.find(change.List.get()) : EntryOfList.end();
    if (!change.Added.empty() && parent != EntryOfList.end()) {
      // The added modules' places, found in one pass over the list, filled in ascending order.
      std::unordered_map<const IModule*, std::int32_t> wanted;
      for (const auto& module : change.Added)
        wanted.emplace(module.get(), -1);
      // From the end, where modules are mostly added, until all are found.
      std::vector<std::pair<std::int32_t, std::shared_ptr<IModule>>> places;
      for (std::int32_t i = change.List->Count(); i-- > 0 && places.size() < wanted.size();)
        if (auto module = change.List->GetItem(i); wanted.contains(module.get()))
          places.emplace_back(i, module);
      std::reverse(places.begin(), places.end());
      for (const auto& [index, module] : places)
        if (!EntryOf.contains(module.get()))
          AddEntry(parent->second, index, module);
    }
    for (const auto& module : change.Changed)
      if (const auto found = EntryOf.find(module.get()); found != EntryOf.end())
        if (const QString name = ToShownQString(module->GetName()); found->second->text(0) != name)
          found->second->setText(0, name);
  }
  ShowSelection();
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
    EntryOfList.clear();
    TProject* project = Document.GetProject();
    if (!project)
      return;
    auto* root = new QTreeWidgetItem(Tree, {ToShownQString(project->GetName())});
    if (auto modules = project->GetMainModules()) {
      EntryOfList[modules.get()] = root;
      AddEntries(root, *modules);
    }
    root->setExpanded(true);
    for (const IModule* module : expanded)
      if (const auto it = EntryOf.find(module); it != EntryOf.end())
        it->second->setExpanded(true);
  }
  ShowSelection();
}

void TModuleTree::ShowSelection() {
  // Shown, not chosen: the tree's own signal would select again.
  const QSignalBlocker quiet(Tree);
  Tree->clearSelection();
  QTreeWidgetItem* current = nullptr;
  for (const auto& selected : Document.Selection()) {
    const auto found = EntryOf.find(selected.get());
    if (found == EntryOf.end())
      continue;
    QTreeWidgetItem* item = found->second;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
      up->setExpanded(true);
    if (!current) {
      current = item;
      Tree->setCurrentItem(item, 0, QItemSelectionModel::NoUpdate);
    }
    item->setSelected(true);
  }
  if (!current)
    Tree->setCurrentItem(nullptr);
}
