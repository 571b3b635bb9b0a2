#pragma once

#include "platform/unTypes.h"

#include <span>
#include <string>

// A drawing surface with a current pen colour, a solid fill brush and a font. Coordinates are
// pixels of the retained picture; right and bottom edges given to Rectangle are included.
class TCanvas {
public:
  virtual ~TCanvas() = default;
  virtual void SetPenColor(TColor color) = 0;
  // Fills the box with the current brush and outlines it with the pen.
  virtual void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                         std::int32_t bottom) = 0;
  // Lines are this many picture pixels wide (1 unless set); a canvas may draw them 1 wide.
  virtual void SetPenWidth(std::int32_t width) { (void)width; }
  // Connects the points in order with the pen; the figure is not closed implicitly.
  virtual void Polyline(std::span<const TPoint> points) = 0;
  // Fills the polygon (closed implicitly) with the colour, outline included; the pen colour is
  // left as the colour. A canvas that cannot fill draws the outline.
  virtual void FillPolygon(std::span<const TPoint> points, TColor color) {
    SetPenColor(color);
    Polyline(points);
    if (points.size() > 2) {
      const TPoint ends[2] = {points.back(), points.front()};
      Polyline(ends);
    }
  }
  // Writes text with its top-left corner at (x, y) in the current font.
  virtual void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) = 0;
  virtual TSize TextExtent(const std::u16string& text) = 0;
  // The part of the picture that drawing can change, in its pixels; empty when it has no bounds or
  // they are unknown. With an area, drawing that cannot show there may be left out.
  virtual TRect Clip() { return {}; }
  // Where a point given to the canvas lands in the picture: the point itself, unless the canvas
  // moves or scales what it draws.
  virtual TPoint ToPicture(TPoint point) { return point; }
  // Whether the selection is drawn (a red frame): on a screen, not in an exported picture.
  virtual bool ShowsSelection() { return true; }
};
