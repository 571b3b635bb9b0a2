#pragma once

#include "platform/unCanvas.h"

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <algorithm>
#include <array>
#include <unordered_map>

// Draws into a 32-bit picture: boxes and lines are written straight into its pixels (one-pixel
// pen, solid white brush, every pixel clipped to the picture), and text is the picture's font in
// black on the brush colour, like an opaque text cell. Rendered texts are cached across redraws.
class TImageCanvas : public TCanvas {
public:
  explicit TImageCanvas(const QFont& font = QFont());

  // The picture to draw on, of QImage::Format_RGB32; not owned. Null draws nothing.
  void SetTarget(QImage* image);
  // Starts a new picture: rendered texts that the last pictures did not use may be dropped.
  void BeginPicture();
  // The number of texts whose extent or rendering is kept.
  std::size_t CachedTexts() const { return Labels.size(); }
  void SetFont(const QFont& font);

  void SetPenColor(TColor color) override;
  // 1 or more: a wider pen paints a square of that size at every point of a line.
  void SetPenWidth(std::int32_t width) override { PenWidth = std::max(1, std::min(width, 8)); }
  void Rectangle(std::int32_t left, std::int32_t top, std::int32_t right,
                 std::int32_t bottom) override;
  void Polyline(std::span<const TPoint> points) override;
  // A convex polygon, filled row by row.
  void FillPolygon(std::span<const TPoint> points, TColor color) override;
  void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) override;
  TSize TextExtent(const std::u16string& text) override;
  // The whole picture, or the part SetClip gave.
  TRect Clip() override;
  bool ShowsSelection() override { return DrawSelection; }
  // Draw the selection's marks (not in an exported picture).
  bool DrawSelection = true;
  // Limits drawing to a part of the picture (edges included); an empty rectangle lifts the limit.
  void SetClip(TRect clip);

private:
  struct TLabel {
    QImage Picture; // null until first drawn
    TSize Extent;
    std::uint64_t LastUsed = 0; // the picture that last asked for it
  };
  TLabel& Label(const std::u16string& text);
  void FillRow(std::int64_t y, std::int64_t x0, std::int64_t x1, std::uint32_t color);
  std::uint32_t* Row(std::int64_t y) const { return Pixels + y * Stride; }
  void Line(TPoint from, TPoint to);

  QImage* Target = nullptr;
  std::uint32_t* Pixels = nullptr;
  std::int64_t Stride = 0, Width = 0, Height = 0;
  // Drawing stays in [ClipLeft, ClipRight) x [ClipTop, ClipBottom).
  std::int64_t ClipLeft = 0, ClipTop = 0, ClipRight = 0, ClipBottom = 0;
  TRect Limit;
  std::uint32_t Pen = 0xFF000000;
  std::int32_t PenWidth = 1;
  std::uint32_t Brush = 0xFFFFFFFF;
  QFont Font;
  QFontMetrics Metrics;
  std::unordered_map<std::u16string, TLabel> Labels;
  std::pair<const std::u16string, TLabel>* Last = nullptr;           // the text asked for last
  std::array<std::pair<const std::u16string, TLabel>*, 64> Recent{}; // texts asked for lately
  std::uint64_t Picture = 0;
  std::size_t Used = 0; // texts the current picture asked for
};
