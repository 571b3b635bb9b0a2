#pragma once

#include <cstdint>

// 16-bit boolean as stored by the model: true is all bits set, any non-zero value reads as true.
using TWordBool = std::int16_t;
inline constexpr TWordBool WordTrue = -1;
inline constexpr TWordBool WordFalse = 0;
inline constexpr TWordBool ToWordBool(bool value) {
  return value ? WordTrue : WordFalse;
}

struct TPoint {
  std::int32_t X = 0;
  std::int32_t Y = 0;
  friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  friend bool operator==(const TSize&, const TSize&) = default;
};

// A rectangle by its edges, all included; empty when Right < Left or Bottom < Top.
struct TRect {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = -1;
  std::int32_t Bottom = -1;
  bool Empty() const { return Right < Left || Bottom < Top; }
  friend bool operator==(const TRect&, const TRect&) = default;
};

struct TColor {
  std::uint8_t R = 0;
  std::uint8_t G = 0;
  std::uint8_t B = 0;
  friend bool operator==(const TColor&, const TColor&) = default;
};

inline constexpr TColor clBlack{0, 0, 0};
inline constexpr TColor clRed{255, 0, 0};
inline constexpr TColor clGreen{0, 128, 0};
inline constexpr TColor clBlue{0, 0, 255};
inline constexpr TColor clWhite{255, 255, 255};
