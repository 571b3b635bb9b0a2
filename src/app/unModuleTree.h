#pragma once

#include <QObject>
#include <memory>
#include <unordered_map>

class IModule;
class IModuleList;
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
  // Makes the selected module's entry the current one.
  void ShowSelection();

private:
  void Chosen(QTreeWidgetItem* item);
  // Adds an entry for each module of the list, and below it those of its children.
  void AddEntries(QTreeWidgetItem* parent, const IModuleList& modules);

  TProjectDocument& Document;
  QTreeWidget* Tree;
  // The module of each entry, and the entry of each module.
  std::unordered_map<QTreeWidgetItem*, std::weak_ptr<IModule>> ModuleOf;
  std::unordered_map<const IModule*, QTreeWidgetItem*> EntryOf;
};
