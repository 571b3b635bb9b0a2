#include "platform/unShiftCanvas.h"

#include <vector>

void TShiftCanvas::Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                             std::int32_t bottom) {
  Inner.Rectangle(left + Delta.X, top + Delta.Y, right + Delta.X, bottom + Delta.Y);
}

void TShiftCanvas::Polyline(std::span<const TPoint> points) {
  std::vector<TPoint> moved(points.begin(), points.end());
  for (TPoint& p : moved)
    p = Moved(p);
  Inner.Polyline(moved);
}

void TShiftCanvas::FillPolygon(std::span<const TPoint> points, TColor color) {
  std::vector<TPoint> moved(points.begin(), points.end());
  for (TPoint& p : moved)
    p = Moved(p);
  Inner.FillPolygon(moved, color);
}

void TShiftCanvas::TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) {
  Inner.TextOut(x + Delta.X, y + Delta.Y, text);
}

TPoint TShiftCanvas::ToPicture(TPoint point) {
  return Inner.ToPicture(Moved(point));
}
