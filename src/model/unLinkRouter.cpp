#include "model/unLinkRouter.h"

#include "model/unDragShift.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <queue>
#include <unordered_set>

namespace {

using TCoord = std::int32_t;

// Side of a cell of the boxes' index, in project units.
constexpr TCoord Cell = 128;
// A box wider or higher than this many cells is kept beside them.
constexpr std::int64_t BigCells = 16;
// The most boxes a search around obstacles takes into account; beyond, the link runs over boxes.
constexpr std::size_t SearchBoxes = 64;
// What a bend costs a search, in project units of length.
constexpr std::int64_t BendCost = 40;

bool Meets(TRect a, TRect b) {
  return !a.Empty() && !b.Empty() && a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom &&
         b.Top <= a.Bottom;
}

// The corners without repeats and without points in line with their neighbours; the first two
// and the last two (the runs out of and into the marks) are kept as they are.
std::vector<TPoint> Simplified(const std::vector<TPoint>& in) {
  if (in.size() <= 4)
    return in;
  std::vector<TPoint> out(in.begin(), in.begin() + 2);
  for (std::size_t i = 2; i + 2 < in.size(); ++i) {
    const TPoint p = in[i];
    if (p == out.back())
      continue;
    if (out.size() >= 3) {
      const TPoint a = out[out.size() - 2], b = out.back();
      if ((a.X == b.X && b.X == p.X) || (a.Y == b.Y && b.Y == p.Y)) {
        out.back() = p;
        continue;
      }
    }
    out.push_back(p);
  }
  while (out.size() > 2 && out.back() == in[in.size() - 2])
    out.pop_back();
  out.insert(out.end(), in.end() - 2, in.end());
  return out;
}

std::int64_t Key(TCoord cx, TCoord cy) {
  return (static_cast<std::int64_t>(cx) << 32) ^ static_cast<std::uint32_t>(cy);
}

TCoord CellOf(TCoord v) {
  return static_cast<TCoord>(std::floor(static_cast<double>(v) / Cell));
}

// Where a source of runs is: runs of one output may lie on each other, as one wire that forks.
struct TSource {
  const IModule* Module = nullptr;
  std::size_t Output = 0;
  friend bool operator==(const TSource&, const TSource&) = default;
};

// A run of a route along a line: from Low to High on the other axis.
struct TTrack {
  TCoord Low, High;
  const TLink* Link;
  TSource Source;
};

} // namespace

TPoint LinkEnd(const IModule& module, bool output, const std::u16string& name,
               const TDragShift* shift) {
  const TPoint by = shift ? shift->Of(&module) : TPoint{};
  const std::int32_t index = ParamIndex(module, output, name);
  if (index >= 0) {
    const TPoint mark = module.MarkPoint(output, index);
    return {mark.X + by.X, mark.Y + by.Y};
  }
  const TRect box = module.Outline();
  return {(output ? box.Right : box.Left) + by.X, (box.Top + box.Bottom) / 2 + by.Y};
}

TRect PointsBounds(const std::vector<TPoint>& points) {
  if (points.empty())
    return {};
  TRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
  for (const TPoint& p : points) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return r;
}

TPoint WithinReach(TPoint p) {
  constexpr std::int32_t Limit = 1 << 29;
  return {std::clamp(p.X, -Limit, Limit), std::clamp(p.Y, -Limit, Limit)};
}

std::vector<TPoint> RouteThrough(TPoint from, const std::vector<TPoint>& points, TPoint to) {
  std::vector<TPoint> out{from, {from.X + TLinkRouter::Stub, from.Y}};
  auto reach = [&out](TPoint p) {
    const TPoint cur = out.back();
    if (cur.X != p.X && cur.Y != p.Y) {
      const TPoint before = out[out.size() - 2];
      const bool horizontal = before.Y == cur.Y;
      out.push_back(horizontal ? TPoint{cur.X, p.Y} : TPoint{p.X, cur.Y});
    }
    out.push_back(p);
  };
  for (const TPoint& p : points)
    reach(WithinReach(p));
  const TPoint into{to.X - TLinkRouter::Stub, to.Y};
  // The run into the input is horizontal: the last elbow turns into it.
  if (out.back().X != into.X && out.back().Y != into.Y)
    out.push_back({out.back().X, into.Y});
  out.push_back(into);
  out.push_back(to);
  // Repeats (a bend on the run's end) are dropped, the points a user placed in line are kept.
  std::vector<TPoint> unique;
  for (std::size_t i = 0; i < out.size(); ++i)
    if (i < 2 || i + 2 >= out.size() || out[i] != unique.back())
      unique.push_back(out[i]);
  return unique;
}

