#include "canvas/unQtCanvas.h"

#include "canvas/unQtStrings.h"

#include <QPoint>
#include <QString>
#include <QVarLengthArray>
#include <algorithm>

TQtCanvas::TQtCanvas(QPainter& painter) : Painter(painter), Metrics(painter.font()) {
  Painter.setRenderHint(QPainter::Antialiasing, false);
  Painter.setPen(QPen(Qt::black, 0));
  Painter.setBrush(QBrush(Qt::white, Qt::SolidPattern));
}

void TQtCanvas::SetPenColor(TColor color) {
  Painter.setPen(QPen(QColor(color.R, color.G, color.B), 0));
}

void TQtCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                          std::int32_t bottom) {
  const int x0 = std::min(left, right), x1 = std::max(left, right);
  const int y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  // With a one-pixel pen the outline covers x0..x1 and y0..y1 inclusive.
  Painter.drawRect(QRect(x0, y0, x1 - x0, y1 - y0));
}

void TQtCanvas::Polyline(std::span<const TPoint> points) {
  QVarLengthArray<QPoint, 8> qt;
  for (const TPoint& p : points)
    qt.append(QPoint(p.X, p.Y));
  Painter.drawPolyline(qt.data(), static_cast<int>(qt.size()));
}

void TQtCanvas::TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) {
  Painter.drawText(QPoint(x, y + Metrics.ascent()), ToQString(text));
}

TSize TQtCanvas::TextExtent(const std::u16string& text) {
  return {Metrics.horizontalAdvance(ToQString(text)), Metrics.height()};
}
