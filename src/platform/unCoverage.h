#pragma once

#include <cstdint>
#include <vector>

// The parts of a picture that opaque boxes already hide, kept in tiles of 8 x 8 pixels, for drawing
// a stack of boxes from the top down: whatever lies wholly under the boxes above need not be drawn.
// Boxes are given by their edges, all included, and may lie partly or wholly outside the picture.
class TCoverage {
public:
  // An empty picture hides nothing. Only the clip of the picture counts as visible: what lies
  // outside it is hidden.
  TCoverage(std::int32_t width, std::int32_t height);
  TCoverage(std::int32_t width, std::int32_t height, std::int32_t clipLeft, std::int32_t clipTop,
            std::int32_t clipRight, std::int32_t clipBottom);

  // True when the box has no pixel in the picture that is not yet covered (a box wholly outside
  // the picture is hidden). Always false for an empty picture.
  bool Hides(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom) const;
  // Covers every tile whose pixels in the picture all lie inside the box.
  void Add(std::int64_t left, std::int64_t top, std::int64_t right, std::int64_t bottom);

private:
  static constexpr std::int64_t Tile = 8;
  std::int64_t Width, Height, Columns, Rows;
  std::int64_t ClipLeft, ClipTop, ClipRight, ClipBottom; // edges included
  std::vector<std::uint8_t> Covered;                     // row by row
};