std::vector<TPoint> MoveSegment(const std::vector<TPoint>& corners, std::size_t k, TPoint delta) {
  if (corners.size() < 4 || k < 1 || k + 2 >= corners.size())
    return {};
  std::vector<TPoint> full = corners;
  const bool horizontal = full[k].Y == full[k + 1].Y;
  // A segment that starts at the end of the run out of the output, or ends at the start of the
  // run into the input, leaves a copy of that corner behind, joined to it by a new segment.
  if (k == 1) {
    full.insert(full.begin() + 1, full[1]);
    ++k;
  }
  if (k + 2 == full.size() - 1) {
    full.insert(full.begin() + static_cast<std::ptrdiff_t>(k) + 1, full[k + 1]);
  }
  for (const std::size_t i : {k, k + 1}) {
    if (horizontal)
      full[i].Y += delta.Y;
    else
      full[i].X += delta.X;
  }
  std::vector<TPoint> points;
  for (std::size_t i = 2; i + 2 < full.size(); ++i)
    if (points.empty() || points.back() != full[i])
      points.push_back(full[i]);
  return points;
}

namespace {

TPoint Nearest(TPoint a, TPoint b, double x, double y, double& distance) {
  const double dx = double(b.X) - a.X, dy = double(b.Y) - a.Y;
  const double length = dx * dx + dy * dy;
  const double t =
      length > 0 ? std::clamp(((x - a.X) * dx + (y - a.Y) * dy) / length, 0.0, 1.0) : 0;
  const double px = a.X + t * dx, py = a.Y + t * dy;
  distance = std::hypot(x - px, y - py);
  return {static_cast<TCoord>(std::lround(px)), static_cast<TCoord>(std::lround(py))};
}

} // namespace

std::size_t NearestSegment(const std::vector<TPoint>& corners, double x, double y,
                           double* distance) {
  std::size_t best = SIZE_MAX;
  double nearest = 1e300;
  for (std::size_t k = 0; k + 1 < corners.size(); ++k) {
    double d = 0;
    Nearest(corners[k], corners[k + 1], x, y, d);
    if (d < nearest) {
      nearest = d;
      best = k;
    }
  }
  if (distance)
    *distance = nearest;
  return best;
}

std::vector<TPoint> AddBend(const std::vector<TPoint>& corners, std::size_t k, TPoint at) {
  if (corners.size() < 4 || k + 1 >= corners.size())
    return {};
  // The runs at the marks take no bend: it goes on the segment next to them.
  k = std::clamp<std::size_t>(k, 1, corners.size() - 3);
  double distance = 0;
  const TPoint on = Nearest(corners[k], corners[k + 1], at.X, at.Y, distance);
  std::vector<TPoint> points(corners.begin() + 2, corners.end() - 2);
  points.insert(points.begin() + static_cast<std::ptrdiff_t>(k) - 1, on);
  return points;
}

std::vector<TPoint> RoundedRoute(const std::vector<TPoint>& corners, std::int32_t radius) {
  if (corners.size() < 3 || radius <= 0)
    return corners;
  constexpr int Steps = 4;
  std::vector<TPoint> out{corners.front()};
  for (std::size_t i = 1; i + 1 < corners.size(); ++i) {
    const TPoint a = corners[i - 1], p = corners[i], b = corners[i + 1];
    // In doubles: the differences of far points do not fit the coordinates' type.
    const double ax = double(a.X) - p.X, ay = double(a.Y) - p.Y;
    const double bx = double(b.X) - p.X, by = double(b.Y) - p.Y;
    const double in = std::hypot(ax, ay), outLength = std::hypot(bx, by);
    const double r = std::min({static_cast<double>(radius), in / 2, outLength / 2});
    const bool turns = ax * by != ay * bx;
    if (r < 1 || !turns) {
      out.push_back(p);
      continue;
    }
    const double sx = p.X + ax / in * r, sy = p.Y + ay / in * r;
    const double ex = p.X + bx / outLength * r, ey = p.Y + by / outLength * r;
    for (int s = 0; s <= Steps; ++s) {
      const double t = static_cast<double>(s) / Steps, u = 1 - t;
      const double x = u * u * sx + 2 * u * t * p.X + t * t * ex;
      const double y = u * u * sy + 2 * u * t * p.Y + t * t * ey;
      const TPoint q{static_cast<TCoord>(std::lround(x)), static_cast<TCoord>(std::lround(y))};
      if (q != out.back())
        out.push_back(q);
    }
  }
  if (corners.back() != out.back())
    out.push_back(corners.back());
  return out;
}

struct TLinkRouter::TImpl {
  struct TBox {
    const IModule* Module;
    TRect Box;
    const void* Ins;
    const void* Outs;
    std::int32_t InCount, OutCount;
    bool operator==(const TBox&) const = default;
  };
  struct TEntry {
    std::shared_ptr<TLink> Link; // held, so that no other link takes its address
    TLinkRoute Route;
    const IModule* From;
    const IModule* To;
    std::u16string Output, Input;
    std::vector<TPoint> Points;
    std::uint64_t Seen = 0;
  };

