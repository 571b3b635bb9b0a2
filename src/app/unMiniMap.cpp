#include "app/unMiniMap.h"

#include "canvas/unProgrammingImage.h"
#include "model/unIModule.h"
#include "model/unProject.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

TMiniMap::TMiniMap(TProgrammingImage& canvas, QWidget* parent) : QWidget(parent), Canvas(canvas) {
  setObjectName("MiniMap");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setCursor(Qt::PointingHandCursor);
  setToolTip(tr("Обзор уровня: щелчок показывает это место"));
}

TRect TMiniMap::InSight() const {
  const double zoom = Canvas.GetZoom();
  const TPoint origin = Canvas.GetOrigin();
  return {origin.X, origin.Y, origin.X + static_cast<std::int32_t>(Canvas.width() / zoom),
          origin.Y + static_cast<std::int32_t>(Canvas.height() / zoom)};
}

void TMiniMap::Refresh() {
  // The modules' extent with a margin; a level without modules spans what is in sight.
  TRect span = Canvas.ProjectExtent();
  if (span.Empty())
    span = InSight();
  const std::int32_t margin = std::max(20, (span.Right - span.Left) / 20);
  Span = {span.Left - margin, span.Top - margin, span.Right + margin, span.Bottom + margin};
  const double w = std::max(1, width() - 2), h = std::max(1, height() - 2);
  Scale = std::max({(Span.Right - Span.Left) / w, (Span.Bottom - Span.Top) / h, 1e-6});
  // As many pixels as the screen has there, so that it is sharp at any pixel ratio.
  const qreal ratio = std::max<qreal>(1, devicePixelRatioF());
  Picture = QImage((QSizeF(size()) * ratio).toSize().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  Picture.setDevicePixelRatio(ratio);
  Picture.fill(QColor(248, 248, 248));
  QPainter painter(&Picture);
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(120, 120, 140));
  TProject* project = Canvas.GetProject();
  auto modules = Canvas.ShownLevel();
  if (project && modules)
    for (std::int32_t i = 0; i < modules->Count(); ++i) {
      const QRectF box = ToMap(modules->GetItem(i)->Outline());
      // Every module stays visible, however small the overview shows it.
      painter.drawRect(QRectF(box.topLeft(), box.size().expandedTo(QSizeF(1.5, 1.5))));
    }
  painter.setPen(QColor(160, 160, 160));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(QRectF(QPointF(0, 0), QSizeF(size())).adjusted(0, 0, -1, -1));
  update();
}

TPoint TMiniMap::ToProject(QPointF at) const {
  return {static_cast<std::int32_t>(Span.Left + (at.x() - 1) * Scale),
          static_cast<std::int32_t>(Span.Top + (at.y() - 1) * Scale)};
}

QRectF TMiniMap::ToMap(TRect r) const {
  return QRectF(1 + (r.Left - Span.Left) / Scale, 1 + (r.Top - Span.Top) / Scale,
                (r.Right - r.Left) / Scale, (r.Bottom - r.Top) / Scale);
}

void TMiniMap::CentreOn(TPoint point) {
  const TRect sight = InSight();
  Canvas.SetOrigin(
      {point.X - (sight.Right - sight.Left) / 2, point.Y - (sight.Bottom - sight.Top) / 2});
  update();
}

void TMiniMap::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.drawImage(0, 0, Picture);
  painter.setPen(QPen(Qt::red, 1));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(ToMap(InSight()).intersected(QRectF(rect()).adjusted(0, 0, -1, -1)));
}

void TMiniMap::mousePressEvent(QMouseEvent* event) {
  CentreOn(ToProject(event->position()));
  event->accept();
}

void TMiniMap::mouseMoveEvent(QMouseEvent* event) {
  if (event->buttons() & Qt::LeftButton)
    CentreOn(ToProject(event->position()));
  event->accept();
}

void TMiniMap::resizeEvent(QResizeEvent*) {
  Refresh();
}
