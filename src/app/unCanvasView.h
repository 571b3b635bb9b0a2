#pragma once

#include <QWidget>
#include <functional>
#include <memory>

class IModule;
class QLabel;
class QScrollBar;
class TProgrammingImage;
class TProjectDocument;

// The canvas as a view of the document, with the scroll bars that move it over the modules'
// extent and the zoom shown in a label (only while it is not 100 %). Presses, drags, arrow keys
// and double-clicks on the canvas become selections, undo steps and edit requests.
class TCanvasView : public QWidget {
  Q_OBJECT
public:
  // The zoom label belongs to the caller (the status bar).
  TCanvasView(TProjectDocument& document, QWidget* parent, QLabel* zoomLabel);

  TProgrammingImage* GetCanvas() const { return Canvas; }
  // View ▸ Zoom In, Zoom Out, Actual Size: around the mouse on the canvas, else its middle.
  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  // The scroll bars and the zoom label as the view stands.
  void UpdateView();
  // Draws the project again and updates the bars.
  void Redraw();

  // A double-click asks to edit the module.
  std::function<void(const std::shared_ptr<IModule>&)> OnEdit;
  // What the user should read in the status bar (why a link was refused).
  std::function<void(const QString&)> OnMessage;

private:
  QPoint ZoomAnchor() const;

  TProjectDocument& Document;
  TProgrammingImage* Canvas;
  QScrollBar* ScrollX;
  QScrollBar* ScrollY;
  QLabel* ZoomLabel;
  bool UpdatingScroll = false;
};