  std::vector<TBox> Boxes;
  std::unordered_map<const IModule*, std::size_t> BoxIndex;
  std::unordered_map<std::int64_t, std::vector<std::uint32_t>> Cells;
  // Boxes too large for the cells.
  std::vector<std::uint32_t> Big;
  std::unordered_map<const TLink*, TEntry> Routes;
  std::unordered_map<const TLink*, TLinkRoute> DragRoutes;
  // The entries of the links in their order at the last Update (null: not routed).
  std::vector<TEntry*> Order;
  // The routed links of each module, in the list's order.
  std::unordered_map<const IModule*, std::vector<const TLink*>> ByModule;
  std::unordered_map<TCoord, std::vector<TTrack>> Vertical, Horizontal;
  std::uint64_t Generation = 0;
  // The geometry's count and the list when the boxes were last looked at.
  std::uint64_t Epoch = 0;
  const IModuleList* Scanned = nullptr;
  TRect Rerouted;
  void Touch(TRect r) {
    if (r.Empty())
      return;
    if (Rerouted.Empty()) {
      Rerouted = r;
      return;
    }
    Rerouted = {std::min(Rerouted.Left, r.Left), std::min(Rerouted.Top, r.Top),
                std::max(Rerouted.Right, r.Right), std::max(Rerouted.Bottom, r.Bottom)};
  }
  // The last drag routed: its list, its shift and the links of the modules it moves.
  const IModuleList* DragList = nullptr;
  TDragShift LastShift;
  std::vector<std::shared_ptr<TLink>> DragLinks;
  // During a drag: the modules it moves are found where it shows them.
  const TDragShift* Shift = nullptr;
  std::vector<TBox> Moved;

  void Index() {
    Cells.clear();
    BoxIndex.clear();
    Big.clear();
    for (std::size_t i = 0; i < Boxes.size(); ++i) {
      BoxIndex[Boxes[i].Module] = i;
      const TRect r = Boxes[i].Box;
      // A box over many cells is looked at on its own, for every query.
      if (std::int64_t{CellOf(r.Right)} - CellOf(r.Left) + 1 > BigCells ||
          std::int64_t{CellOf(r.Bottom)} - CellOf(r.Top) + 1 > BigCells) {
        Big.push_back(static_cast<std::uint32_t>(i));
        continue;
      }
      for (TCoord cx = CellOf(r.Left); cx <= CellOf(r.Right); ++cx)
        for (TCoord cy = CellOf(r.Top); cy <= CellOf(r.Bottom); ++cy)
          Cells[Key(cx, cy)].push_back(static_cast<std::uint32_t>(i));
    }
  }

  // Calls `found` with each box that meets the rectangle (a box may come more than once); stops
  // when it returns true, and says so.
  bool AnyBox(TRect r, const std::function<bool(const TBox&)>& found) const {
    for (const TBox& box : Moved)
      if (Meets(box.Box, r) && found(box))
        return true;
    for (const std::uint32_t i : Big)
      if (const TBox& box = Boxes[i];
          !(Shift && Shift->Moves(box.Module)) && Meets(box.Box, r) && found(box))
        return true;
    const TCoord x0 = CellOf(r.Left), x1 = CellOf(r.Right);
    const TCoord y0 = CellOf(r.Top), y1 = CellOf(r.Bottom);
    // A rectangle larger than the boxes' extent looks at each box once, not at each cell.
    if (static_cast<std::int64_t>(x1 - x0 + 1) * (y1 - y0 + 1) >
        static_cast<std::int64_t>(Cells.size())) {
      for (const TBox& box : Boxes)
        if (!(Shift && Shift->Moves(box.Module)) && Meets(box.Box, r) && found(box))
          return true;
      return false;
    }
    for (TCoord cx = x0; cx <= x1; ++cx)
      for (TCoord cy = y0; cy <= y1; ++cy) {
        const auto it = Cells.find(Key(cx, cy));
        if (it == Cells.end())
          continue;
        for (const std::uint32_t i : it->second) {
          const TBox& box = Boxes[i];
          if (!(Shift && Shift->Moves(box.Module)) && Meets(box.Box, r) && found(box))
            return true;
        }
      }
    return false;
  }

