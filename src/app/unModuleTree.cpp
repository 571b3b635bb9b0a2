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
  auto modules = Document.Level();
  if (!modules)
    return;
  // The project's own entry stands for no module.
  Document.Select(item && item->parent() ? modules->GetItem(item->parent()->indexOfChild(item))
                                         : nullptr);
}

void TModuleTree::Rebuild() {
  {
    // Rebuilding the tree is no choice of the user's.
    const QSignalBlocker quiet(Tree);
    Tree->clear();
    TProject* project = Document.GetProject();
    if (!project)
      return;
    auto* root = new QTreeWidgetItem(Tree, {ToQString(project->GetName())});
    if (auto modules = Document.Level())
      for (std::int32_t i = 0; i < modules->Count(); ++i)
        new QTreeWidgetItem(root, {ToQString(modules->GetItem(i)->GetName())});
    Tree->expandAll();
  }
  ShowSelection();
}

void TModuleTree::ShowSelection() {
  auto modules = Document.Level();
  QTreeWidgetItem* root = Tree->topLevelItem(0);
  if (!modules || !root)
    return;
  const std::int32_t index = modules->IndexOf(modules->GetFocused());
  QTreeWidgetItem* item = index >= 0 ? root->child(index) : nullptr;
  // Shown, not chosen: the tree's own signal would select again.
  const QSignalBlocker quiet(Tree);
  Tree->setCurrentItem(item);
  if (!item)
    Tree->clearSelection();
}
