#include "canvas/unImageCanvas.h"

#include "canvas/unQtStrings.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// Texts kept whatever their last use; beyond this, texts no picture used lately are dropped.
constexpr std::size_t KeptLabels = 4096;

} // namespace

TImageCanvas::TImageCanvas(const QFont& font) : Font(font), Metrics(font) {}

void TImageCanvas::SetFont(const QFont& font) {
  if (font == Font)
    return;
  Font = font;
  Metrics = QFontMetrics(font);
  Last = nullptr;
  Recent.fill(nullptr);
  Labels.clear();
}

void TImageCanvas::SetPenColor(TColor color) {
  Pen = qRgb(color.R, color.G, color.B);
}

void TImageCanvas::SetTarget(QImage* image) {
  Target = image;
  // Taken once per picture: the picture is detached from any copy here, not at every row.
  Pixels = Target ? reinterpret_cast<std::uint32_t*>(Target->bits()) : nullptr;
  Stride = Target ? Target->bytesPerLine() / 4 : 0;
  Width = Target ? Target->width() : 0;
  Height = Target ? Target->height() : 0;
  SetClip(Limit);
}

void TImageCanvas::SetClip(TRect clip) {
  Limit = clip;
  ClipLeft = 0;
  ClipTop = 0;
  ClipRight = Width;
  ClipBottom = Height;
  if (!clip.Empty()) {
    ClipLeft = std::clamp<std::int64_t>(clip.Left, 0, Width);
    ClipTop = std::clamp<std::int64_t>(clip.Top, 0, Height);
    ClipRight = std::clamp<std::int64_t>(std::int64_t{clip.Right} + 1, ClipLeft, Width);
    ClipBottom = std::clamp<std::int64_t>(std::int64_t{clip.Bottom} + 1, ClipTop, Height);
  }
}

TRect TImageCanvas::Clip() {
  if (ClipRight <= ClipLeft || ClipBottom <= ClipTop)
    return {0, 0, -1, -1};
  return {static_cast<std::int32_t>(ClipLeft), static_cast<std::int32_t>(ClipTop),
          static_cast<std::int32_t>(ClipRight - 1), static_cast<std::int32_t>(ClipBottom - 1)};
}

void TImageCanvas::FillRow(std::int64_t y, std::int64_t x0, std::int64_t x1, std::uint32_t color) {
  if (y < ClipTop || y >= ClipBottom)
    return;
  x0 = std::max(x0, ClipLeft);
  x1 = std::min(x1, ClipRight - 1);
  if (x0 > x1)
    return;
  std::uint32_t* row = Row(y);
  std::fill(row + x0, row + x1 + 1, color);
}

void TImageCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
  if (!Target)
    return;
  const std::int64_t x0 = std::min(left, right), x1 = std::max(left, right);
  const std::int64_t y0 = std::min(top, bottom), y1 = std::max(top, bottom);
  const std::int64_t firstRow = std::max(y0, ClipTop);
  const std::int64_t lastRow = std::min(y1, ClipBottom - 1);
  for (std::int64_t y = firstRow; y <= lastRow; ++y) {
    if (y == y0 || y == y1) {
      FillRow(y, x0, x1, Pen);
      continue;
    }
    std::uint32_t* row = Row(y);
    if (x0 >= ClipLeft && x0 < ClipRight)
      row[x0] = Pen;
    if (x1 >= ClipLeft && x1 < ClipRight)
      row[x1] = Pen;
    const std::int64_t in0 = std::max(x0 + 1, ClipLeft);
    const std::int64_t in1 = std::min(x1 - 1, ClipRight - 1);
    if (in0 <= in1)
      std::fill(row + in0, row + in1 + 1, Brush);
  }
}