  bool Blocked(TPoint a, TPoint b, TCoord inflate, const IModule* ex1, const IModule* ex2) const {
    const TRect seg{std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y)};
    const TRect near{seg.Left - inflate, seg.Top - inflate, seg.Right + inflate,
                     seg.Bottom + inflate};
    return AnyBox(near, [&](const TBox& box) {
      if (box.Module == ex1 || box.Module == ex2)
        return false;
      const TRect r = box.Box;
      // Strictly inside the box widened by inflate.
      return r.Left - inflate < seg.Right && seg.Left < r.Right + inflate &&
             r.Top - inflate < seg.Bottom && seg.Top < r.Bottom + inflate;
    });
  }

  // --- Tracks: parallel runs of different outputs keep apart.
  static void Release(std::unordered_map<TCoord, std::vector<TTrack>>& tracks, TCoord at,
                      const TLink* link) {
    const auto it = tracks.find(at);
    if (it == tracks.end())
      return;
    std::erase_if(it->second, [link](const TTrack& t) { return t.Link == link; });
    if (it->second.empty())
      tracks.erase(it);
  }

  void Release(const TLink* link, const std::vector<TPoint>& corners) {
    for (std::size_t k = 1; k + 2 < corners.size(); ++k) {
      const TPoint a = corners[k], b = corners[k + 1];
      if (a.X == b.X)
        Release(Vertical, a.X, link);
      else
        Release(Horizontal, a.Y, link);
    }
  }

  void Hold(const TLink* link, TSource source, const std::vector<TPoint>& corners) {
    for (std::size_t k = 1; k + 2 < corners.size(); ++k) {
      const TPoint a = corners[k], b = corners[k + 1];
      if (a == b)
        continue;
      if (a.X == b.X)
        Vertical[a.X].push_back({std::min(a.Y, b.Y), std::max(a.Y, b.Y), link, source});
      else
        Horizontal[a.Y].push_back({std::min(a.X, b.X), std::max(a.X, b.X), link, source});
    }
  }

  // Whether a run along the line at `at` from low to high comes near a run of another output.
  static bool Crowded(const std::unordered_map<TCoord, std::vector<TTrack>>& tracks, TCoord at,
                      TCoord low, TCoord high, TSource source) {
    if (low > high)
      std::swap(low, high);
    for (TCoord c = at - Spacing + 1; c <= at + Spacing - 1; ++c) {
      const auto it = tracks.find(c);
      if (it == tracks.end())
        continue;
      for (const TTrack& t : it->second)
        if (!(t.Source == source) && t.Low <= high && low <= t.High)
          return true;
    }
    return false;
  }

  // --- Routing one link.
  struct TJob {
    TPoint S, E, S1, E1;
    const IModule* From;
    const IModule* To;
    TSource Source;
    bool Tracks; // keeps apart from the runs held
  };

  // Whether the path's segments from the end of the run out to the start of the run in keep
  // clear of the boxes, and its runs clear of other outputs' runs.
  bool Clear(const TJob& job, const std::vector<TPoint>& path, TCoord inflate) const {
    for (std::size_t k = 1; k + 2 < path.size(); ++k) {
      const TPoint a = path[k], b = path[k + 1];
      if (a == b)
        continue;
      if (Blocked(a, b, inflate, nullptr, nullptr))
        return false;
      if (!job.Tracks)
        continue;
      if (a.X == b.X ? Crowded(Vertical, a.X, a.Y, b.Y, job.Source)
                     : Crowded(Horizontal, a.Y, a.X, b.X, job.Source))
        return false;
    }
    return true;
  }

  std::vector<TPoint> Path(const TJob& job, std::initializer_list<TPoint> middle) const {
    std::vector<TPoint> path{job.S, job.S1};
    path.insert(path.end(), middle);
    path.push_back(job.E1);
    path.push_back(job.E);
    return Simplified(path);
  }

  // Coordinates of the edges (widened by Clearance) of the boxes within the window.
  void Edges(TRect window, std::vector<TCoord>& xs, std::vector<TCoord>& ys,
             std::size_t limit) const {
    std::unordered_set<const IModule*> seen;
    AnyBox(window, [&](const TBox& box) {
      if (!seen.insert(box.Module).second)
        return false;
      xs.push_back(box.Box.Left - Clearance);
      xs.push_back(box.Box.Right + Clearance);
      ys.push_back(box.Box.Top - Clearance);
      ys.push_back(box.Box.Bottom + Clearance);
      return seen.size() >= limit;
    });
  }

  // Places to try for a free line near each candidate: itself, then Spacing apart each way.
  static std::vector<TCoord> Around(std::vector<TCoord> candidates, TCoord ideal, std::size_t limit,
                                    bool spread) {
    std::sort(candidates.begin(), candidates.end(), [ideal](TCoord a, TCoord b) {
      const auto da = std::abs(std::int64_t{a} - ideal), db = std::abs(std::int64_t{b} - ideal);
      return da != db ? da < db : a < b;
    });
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    if (candidates.size() > limit)
      candidates.resize(limit);
    if (!spread)
      return candidates;
    std::vector<TCoord> out;
    for (const TCoord c : candidates)
      for (const TCoord d : {0, Spacing, -Spacing, 2 * Spacing, -2 * Spacing})
        out.push_back(c + d);
    return out;
  }

  // A route of three segments: along, across at x, along.
  bool TryZ(const TJob& job, std::vector<TPoint>& out) const {
    if (job.E1.X < job.S1.X)
      return false;
    if (job.S.Y == job.E.Y) {
      out = Path(job, {});
      if (Clear(job, out, Clearance - 2))
        return true;
    }
    const TCoord y0 = std::min(job.S.Y, job.E.Y), y1 = std::max(job.S.Y, job.E.Y);
    std::vector<TCoord> xs{(job.S1.X + job.E1.X) / 2, job.S1.X, job.E1.X}, ys;
    Edges({job.S1.X, y0, job.E1.X, y1}, xs, ys, 32);
    std::erase_if(xs, [&](TCoord x) { return x < job.S1.X || x > job.E1.X; });
    for (const TCoord x : Around(xs, (job.S1.X + job.E1.X) / 2, 12, true)) {
      if (x < job.S1.X || x > job.E1.X)
        continue;
      out = Path(job, {{x, job.S.Y}, {x, job.E.Y}});
      if (Clear(job, out, Clearance - 2))
        return true;
    }
    return false;
  }

  // The rectangle from the end of the run out to the start of the run in, widened by margin.
  static TRect Window(const TJob& job, TCoord margin) {
    return {std::min(job.S1.X, job.E1.X) - margin, std::min(job.S.Y, job.E.Y) - margin,
            std::max(job.S1.X, job.E1.X) + margin, std::max(job.S.Y, job.E.Y) + margin};
  }

  // A route of five segments: out, across to a free line, along it, across, in.
  bool TryU(const TJob& job, std::vector<TPoint>& out) const {
    const TRect window = Window(job, 4 * Cell);
    std::vector<TCoord> xs, ys{(job.S.Y + job.E.Y) / 2};
    for (const IModule* m : {job.From, job.To})
      if (const auto it = BoxIndex.find(m); it != BoxIndex.end()) {
        const TRect r = Box(it->second);
        ys.push_back(r.Top - Clearance);
        ys.push_back(r.Bottom + Clearance);
      }
    Edges(window, xs, ys, 48);
    std::vector<TCoord> x1s{job.S1.X}, x2s{job.E1.X};
    for (const TCoord x : xs) {
      if (x > job.S1.X)
        x1s.push_back(x);
      if (x < job.E1.X)
        x2s.push_back(x);
    }
    x1s = Around(x1s, job.S1.X, 3, false);
    x2s = Around(x2s, job.E1.X, 3, false);
    // The detour a line costs: how far it lies outside the span of the two ends.
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    std::stable_sort(ys.begin(), ys.end(), [&](TCoord a, TCoord b) {
      auto cost = [&](TCoord y) {
        return std::abs(std::int64_t{y} - job.S.Y) + std::abs(std::int64_t{y} - job.E.Y);
      };
      return cost(a) < cost(b);
    });
    if (ys.size() > 12)
      ys.resize(12);
    for (const TCoord base : ys)
      for (const TCoord d : {0, Spacing, -Spacing, 2 * Spacing, -2 * Spacing})
        for (const TCoord x1 : x1s)
          for (const TCoord x2 : x2s) {
            const TCoord y = base + d;
            out = Path(job, {{x1, job.S.Y}, {x1, y}, {x2, y}, {x2, job.E.Y}});
            if (Clear(job, out, Clearance - 2))
              return true;
          }
    return false;
  }

  // A search over the lines along the edges of the boxes near the link: the shortest way with
  // few bends that touches no box.
  bool Search(const TJob& job, std::vector<TPoint>& out) const {
    const TRect window = Window(job, 3 * Cell);
    std::vector<TCoord> xs{job.S1.X, job.E1.X, window.Left, window.Right};
    std::vector<TCoord> ys{job.S.Y, job.E.Y, window.Top, window.Bottom};
    std::unordered_set<const IModule*> seen;
    bool tooMany = false;
    AnyBox(window, [&](const TBox& box) {
      if (!seen.insert(box.Module).second)
        return false;
      if (seen.size() > SearchBoxes) {
        tooMany = true;
        return true;
      }
      for (const TCoord d : {Clearance, 2})
        xs.insert(xs.end(), {box.Box.Left - d, box.Box.Right + d}),
            ys.insert(ys.end(), {box.Box.Top - d, box.Box.Bottom + d});
      return false;
    });
    if (tooMany)
      return false;
    std::sort(xs.begin(), xs.end());
    xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
    std::sort(ys.begin(), ys.end());
    ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
    const auto nx = static_cast<std::int32_t>(xs.size()), ny = static_cast<std::int32_t>(ys.size());
    auto indexOf = [](const std::vector<TCoord>& v, TCoord c) {
      return static_cast<std::int32_t>(std::lower_bound(v.begin(), v.end(), c) - v.begin());
    };
    const std::int32_t sx = indexOf(xs, job.S1.X), sy = indexOf(ys, job.S.Y);
    const std::int32_t ex = indexOf(xs, job.E1.X), ey = indexOf(ys, job.E.Y);
    // States: a grid point and the direction it was reached in (0 right, 1 left, 2 down, 3 up).
    const std::size_t states = static_cast<std::size_t>(nx) * ny * 4;
    std::vector<std::int64_t> cost(states, INT64_MAX);
    std::vector<std::int32_t> from(states, -1);
    auto state = [nx](std::int32_t i, std::int32_t j, int dir) {
      return (static_cast<std::size_t>(j) * nx + i) * 4 + dir;
    };
    using TItem = std::pair<std::int64_t, std::size_t>;
    std::priority_queue<TItem, std::vector<TItem>, std::greater<>> open;
    auto estimate = [&](std::int32_t i, std::int32_t j) {
      return std::abs(std::int64_t{xs[i]} - job.E1.X) + std::abs(std::int64_t{ys[j]} - job.E.Y);
    };
    const std::size_t start = state(sx, sy, 0);
    cost[start] = 0;
    open.push({estimate(sx, sy), start});
    constexpr int DI[4] = {1, -1, 0, 0}, DJ[4] = {0, 0, 1, -1};
    std::size_t goal = SIZE_MAX;
    while (!open.empty()) {
      const auto [f, s] = open.top();
      open.pop();
      const int dir = static_cast<int>(s % 4);
      const auto cell = static_cast<std::int32_t>(s / 4);
      const std::int32_t i = cell % nx, j = cell / nx;
      if (f - estimate(i, j) > cost[s])
        continue;
      if (i == ex && j == ey && dir == 0) {
        goal = s;
        break;
      }
      for (int d = 0; d < 4; ++d) {
        if (d == (dir ^ 1))
          continue; // no turning back
        const std::int32_t ni = i + DI[d], nj = j + DJ[d];
        if (ni < 0 || nj < 0 || ni >= nx || nj >= ny)
          continue;
        const TPoint a{xs[i], ys[j]}, b{xs[ni], ys[nj]};
        if (Blocked(a, b, 1, nullptr, nullptr))
          continue;
        const std::int64_t step = std::abs(std::int64_t{b.X} - a.X) +
                                  std::abs(std::int64_t{b.Y} - a.Y) + (d != dir ? BendCost : 0);
        const std::size_t next = state(ni, nj, d);
        if (cost[s] + step < cost[next]) {
          cost[next] = cost[s] + step;
          from[next] = static_cast<std::int32_t>(s);
          open.push({cost[next] + estimate(ni, nj), next});
        }
      }
    }
    if (goal == SIZE_MAX)
      return false;
    std::vector<TPoint> middle;
    for (std::size_t s = goal; s != SIZE_MAX;) {
      const auto cell = static_cast<std::int32_t>(s / 4);
      middle.push_back({xs[cell % nx], ys[cell / nx]});
      s = from[s] < 0 ? SIZE_MAX : static_cast<std::size_t>(from[s]);
    }
    std::reverse(middle.begin(), middle.end());
    std::vector<TPoint> path{job.S};
    path.insert(path.end(), middle.begin(), middle.end());
    path.push_back(job.E);
    out = Simplified(path);
    return true;
  }

  TRect Box(std::size_t index) const {
    const TBox& box = Boxes[index];
    if (Shift && Shift->Moves(box.Module))
      for (const TBox& moved : Moved)
        if (moved.Module == box.Module)
          return moved.Box;
    return box.Box;
  }

  TLinkRoute Route(const TLink& link, const TJob& job) const {
    TLinkRoute route;
    // An end whose run lies in a box cannot get out clear: no way is looked for.
    const bool shut = Blocked(job.S1, job.S1, 1, nullptr, nullptr) ||
                      Blocked(job.E1, job.E1, 1, nullptr, nullptr);
    if (!link.Points.empty()) {
      route.Corners = RouteThrough(job.S, link.Points, job.E);
    } else if (shut || (!TryZ(job, route.Corners) && !TryU(job, route.Corners) &&
                        !Search(job, route.Corners))) {
      // Nowhere around: across the boxes, by the shortest way.
      const TCoord x = job.E1.X >= job.S1.X ? (job.S1.X + job.E1.X) / 2 : job.S1.X;
      route.Corners = Path(job, {{x, job.S.Y}, {x, job.E.Y}});
    }
    route.Bounds = PointsBounds(route.Corners);
    route.Line = RoundedRoute(route.Corners, CornerRadius);
    route.Resolves = LinkResolves(link);
    const auto& c = route.Corners;
    for (std::size_t k = 0; k + 1 < c.size() && !route.Crosses; ++k) {
      // The runs at the marks may touch their own modules.
      const bool end = k == 0 || k + 2 == c.size();
      route.Crosses = Blocked(c[k], c[k + 1], 0, end ? job.From : nullptr, end ? job.To : nullptr);
    }
    return route;
  }

  TJob JobOf(const TLink& link, const TDragShift* shift, bool tracks) const {
    TJob job;
    job.S = LinkEnd(*link.From, true, link.Output, shift);
    job.E = LinkEnd(*link.To, false, link.Input, shift);
    job.S1 = {job.S.X + Stub, job.S.Y};
    job.E1 = {job.E.X - Stub, job.E.Y};
    job.From = link.From.get();
    job.To = link.To.get();
    job.Source = {job.From, std::hash<std::u16string>{}(link.Output)};
    job.Tracks = tracks;
    return job;
  }
};

