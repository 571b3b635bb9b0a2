#pragma once

#include "platform/unCanvas.h"

#include <string>
#include <vector>

// A canvas that records every call; text is 6 pixels wide per character and 10 high.
class TRecordingCanvas : public TCanvas {
public:
  struct TCall {
    std::string Kind; // "rect", "line", "fill", "text"
    TColor Pen;
    std::vector<TPoint> Points; // rect: top-left, bottom-right; text: position
    std::u16string Text;
  };

  void SetPenColor(TColor color) override { Pen = color; }
  void Rectangle(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b) override {
    Calls.push_back({"rect", Pen, {{l, t}, {r, b}}, {}});
  }
  void Polyline(std::span<const TPoint> points) override {
    Calls.push_back({"line", Pen, {points.begin(), points.end()}, {}});
  }
  void FillPolygon(std::span<const TPoint> points, TColor color) override {
    Pen = color;
    Calls.push_back({"fill", Pen, {points.begin(), points.end()}, {}});
  }
  void TextOut(std::int32_t x, std::int32_t y, const std::u16string& text) override {
    Calls.push_back({"text", Pen, {{x, y}}, text});
  }
  TSize TextExtent(const std::u16string& text) override {
    return {static_cast<std::int32_t>(6 * text.size()), 10};
  }

  std::vector<TCall> Of(const std::string& kind) const {
    std::vector<TCall> out;
    for (const auto& c : Calls)
      if (c.Kind == kind)
        out.push_back(c);
    return out;
  }

  TColor Pen = clBlack;
  std::vector<TCall> Calls;
};
