#include "model/unFreePlace.h"

#include "model/unIModule.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

struct TBox {
  std::int64_t Left, Top, Right, Bottom;
  bool Overlaps(const TBox& other) const {
    return Left < other.Right && other.Left < Right && Top < other.Bottom && other.Top < Bottom;
  }
};

TBox BoxAt(TPoint centre, std::int64_t width, std::int64_t height, std::int64_t margin) {
  return {centre.X - width / 2 - margin, centre.Y - height / 2 - margin,
          centre.X + width / 2 + margin, centre.Y + height / 2 + margin};
}

} // namespace

TPoint FreePlace(const IModuleList* list, TPoint near, std::int32_t width, std::int32_t height) {
  if (!list)
    return near;
  constexpr std::int64_t Margin = 10;
  const std::int64_t w = std::max<std::int64_t>(std::abs(std::int64_t{width}), 1);
  const std::int64_t h = std::max<std::int64_t>(std::abs(std::int64_t{height}), 1);
  // Only the boxes near enough to matter are tried against.
  constexpr std::int32_t Rings = 40;
  const std::int64_t stepX = w / 2 + Margin, stepY = h / 2 + Margin;
  const TBox reach = BoxAt(near, w + 2 * stepX * Rings, h + 2 * stepY * Rings, Margin);
  std::vector<TBox> boxes;
  for (std::int32_t i = 0; i < list->Count(); ++i) {
    const auto m = list->GetItem(i);
    const TBox box = BoxAt(m->GetPosition(), std::abs(std::int64_t{m->GetWidth()}),
                           std::abs(std::int64_t{m->GetHeight()}), 0);
    if (box.Overlaps(reach))
      boxes.push_back(box);
  }
  auto free = [&](std::int64_t x, std::int64_t y) {
    if (x < INT32_MIN / 2 || x > INT32_MAX / 2 || y < INT32_MIN / 2 || y > INT32_MAX / 2)
      return false;
    const TBox box =
        BoxAt({static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)}, w, h, Margin);
    return std::none_of(boxes.begin(), boxes.end(),
                        [&](const TBox& other) { return box.Overlaps(other); });
  };
  for (std::int32_t ring = 0; ring <= Rings; ++ring) {
    // The places of the ring, nearest to the point first.
    std::vector<std::pair<std::int64_t, TPoint>> places;
    for (std::int32_t dx = -ring; dx <= ring; ++dx)
      for (std::int32_t dy = -ring; dy <= ring; ++dy) {
        if (std::max(std::abs(dx), std::abs(dy)) != ring)
          continue;
        const std::int64_t x = near.X + dx * stepX, y = near.Y + dy * stepY;
        const std::int64_t distance = (x - near.X) * (x - near.X) + (y - near.Y) * (y - near.Y);
        places.push_back({distance, {static_cast<std::int32_t>(x), static_cast<std::int32_t>(y)}});
      }
    std::stable_sort(places.begin(), places.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& [distance, place] : places)
      if (free(place.X, place.Y))
        return place;
  }
  // Crowded all around: beside the boxes near the point.
  std::int64_t right = near.X;
  for (const TBox& box : boxes)
    right = std::max(right, box.Right);
  return {static_cast<std::int32_t>(std::min<std::int64_t>(right + w / 2 + Margin, INT32_MAX / 2)),
          near.Y};
}
