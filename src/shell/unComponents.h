#pragma once

#include <QDialog>

class QPlainTextEdit;
class QTreeWidget;
class TComponentList;

// The components browser: the registered components' names, and the report of the one chosen.
class TfmComponents : public QDialog {
  Q_OBJECT
public:
  explicit TfmComponents(QWidget* owner = nullptr);

  // Not owned; may be null. Fills the tree.
  void SetComponents(TComponentList* components);
  // Rebuilds the report for the selected node; empty when nothing is selected.
  void TreeViewClick();

private:
  TComponentList* Components = nullptr;
  QTreeWidget* TreeView;
  QPlainTextEdit* mmInfo;
};