TLinkRouter::TLinkRouter() : Impl(std::make_unique<TImpl>()) {}

TLinkRouter::~TLinkRouter() = default;

bool TLinkRouter::Blocked(TPoint a, TPoint b, std::int32_t inflate, const IModule* except1,
                          const IModule* except2) const {
  return Impl->Blocked(a, b, inflate, except1, except2);
}

void TLinkRouter::ForEach(const std::function<void(const TLink&, const TLinkRoute&)>& fn) const {
  const TImpl& im = *Impl;
  for (const TImpl::TEntry* e : im.Order) {
    if (!e)
      continue;
    if (!im.DragRoutes.empty())
      if (const auto it = im.DragRoutes.find(e->Link.get()); it != im.DragRoutes.end()) {
        fn(*e->Link, it->second);
        continue;
      }
    fn(*e->Link, e->Route);
  }
}

const std::vector<const TLink*>& TLinkRouter::LinksOf(const IModule* module) const {
  static const std::vector<const TLink*> none;
  const auto it = Impl->ByModule.find(module);
  return it == Impl->ByModule.end() ? none : it->second;
}

TRect TLinkRouter::TakeRerouted() {
  const TRect r = Impl->Rerouted;
  Impl->Rerouted = {};
  return r;
}

const TLinkRoute* TLinkRouter::RouteOf(const TLink& link) const {
  if (const auto it = Impl->DragRoutes.find(&link); it != Impl->DragRoutes.end())
    return &it->second;
  const auto it = Impl->Routes.find(&link);
  return it == Impl->Routes.end() ? nullptr : &it->second.Route;
}

