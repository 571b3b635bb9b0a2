#include "canvas/unViewCanvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

namespace {

std::int32_t Clamped(double v) {
  return static_cast<std::int32_t>(std::clamp(std::floor(v), double{INT32_MIN}, double{INT32_MAX}));
}

} // namespace

void TViewCanvas::SetView(double zoom, TPoint origin) {
  Zoom = zoom > 0 ? zoom : 1;
  Origin = origin;
  Identity = Zoom == 1 && Origin.X == 0 && Origin.Y == 0;
}

TPoint TViewCanvas::ToPicture(TPoint p) {
  if (Identity)
    return p;
  return {Clamped((static_cast<double>(p.X) - Origin.X) * Zoom),
          Clamped((static_cast<double>(p.Y) - Origin.Y) * Zoom)};
}

TPoint TViewCanvas::ToProject(std::int32_t x, std::int32_t y) const {
  if (Identity)
    return {x, y};
  return {Clamped(x / Zoom + Origin.X), Clamped(y / Zoom + Origin.Y)};
}

void TViewCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                            std::int32_t bottom) {
  const TPoint a = ToPicture({left, top}), b = ToPicture({right, bottom});
  Inner.Rectangle(a.X, a.Y, b.X, b.Y);
}

void TViewCanvas::Polyline(std::span<const TPoint> points) {
  if (Identity) {
    Inner.Polyline(points);
    return;
  }
  std::vector<TPoint> mapped(points.begin(), points.end());
  for (TPoint& p : mapped)
    p = ToPicture(p);
  Inner.Polyline(mapped);
}

void TViewCanvas::FillPolygon(std::span<const TPoint> points, TColor color) {
  std::vector<TPoint> mapped(points.begin(), points.end());
  for (TPoint& p : mapped)
    p = ToPicture(p);
  Inner.FillPolygon(mapped, color);
}

void TViewCanvas::TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) {
  const TPoint p = ToPicture({x, y});
  Inner.TextOut(p.X, p.Y, text);
}

TSize TViewCanvas::TextExtent(const std::u16string& text) {
  const TSize size = Inner.TextExtent(text);
  if (Zoom == 1)
    return size;
  return {static_cast<std::int32_t>(std::lround(size.Width / Zoom)),
          static_cast<std::int32_t>(std::lround(size.Height / Zoom))};
}
