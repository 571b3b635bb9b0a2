#pragma once

#include "canvas/unImageCanvas.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <memory>

class IModule;
class TProject;

// The drawing area: keeps a retained picture of the project's first-level modules and turns
// presses, drags and double-clicks into selection, moving and editing.
class TProgrammingImage : public QWidget {
  Q_OBJECT
public:
  using TModuleEvent = std::function<void(const std::shared_ptr<IModule>&)>;

  explicit TProgrammingImage(QWidget* owner = nullptr);

  // The project is not owned; it must stay alive until it is replaced. Nothing is drawn.
  void SetProject(TProject* project);
  TProject* GetProject() const { return Project; }
  // Blanks the picture, draws its black frame and the project's modules.
  void Redraw();
  const QImage& Picture() const { return Image; }

  // What the mouse handlers do, with positions in picture coordinates.
  void MouseDown(int x, int y);
  void MouseMove(int x, int y);
  void MouseUp();
  void DblClick();

  TModuleEvent OnModuleSelect;
  TModuleEvent OnModuleMove;
  TModuleEvent OnModuleEdit;
  // After a drag that moved a module: the module and where it was when the drag began.
  std::function<void(const std::shared_ptr<IModule>&, TPoint from)> OnModuleDrop;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
  // Gives the picture the control's size; true when it had to change.
  bool FitPicture();

  int DragOffsetX = 0;
  int DragOffsetY = 0;
  bool SkipNextPress = false;
  bool Dragging = false;
  TPoint DragStart;
  std::shared_ptr<IModule> SelectedModule;
  TProject* Project = nullptr;
  QImage Image;
  TImageCanvas Canvas;
};
