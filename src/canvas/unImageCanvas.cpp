#include "canvas/unImageCanvas.h"

#include "canvas/unQtStrings.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

// Rendered texts kept at most; the cache starts afresh beyond it.
constexpr std::size_t MaxLabels = 4096;

} // namespace

TImageCanvas::TImageCanvas(const QFont& font) : Font(font), Metrics(font) {}

void TImageCanvas::SetFont(const QFont& font) {
  if (font == Font)
    return;
  Font = font;
  Metrics = QFontMetrics(font);
  Labels.clear();
}

void TImageCanvas::SetPenColor(TColor color) {
  Pen = qRgb(color.R, color.G, color.B);
}

void TImageCanvas::FillRow(std::int64_t y, std::int64_t x0, std::int64_t x1, std::uint32_t color) {
  if (y < 0 || y >= Target->height())
    return;
  x0 = std::max<std::int64_t>(x0, 0);
  x1 = std::min<std::int64_t>(x1, Target->width() - 1);
  if (x0 > x1)
    return;
  auto* row = reinterpret_cast<std::uint32_t*>(Target->scanLine(static_cast<int>(y)));
  std::fill(row + x0, row + x1 + 1, color);
}

void TImageCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
  if (!Target)
    return;
  const std::int64_t x0 = std::min(left, right), x1 = std::max(left, right);
  const std::int64_t y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  const std::int64_t firstRow = std::max<std::int64_t>(y0, 0);
  const std::int64_t lastRow = std::min<std::int64_t>(y1, Target->height() - 1);
  const std::int64_t width = Target->width();
  for (std::int64_t y = firstRow; y <= lastRow; ++y) {
    if (y == y0 || y == y1) {
      FillRow(y, x0, x1, Pen);
      continue;
    }
    auto* row = reinterpret_cast<std::uint32_t*>(Target->scanLine(static_cast<int>(y)));
    if (x0 >= 0 && x0 < width)
      row[x0] = Pen;
    if (x1 >= 0 && x1 < width)
      row[x1] = Pen;
    const std::int64_t in0 = std::max<std::int64_t>(x0 + 1, 0);
    const std::int64_t in1 = std::min<std::int64_t>(x1 - 1, width - 1);
    if (in0 <= in1)
      std::fill(row + in0, row + in1 + 1, Brush);
  }
}

void TImageCanvas::Line(TPoint from, TPoint to) {
  // Bresenham, both end points included.
  std::int64_t x = from.X, y = from.Y;
  const std::int64_t dx = std::llabs(static_cast<std::int64_t>(to.X) - x);
  const std::int64_t dy = -std::llabs(static_cast<std::int64_t>(to.Y) - y);
  const int sx = x < to.X ? 1 : -1, sy = y < to.Y ? 1 : -1;
  std::int64_t err = dx + dy;
  const std::int64_t w = Target->width(), h = Target->height();
  // Segments far outside the picture are skipped rather than walked.
  if ((x < 0 && to.X < 0) || (x >= w && to.X >= w) || (y < 0 && to.Y < 0) || (y >= h && to.Y >= h))
    return;
  for (;;) {
    if (x >= 0 && x < w && y >= 0 && y < h)
      reinterpret_cast<std::uint32_t*>(Target->scanLine(static_cast<int>(y)))[x] = Pen;
    if (x == to.X && y == to.Y)
      break;
    const std::int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

void TImageCanvas::Polyline(std::span<const TPoint> points) {
  if (!Target || points.empty())
    return;
  if (points.size() == 1)
    Line(points[0], points[0]);
  for (std::size_t i = 1; i < points.size(); ++i)
    Line(points[i - 1], points[i]);
}

TImageCanvas::TLabel& TImageCanvas::Label(const std::u16string& text) {
  auto it = Labels.find(text);
  if (it != Labels.end())
    return it->second;
  if (Labels.size() >= MaxLabels)
    Labels.clear();
  TLabel label;
  label.Extent = {Metrics.horizontalAdvance(ToQString(text)), Metrics.height()};
  return Labels.emplace(text, std::move(label)).first->second;
}

TSize TImageCanvas::TextExtent(const std::u16string& text) {
  return Label(text).Extent;
}

void TImageCanvas::TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) {
  if (!Target)
    return;
  TLabel& label = Label(text);
  if (label.Extent.Width <= 0 || label.Extent.Height <= 0)
    return;
  if (label.Picture.isNull()) {
    label.Picture = QImage(label.Extent.Width, label.Extent.Height, QImage::Format_RGB32);
    label.Picture.fill(Brush);
    QPainter painter(&label.Picture);
    painter.setFont(Font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(0, Metrics.ascent()), ToQString(text));
  }
  const std::int64_t w = Target->width(), h = Target->height();
  const std::int64_t x0 = std::max<std::int64_t>(x, 0);
  const std::int64_t x1 =
      std::min<std::int64_t>(static_cast<std::int64_t>(x) + label.Extent.Width, w);
  if (x0 >= x1)
    return;
  for (std::int64_t row = 0; row < label.Extent.Height; ++row) {
    const std::int64_t ty = y + row;
    if (ty < 0 || ty >= h)
      continue;
    const auto* src =
        reinterpret_cast<const std::uint32_t*>(label.Picture.constScanLine(static_cast<int>(row)));
    auto* dst = reinterpret_cast<std::uint32_t*>(Target->scanLine(static_cast<int>(ty)));
    std::memcpy(dst + x0, src + (x0 - x),
                static_cast<std::size_t>(x1 - x0) * sizeof(std::uint32_t));
  }
}
