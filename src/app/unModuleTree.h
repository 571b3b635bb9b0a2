#pragma once

#include <QObject>

class QTreeWidget;
class QTreeWidgetItem;
class TProjectDocument;

// The module tree as a view of the document: the project's name as the root, the modules of the
// list shown below it, the selected one current. Choosing an entry, by mouse or keys, selects its
// module in the document (the project's own entry selects none).
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

  TProjectDocument& Document;
  QTreeWidget* Tree;
};
