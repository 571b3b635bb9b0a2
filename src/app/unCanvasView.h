#pragma once

#include "platform/unTypes.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

class IModule;
class QLabel;
class QScrollBar;
class TMiniMap;
class TProgrammingImage;
class TProjectDocument;

// The canvas as a view of the document, with the scroll bars that move it over the modules'
// extent, the zoom shown in a label and an overview of the level in the canvas's corner. Presses,
// drags, arrow keys and double-clicks on the canvas become selections, undo steps and edit
// requests.
class TCanvasView : public QWidget {
  Q_OBJECT
public:
  // The zoom label (in the status bar) and the label that shows the path of the level shown
  // (above the canvas) belong to the caller.
  TCanvasView(TProjectDocument& document, QWidget* parent, QLabel* zoomLabel, QLabel* pathLabel);

  TProgrammingImage* GetCanvas() const { return Canvas; }
  TMiniMap* GetOverview() const { return Overview; }
  // View ▸ Overview: the overview in the canvas's corner shown or not.
  void ShowOverview(bool shown);
  // View ▸ Zoom In, Zoom Out, Actual Size: around the mouse on the canvas, else its middle.
  void ZoomIn();
  void ZoomOut();
  void ActualSize();
  // View ▸ Fit: the whole level in sight, at most at 100 %.
  void Fit();
  // The middle of what the canvas shows, in the project's coordinates.
  TPoint ViewCentre() const;
  // Scrolls so that the module of the level shown is in the middle.
  void CenterOn(const std::shared_ptr<IModule>& module);
  // The scroll bars and the zoom label as the view stands.
  void UpdateView();
  // Draws the project again and updates the bars.
  void Redraw();
  // Draws again where the modules of a change were and are: only they changed.
  void RedrawChanged(const std::vector<std::shared_ptr<IModule>>& modules);
  // The steps of the path above the canvas: the project's name, the main module's and those of
  // the modules opened down to the level shown.
  QStringList PathSteps() const;

  // A double-click asks to edit the module.
  std::function<void(const std::shared_ptr<IModule>&)> OnEdit;
  // What the user should read in the status bar (why a link was refused).
  std::function<void(const QString&)> OnMessage;
  // A palette entry dropped on the canvas, with the point (project coordinates) it was dropped.
  std::function<void(const QString&, TPoint)> OnDropEntry;

protected:
  // Palette entries dragged over and dropped on the canvas.
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  QPoint ZoomAnchor() const;
  void ShowPath();

  TProjectDocument& Document;
  // Puts the overview in the canvas's bottom right corner.
  void PlaceOverview();

  TProgrammingImage* Canvas;
  TMiniMap* Overview;
  QScrollBar* ScrollX;
  QScrollBar* ScrollY;
  QLabel* ZoomLabel;
  QLabel* PathLabel;
  bool UpdatingScroll = false;
  // The selected modules the canvas shows in red.
  std::vector<std::weak_ptr<IModule>> SelectionDrawn;
  // Where the modules a command is changing were drawn before the change.
  TRect Changing;
  TRect Extent;
  bool ExtentKnown = false;
};
