#pragma once

#include <QObject>
#include <QPoint>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class IModule;
class QMimeData;
class QTableWidget;
class QTableWidgetItem;
class TProjectDocument;
struct TLink;

// The property grid as a view of the document: the rows "Name", "Description", "Type",
// "Height", "Width", "PositionX", "PositionY" of the selected modules (a value they do not share
// shows empty), none without a selection. A value typed into a row is written to every selected
// module as one undo step: texts as they are, numbers when they are whole numbers (sizes at
// least 1); a refused value shows the modules' again and the reason.
class TPropertyGrid : public QObject {
  Q_OBJECT
public:
  // Tell shows a reason to the user (the status bar); an empty text clears it.
  TPropertyGrid(TProjectDocument& document, QTableWidget* grid,
                std::function<void(const QString&)> tell);

  // The rows of the module (a row is added when it is not there yet); nothing for none.
  void Show(const std::shared_ptr<IModule>& module);
  // The rows of the modules: the values they share.
  void Show(const std::vector<std::shared_ptr<IModule>>& modules);
  // The rows of the document's selection: a module's, a link's two ends ("From", "To"), or none.
  void ShowSelection();
  void ShowLink(const TLink& link);
  // Writes the latest values of a running project into the parameter rows.
  void ShowLiveValues();

  // What a drag of the row carries: an output's name (as OutputMimeType); null for other rows.
  QMimeData* OutputDrag(int row) const;

  // The value of a module's input or output while the project runs, or nothing.
  std::function<std::optional<std::string>(const IModule&, bool output, const std::u16string&)>
      LiveValue;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  // The rows of the modules' parameters, after the module's own: each input without a link, its
  // typed value editable ("Title (type)"); while the project runs also the linked inputs and the
  // outputs ("Выход: Title (type)"), with their values, read-only. Only for modules of one type.
  void ShowParams(const std::vector<std::shared_ptr<IModule>>& modules);
  // The text of a parameter row's value.
  QString ParamValue(const std::vector<std::shared_ptr<IModule>>& modules, bool output,
                     const std::u16string& name) const;
  void SetValue(const QString& key, const QString& value);
  // Marks the "Type" row red, with the reason as its tool tip, when the module's component is
  // missing.
  void ShowComponentState(const std::vector<std::shared_ptr<IModule>>& modules);
  // The modules shown that still exist.
  std::vector<std::shared_ptr<IModule>> ShownModules() const;
  // A row's new text goes to the document, which writes it to the modules shown.
  void ItemChanged(QTableWidgetItem* item);
  // An output row's tick changed: the output is watched, or no longer.
  void WatchChanged(QTableWidgetItem& key);

  TProjectDocument& Document;
  QTableWidget* Grid;
  std::function<void(const QString&)> Tell;
  // The modules whose values the grid shows; the grid does not keep them alive.
  std::vector<std::weak_ptr<IModule>> Shown;
  bool Filling = false;
  // The grid's viewport, whose mouse the drag of a row follows.
  QObject* Viewport = nullptr;
  // A press on a row that may become a drag.
  int DragRow = -1;
  QPoint DragFrom;
};
