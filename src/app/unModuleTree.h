#pragma once

#include <QObject>
#include <memory>
#include <unordered_map>

class IModule;
class IModuleList;
struct TChange;
class QTreeWidget;
class QTreeWidgetItem;
class TProjectDocument;

// The module tree as a view of the document: the project's name as the root and below it every
// module of the project at its depth (the first level expanded), the selected one current.
// Choosing an entry, by mouse or keys, shows its module's level and selects it in the document
// (the project's own entry selects none).
class TModuleTree : public QObject {
  Q_OBJECT
public:
  TModuleTree(TProjectDocument& document, QTreeWidget* tree);

  // Builds the entries afresh from the project.
  void Rebuild();
  // Brings the entries up to date with what a command changed: only the entries of the modules
  // it added, removed or changed.
  void Apply(const TChange& change);
  // Marks the entries of every selected module, the first one current.
  void ShowSelection();

private:
  // The user chose the entry: its module alone is selected (none for the project's own entry).
  void Chosen(QTreeWidgetItem* item);
  // Ctrl+click on the entry: its module joins the selection or leaves it.
  void Toggled(QTreeWidgetItem* item);
  std::shared_ptr<IModule> ModuleOfEntry(QTreeWidgetItem* item) const;
  // Adds an entry for each module of the list, and below it those of its children.
  void AddEntries(QTreeWidgetItem* parent, const IModuleList& modules);
  // The entry of one module, with those of its children, put at the index under the parent.
  void AddEntry(QTreeWidgetItem* parent, int index, const std::shared_ptr<IModule>& module);
  // Forgets the entry and those below it (the caller deletes the item).
  void ForgetEntries(QTreeWidgetItem* item);

  TProjectDocument& Document;
  QTreeWidget* Tree;
  // The module of each entry, and the entry of each module.
  std::unordered_map<QTreeWidgetItem*, std::weak_ptr<IModule>> ModuleOf;
  std::unordered_map<const IModule*, QTreeWidgetItem*> EntryOf;
  // The entry under which each list's modules stand.
  std::unordered_map<const IModuleList*, QTreeWidgetItem*> EntryOfList;
};
