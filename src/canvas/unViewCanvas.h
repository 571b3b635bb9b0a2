#pragma once

#include "platform/unCanvas.h"

#include <cstdint>

// Draws the project's coordinates into a picture at a zoom, with a project point at the picture's
// top left: every point given is moved and scaled on its way to the canvas below. At zoom 1 with
// the origin at 0, 0 it changes nothing.
class TViewCanvas : public TCanvas {
public:
  explicit TViewCanvas(TCanvas& inner) : Inner(inner) {}

  // The zoom must be positive.
  void SetView(double zoom, TPoint origin);
  double GetZoom() const { return Zoom; }
  TPoint GetOrigin() const { return Origin; }
  // The project point shown at a picture pixel.
  TPoint ToProject(std::int32_t x, std::int32_t y) const;

  void SetPenColor(TColor color) override { Inner.SetPenColor(color); }
  void SetPenWidth(std::int32_t width) override { Inner.SetPenWidth(width); }
  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void Polyline(std::span<const TPoint> points) override;
  void FillPolygon(std::span<const TPoint> points, TColor color) override;
  void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) override;
  // In project units: the picture's extent divided by the zoom.
  TSize TextExtent(const std::u16string& text) override;
  TRect Clip() override { return Inner.Clip(); }
  TPoint ToPicture(TPoint point) override;
  bool ShowsSelection() override { return Inner.ShowsSelection(); }

private:
  TCanvas& Inner;
  double Zoom = 1;
  TPoint Origin;
  bool Identity = true;
};