void TLinkRouter::Scan(const IModuleList& modules, std::unordered_set<const IModule*>& changed,
                       std::vector<TRect>& standing) {
  TImpl& im = *Impl;
  const auto count = static_cast<std::size_t>(std::max(0, modules.Count()));
  std::vector<TImpl::TBox> boxes;
  boxes.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::shared_ptr<IModule> m = modules.GetItem(static_cast<std::int32_t>(i));
    const auto ins = m->GetParamIn(), outs = m->GetParamOut();
    boxes.push_back({m.get(), m->Outline(), ins.get(), outs.get(), ins ? ins->Count() : 0,
                     outs ? outs->Count() : 0});
  }
  if (boxes != im.Boxes) {
    const bool sameOrder = boxes.size() == im.Boxes.size();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const TImpl::TBox* before = nullptr;
      if (sameOrder && im.Boxes[i].Module == boxes[i].Module) {
        before = &im.Boxes[i];
      } else if (const auto it = im.BoxIndex.find(boxes[i].Module); it != im.BoxIndex.end()) {
        before = &im.Boxes[it->second];
      }
      if (before && *before == boxes[i])
        continue;
      changed.insert(boxes[i].Module);
      standing.push_back(boxes[i].Box);
    }
    im.Boxes = std::move(boxes);
    im.Index();
  }
}

