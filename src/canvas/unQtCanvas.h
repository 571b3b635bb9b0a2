#pragma once

#include "platform/unCanvas.h"

#include <QFontMetrics>
#include <QPainter>

// Draws on a QPainter with a one-pixel pen and a solid white brush.
class TQtCanvas : public TCanvas {
public:
  // The painter must outlive the canvas.
  explicit TQtCanvas(QPainter& painter);

  void SetPenColor(TColor color) override;
  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void Polyline(std::span<const TPoint> points) override;
  void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) override;
  TSize TextExtent(const std::u16string& text) override;

private:
  QPainter& Painter;
  QFontMetrics Metrics;
};