namespace {

// Cuts the segment to the rectangle [left, right] x [top, bottom] (Liang-Barsky); false when no
// part of it lies inside.
bool ClipSegment(double& x0, double& y0, double& x1, double& y1, double left, double top,
                 double right, double bottom) {
  double t0 = 0, t1 = 1;
  const double dx = x1 - x0, dy = y1 - y0;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x0 - left, right - x0, y0 - top, bottom - y0};
  for (int k = 0; k < 4; ++k) {
    if (p[k] == 0) {
      if (q[k] < 0)
        return false;
      continue;
    }
    const double t = q[k] / p[k];
    if (p[k] < 0)
      t0 = std::max(t0, t);
    else
      t1 = std::min(t1, t);
    if (t0 > t1)
      return false;
  }
  const double sx = x0, sy = y0;
  x0 = sx + t0 * dx;
  y0 = sy + t0 * dy;
  x1 = sx + t1 * dx;
  y1 = sy + t1 * dy;
  return true;
}

} // namespace

void TImageCanvas::Line(TPoint from, TPoint to) {
  const std::int64_t w = Width, h = Height;
  // Segments wholly on one side of the drawn area are skipped rather than walked.
  if ((from.X < ClipLeft && to.X < ClipLeft) || (from.X >= ClipRight && to.X >= ClipRight) ||
      (from.Y < ClipTop && to.Y < ClipTop) || (from.Y >= ClipBottom && to.Y >= ClipBottom))
    return;
  // A segment far longer than the picture is cut to it first, so that walking it costs no more
  // than the picture's size; shorter ones are walked whole, pixel for pixel.
  std::int64_t x = from.X, y = from.Y, endX = to.X, endY = to.Y;
  if (std::max(std::llabs(endX - x), std::llabs(endY - y)) > 4 * (w + h)) {
    double x0 = static_cast<double>(x), y0 = static_cast<double>(y);
    double x1 = static_cast<double>(endX), y1 = static_cast<double>(endY);
    if (!ClipSegment(x0, y0, x1, y1, -1, -1, static_cast<double>(w), static_cast<double>(h)))
      return;
    x = std::llround(x0);
    y = std::llround(y0);
    endX = std::llround(x1);
    endY = std::llround(y1);
  }
  // Level and upright lines (most of a diagram's) are rows and columns of pixels.
  if (y == endY || x == endX) {
    const std::int64_t half = PenWidth / 2;
    for (std::int64_t k = -half; k < PenWidth - half; ++k) {
      if (y == endY) {
        FillRow(y + k, std::min(x, endX) - half, std::max(x, endX) - half + PenWidth - 1, Pen);
        continue;
      }
      const std::int64_t column = x + k;
      if (column < ClipLeft || column >= ClipRight)
        continue;
      const std::int64_t top = std::max(std::min(y, endY) - half, ClipTop);
      const std::int64_t bottom = std::min(std::max(y, endY) - half + PenWidth - 1, ClipBottom - 1);
      for (std::int64_t row = top; row <= bottom; ++row)
        Row(row)[column] = Pen;
    }
    return;
  }
  // Bresenham, both end points included.
  const std::int64_t dx = std::llabs(endX - x);
  const std::int64_t dy = -std::llabs(endY - y);
  const int sx = x < endX ? 1 : -1, sy = y < endY ? 1 : -1;
  std::int64_t err = dx + dy;
  for (;;) {
    if (PenWidth == 1) {
      if (x >= ClipLeft && x < ClipRight && y >= ClipTop && y < ClipBottom)
        Row(y)[x] = Pen;
    } else {
      for (std::int64_t py = y - PenWidth / 2; py < y - PenWidth / 2 + PenWidth; ++py)
        for (std::int64_t px = x - PenWidth / 2; px < x - PenWidth / 2 + PenWidth; ++px)
          if (px >= ClipLeft && px < ClipRight && py >= ClipTop && py < ClipBottom)
            Row(py)[px] = Pen;
    }
    if (x == endX && y == endY)
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

void TImageCanvas::FillPolygon(std::span<const TPoint> points, TColor color) {
  SetPenColor(color);
  if (!Target || points.empty())
    return;
  std::int64_t top = points[0].Y, bottom = points[0].Y;
  for (const TPoint& p : points) {
    top = std::min<std::int64_t>(top, p.Y);
    bottom = std::max<std::int64_t>(bottom, p.Y);
  }
  top = std::max(top, ClipTop);
  bottom = std::min(bottom, ClipBottom - 1);
  // Each row from the leftmost to the rightmost crossing of the edges with it.
  for (std::int64_t y = top; y <= bottom; ++y) {
    double low = 1e300, high = -1e300;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const TPoint a = points[i], b = points[(i + 1) % points.size()];
      if (y < std::min(a.Y, b.Y) || y > std::max(a.Y, b.Y))
        continue;
      if (a.Y == b.Y) {
        low = std::min({low, double(a.X), double(b.X)});
        high = std::max({high, double(a.X), double(b.X)});
        continue;
      }
      const double x = a.X + double(b.X - a.X) * double(y - a.Y) / double(b.Y - a.Y);
      low = std::min(low, x);
      high = std::max(high, x);
    }
    if (low <= high)
      FillRow(y, std::llround(low), std::llround(high), Pen);
  }
  Polyline(points);
}

void TImageCanvas::BeginPicture() {
  ++Picture;
  const std::size_t used = Used;
  Used = 0;
  // The cache is looked through only when it has grown well beyond what a picture uses.
  if (Labels.size() <= KeptLabels || Labels.size() <= 2 * used)
    return;
  Last = nullptr;
  Recent.fill(nullptr);
  // Texts of the last two pictures stay: a project's own names are never dropped, however many
  // there are, while names gone from it free their room.
  std::erase_if(Labels, [this](const auto& entry) { return entry.second.LastUsed + 1 < Picture; });
}

TImageCanvas::TLabel& TImageCanvas::Label(const std::u16string& text) {
  // A text is asked for its extent and then drawn: the second lookup is the first one's.
  if (Last && Last->first == text) {
    Last->second.LastUsed = Picture;
    return Last->second;
  }
  // The texts of a picture repeat (parameter names above all): a few recent ones are found by a
  // cheap mix of their length and ends before the table is asked.
  const std::size_t n = text.size();
  const std::size_t slot = n == 0 ? 0 : (n * 131 + text[0] * 31 + text[n - 1]) % Recent.size();
  if (auto* recent = Recent[slot]; recent && recent->first == text) {
    if (recent->second.LastUsed != Picture)
      ++Used;
    recent->second.LastUsed = Picture;
    Last = recent;
    return recent->second;
  }
  auto it = Labels.find(text);
  if (it == Labels.end()) {
    TLabel label;
    label.Extent = {Metrics.horizontalAdvance(ToQString(text)), Metrics.height()};
    it = Labels.emplace(text, std::move(label)).first;
  }
  if (it->second.LastUsed != Picture)
    ++Used;
  it->second.LastUsed = Picture;
  Last = &*it;
  Recent[slot] = Last;
  return it->second;
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
  // A text outside the drawn area is not even rendered.
  if (x >= ClipRight || y >= ClipBottom || std::int64_t{x} + label.Extent.Width <= ClipLeft ||
      std::int64_t{y} + label.Extent.Height <= ClipTop)
    return;
  if (label.Picture.isNull()) {
    label.Picture = QImage(label.Extent.Width, label.Extent.Height, QImage::Format_RGB32);
    label.Picture.fill(Brush);
    QPainter painter(&label.Picture);
    painter.setFont(Font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(0, Metrics.ascent()), ToQString(text));
  }
  const std::int64_t x0 = std::max<std::int64_t>(x, ClipLeft);
  const std::int64_t x1 =
      std::min<std::int64_t>(static_cast<std::int64_t>(x) + label.Extent.Width, ClipRight);
  if (x0 >= x1)
    return;
  for (std::int64_t row = 0; row < label.Extent.Height; ++row) {
    const std::int64_t ty = y + row;
    if (ty < ClipTop || ty >= ClipBottom)
      continue;
    const auto* src =
        reinterpret_cast<const std::uint32_t*>(label.Picture.constScanLine(static_cast<int>(row)));
    std::uint32_t* dst = Row(ty);
    std::memcpy(dst + x0, src + (x0 - x),
                static_cast<std::size_t>(x1 - x0) * sizeof(std::uint32_t));
  }
}