void TLinkRouter::Update(const IModuleList& modules, const TDragShift* shift) {
  TImpl& im = *Impl;
  RoutedCount = 0;
  // A drag back to where it started is still a drag.
  const bool dragging = shift && shift->HasModules();
  // Nothing changes the modules while a drag is under way: a step of it routes the dragged
  // modules' links again, and nothing else.
  if (dragging && im.DragList == &modules && im.LastShift.SameModules(*shift)) {
    if (!(im.LastShift.GetDelta() == shift->GetDelta()))
      Drag(modules, *shift);
    return;
  }
  im.DragList = nullptr;
  im.DragRoutes.clear();
  im.DragLinks.clear();
  im.Moved.clear();
  im.Shift = nullptr;

  // The boxes as they stand, looked at only when something moved since; those that changed
  // make way for routes or stand in them.
  std::unordered_set<const IModule*> changed;
  std::vector<TRect> standing; // where changed modules stand now
  if (const std::uint64_t epoch = GeometryEpoch(); epoch != im.Epoch || im.Scanned != &modules) {
    im.Epoch = epoch;
    im.Scanned = &modules;
    Scan(modules, changed, standing);
  }

  // Links whose ends or bend points changed, or that a changed box now stands on, are routed
  // anew; the routes of links that are gone are dropped.
  const std::uint64_t generation = ++im.Generation;
  const TLinkList& links = modules.GetLinks();
  const auto& all = links.All();
  // The entries in the links' order: where the order is as before, none is looked up.
  std::vector<TImpl::TEntry*> order(all.size(), nullptr);
  std::size_t seen = 0;
  for (std::size_t i = 0; i < all.size(); ++i) {
    const std::shared_ptr<TLink>& link = all[i];
    if (!link->From || !link->To)
      continue;
    TImpl::TEntry* e =
        i < im.Order.size() && im.Order[i] && im.Order[i]->Link == link ? im.Order[i] : nullptr;
    if (!e)
      if (const auto it = im.Routes.find(link.get()); it != im.Routes.end())
        e = &it->second;
    // A link listed twice is routed once.
    if (e && e->Seen == generation) {
      order[i] = e;
      continue;
    }
    bool route = !e;
    if (!route) {
      route = e->From != link->From.get() || e->To != link->To.get() || changed.contains(e->From) ||
              changed.contains(e->To) || e->Output != link->Output || e->Input != link->Input ||
              e->Points != link->Points || (e->Route.Crosses && !changed.empty());
      if (!route && !standing.empty() && link->Points.empty()) {
        const auto& c = e->Route.Corners;
        for (const TRect& r : standing) {
          if (!Meets(e->Route.Bounds, r))
            continue;
          for (std::size_t k = 0; k + 1 < c.size() && !route; ++k)
            route = Meets(PointsBounds({c[k], c[k + 1]}), r) &&
                    im.Blocked(c[k], c[k + 1], 0, e->From, e->To);
          if (route)
            break;
        }
      }
    }
    if (route) {
      if (e) {
        im.Release(link.get(), e->Route.Corners);
        im.Touch(e->Route.Bounds);
      } else {
        e = &im.Routes.emplace(link.get(), TImpl::TEntry{}).first->second;
      }
      const TImpl::TJob job = im.JobOf(*link, nullptr, true);
      e->Link = link;
      e->Route = im.Route(*link, job);
      e->From = link->From.get();
      e->To = link->To.get();
      e->Output = link->Output;
      e->Input = link->Input;
      e->Points = link->Points;
      im.Hold(link.get(), job.Source, e->Route.Corners);
      im.Touch(e->Route.Bounds);
      ++RoutedCount;
    }
    e->Seen = generation;
    order[i] = e;
    ++seen;
  }
  if (order != im.Order || RoutedCount > 0) {
    im.ByModule.clear();
    for (const TImpl::TEntry* e : order)
      if (e) {
        im.ByModule[e->From].push_back(e->Link.get());
        if (e->To != e->From)
          im.ByModule[e->To].push_back(e->Link.get());
      }
  }
  im.Order = std::move(order);
  // The routes of links that are gone are dropped.
  if (seen != im.Routes.size())
    std::erase_if(im.Routes, [&im, generation](auto& item) {
      if (item.second.Seen == generation)
        return false;
      im.Release(item.first, item.second.Route.Corners);
      im.Touch(item.second.Route.Bounds);
      return true;
    });

  if (!dragging)
    return;
  // A drag under way: the links of the modules it moves, where it shows them.
  im.DragList = &modules;
  for (const std::shared_ptr<TLink>& link : links.All())
    if (link->From && link->To && (shift->Moves(link->From.get()) || shift->Moves(link->To.get())))
      im.DragLinks.push_back(link);
  Drag(modules, *shift);
}

void TLinkRouter::Drag(const IModuleList&, const TDragShift& shift) {
  TImpl& im = *Impl;
  im.LastShift = shift;
  im.Shift = &shift;
  im.Moved.clear();
  const TPoint by = shift.GetDelta();
  for (const TImpl::TBox& box : im.Boxes)
    if (shift.Moves(box.Module)) {
      TImpl::TBox moved = box;
      moved.Box = {box.Box.Left + by.X, box.Box.Top + by.Y, box.Box.Right + by.X,
                   box.Box.Bottom + by.Y};
      im.Moved.push_back(moved);
    }
  im.DragRoutes.clear();
  for (const std::shared_ptr<TLink>& link : im.DragLinks) {
    im.DragRoutes[link.get()] = im.Route(*link, im.JobOf(*link, &shift, false));
    ++RoutedCount;
  }
  // Queries after this one see the boxes of record.
  im.Shift = nullptr;
  im.Moved.clear();
}

TLinkRouter& LevelRoutes(const IModuleList& modules, const TDragShift* shift) {
  TLinkRouter& router = modules.GetLinks().Router();
  router.Update(modules, shift);
  return router;
}
