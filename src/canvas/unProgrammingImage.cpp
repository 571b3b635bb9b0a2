#include "canvas/unProgrammingImage.h"

#include "model/unIModule.h"
#include "model/unProject.h"

#include <QMouseEvent>
#include <QPainter>

TProgrammingImage::TProgrammingImage(QWidget* owner) : QWidget(owner) {
  setObjectName("ProgrammingImage");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  Image = QImage(1, 1, QImage::Format_RGB32);
  Image.fill(Qt::white);
}

void TProgrammingImage::SetProject(TProject* project) {
  Project = project;
}

bool TProgrammingImage::FitPicture() {
  const QSize size = this->size().expandedTo(QSize(1, 1));
  if (size == Image.size())
    return false;
  Image = QImage(size, QImage::Format_RGB32);
  Image.fill(Qt::white);
  return true;
}

void TProgrammingImage::Redraw() {
  update();
  FitPicture();
  Canvas.SetFont(font());
  Canvas.SetTarget(&Image);
  Canvas.BeginPicture();
  Canvas.SetPenColor(clBlack);
  Canvas.Rectangle(0, 0, Image.width() - 1, Image.height() - 1);
  if (Project)
    Project->Draw(nullptr, Canvas);
}

void TProgrammingImage::MouseDown(int x, int y) {
  if (SkipNextPress) {
    SkipNextPress = false;
    return;
  }
  if (!Project)
    return;
  auto modules = Project->GetMainModules();
  if (modules) {
    modules->ClearFocus();
    SelectedModule = modules->FindAt(x, y);
  } else {
    SelectedModule.reset();
  }
  if (SelectedModule)
    SelectedModule->SetFocused(WordTrue);
  Redraw();
  if (OnModuleSelect)
    OnModuleSelect(SelectedModule);
  Dragging = true;
  if (SelectedModule) {
    const TPoint position = SelectedModule->GetPosition();
    DragStart = position;
    DragOffsetX = position.X - x;
    DragOffsetY = position.Y - y;
  }
}

void TProgrammingImage::MouseMove(int x, int y) {
  if (!Dragging || !SelectedModule)
    return;
  SelectedModule->SetPosition({x + DragOffsetX, y + DragOffsetY});
  Redraw();
  if (OnModuleMove)
    OnModuleMove(SelectedModule);
}

void TProgrammingImage::MouseUp() {
  Dragging = false;
  std::shared_ptr<IModule> dropped = std::move(SelectedModule);
  SelectedModule.reset();
  if (dropped && OnModuleDrop && !(dropped->GetPosition() == DragStart))
    OnModuleDrop(dropped, DragStart);
}

void TProgrammingImage::DblClick() {
  if (!Project)
    return;
  auto modules = Project->GetMainModules();
  auto focused = modules ? modules->GetFocused() : nullptr;
  if (!focused)
    return;
  if (OnModuleEdit)
    OnModuleEdit(focused);
  SkipNextPress = true;
}

void TProgrammingImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Image);
}

void TProgrammingImage::resizeEvent(QResizeEvent*) {
  // The retained picture follows the control's size.
  if (FitPicture())
    Redraw();
}

void TProgrammingImage::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  MouseDown(p.x(), p.y());
}

void TProgrammingImage::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  MouseMove(p.x(), p.y());
}

void TProgrammingImage::mouseReleaseEvent(QMouseEvent*) {
  MouseUp();
}

void TProgrammingImage::mouseDoubleClickEvent(QMouseEvent* event) {
  // Qt sends the double-click in place of the second press, so that press is the one to skip:
  // it is consumed here and the next real press selects as usual.
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::LeftButton)
    DblClick();
  MouseDown(p.x(), p.y());
}
