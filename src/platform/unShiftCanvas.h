#pragma once

#include "platform/unCanvas.h"

// Draws everything moved by an offset, in the units of the canvas below, which it passes on to.
class TShiftCanvas : public TCanvas {
public:
  TShiftCanvas(TCanvas& inner, TPoint delta) : Inner(inner), Delta(delta) {}

  void SetPenColor(TColor color) override { Inner.SetPenColor(color); }
  void SetPenWidth(std::int32_t width) override { Inner.SetPenWidth(width); }
  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void Polyline(std::span<const TPoint> points) override;
  void FillPolygon(std::span<const TPoint> points, TColor color) override;
  void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) override;
  TSize TextExtent(const std::u16string& text) override { return Inner.TextExtent(text); }
  TRect Clip() override { return Inner.Clip(); }
  TPoint ToPicture(TPoint point) override;

private:
  TPoint Moved(TPoint p) const { return {p.X + Delta.X, p.Y + Delta.Y}; }

  TCanvas& Inner;
  TPoint Delta;
};
