#pragma once

#include <QString>
#include <QStringList>
#include <QWidget>
#include <functional>

class QLineEdit;
class QTreeWidget;
class QTreeWidgetItem;
class TComponentList;

// The palette: the components by group and the user's subsystems, each by name and title, with a
// search field. An entry is told as a text: "type:" and a component's file, or "library:" and a
// subsystem's file; dragged, it carries that text as EntryMimeType.
class TPalette : public QWidget {
  Q_OBJECT
public:
  explicit TPalette(QWidget* parent = nullptr);

  // Lists the registry's components and the subsystem files (none when null/empty).
  void Fill(const TComponentList* components, const QStringList& subsystems);
  // Shows only the entries whose name, title or description holds the text (any case).
  void Search(const QString& text);
  // The entries shown, as "group/name" in the order shown.
  QStringList Shown() const;
  // The entry of the item (empty for a group).
  static QString EntryOf(const QTreeWidgetItem* item);

  // A double-click (or Enter) on an entry asks to add it.
  std::function<void(const QString&)> OnChosen;

  static constexpr const char* EntryMimeType = "application/x-zu-palette-entry";

private:
  QLineEdit* edSearch;
  QTreeWidget* tvPalette;
};
