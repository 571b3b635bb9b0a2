#include "platform/unCoverage.h"

#include <algorithm>

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
  return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

TCoverage::TCoverage(std::int32_t width, std::int32_t height)
    : TCoverage(width, height, 0, 0, width - 1, height - 1) {}

TCoverage::TCoverage(std::int32_t width, std::int32_t height, std::int32_t clipLeft,
                     std::int32_t clipTop, std::int32_t clipRight, std::int32_t clipBottom)
    : Width(std::max(width, 0)), Height(std::max(height, 0)), Columns((Width + Tile - 1) / Tile),
      Rows((Height + Tile - 1) / Tile), ClipLeft(std::max<std::int64_t>(clipLeft, 0)),
      ClipTop(std::max<std::int64_t>(clipTop, 0)),
      ClipRight(std::min<std::int64_t>(clipRight, Width - 1)),
      ClipBottom(std::min<std::int64_t>(clipBottom, Height - 1)),
      Covered(static_cast<std::size_t>(Columns * Rows), std::uint8_t{0}) {}

bool TCoverage::Hides(std::int64_t left, std::int64_t top, std::int64_t right,
                      std::int64_t bottom) const {
  if (Width == 0 || Height == 0)
    return false;
  left = std::max(left, ClipLeft);
  top = std::max(top, ClipTop);
  right = std::min(right, ClipRight);
  bottom = std::min(bottom, ClipBottom);
  if (left > right || top > bottom)
    return true;
  for (std::int64_t ty = top / Tile; ty <= bottom / Tile; ++ty) {
    const std::uint8_t* row = Covered.data() + ty * Columns;
    for (std::int64_t tx = left / Tile; tx <= right / Tile; ++tx)
      if (!row[tx])
        return false;
  }
  return true;
}

void TCoverage::Add(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) {
  // The tiles from the first that starts at or after the box's near edge to the last whose last
  // pixel in the picture is at or before its far edge.
  auto span = [](std::int64_t from, std::int64_t to, std::int64_t size, std::int64_t count,
                 std::int64_t& first, std::int64_t& last) {
    first = from <= 0 ? 0 : FloorDiv(from + Tile - 1, Tile);
    last = to >= size - 1 ? count - 1 : FloorDiv(to + 1, Tile) - 1;
  };
  std::int64_t tx0, tx1, ty0, ty1;
  span(left, right, Width, Columns, tx0, tx1);
  span(top, bottom, Height, Rows, ty0, ty1);
  tx1 = std::min(tx1, Columns - 1);
  ty1 = std::min(ty1, Rows - 1);
  for (std::int64_t ty = ty0; ty <= ty1; ++ty)
    for (std::int64_t tx = tx0; tx <= tx1; ++tx)
      Covered[static_cast<std::size_t>(ty * Columns + tx)] = 1;
}
