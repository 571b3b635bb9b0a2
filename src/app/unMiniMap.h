#pragma once

#include "platform/unTypes.h"

#include <QImage>
#include <QWidget>

class TProgrammingImage;

// A small picture of the whole level the canvas shows, the part in sight framed in red; a press
// or a drag in it brings that part of the level into the middle of the canvas.
class TMiniMap : public QWidget {
  Q_OBJECT
public:
  TMiniMap(TProgrammingImage& canvas, QWidget* parent);

  // Draws the level again: its modules changed or another level is shown.
  void Refresh();
  // The project point a point of the overview stands for.
  TPoint ToProject(QPointF at) const;
  // Where the project rectangle stands in the overview.
  QRectF ToMap(TRect r) const;
  // The part of the level in sight on the canvas, in project coordinates.
  TRect InSight() const;
  // Brings the project point to the middle of the canvas.
  void CentreOn(TPoint point);

protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  TProgrammingImage& Canvas;
  QImage Picture;
  // What the overview spans, and project units per pixel of it.
  TRect Span;
  double Scale = 1;
};
