#pragma once

#include "platform/unTypes.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class IModule;
class IModuleList;
class TDragShift;
struct TLink;

// One link's way across the canvas: its corners in order from the output's mark to the input's
// mark, every segment horizontal or vertical. The second corner is the end of the straight run
// out of the output, the last but one the start of the run into the input.
struct TLinkRoute {
  std::vector<TPoint> Corners;
  TRect Bounds;             // holds every corner
  bool Crosses = false;     // it runs over a box of the level it could not get around
  std::vector<TPoint> Line; // the corners rounded, as drawn
  bool Resolves = false;    // both modules have the parameters the link names
};

// Where an end of a link lies: its parameter's mark, or the middle of the module's edge when the
// module has no parameter of that name; moved by the drag shift when the shift moves the module.
TPoint LinkEnd(const IModule& module, bool output, const std::u16string& name,
               const TDragShift* shift = nullptr);

// The smallest rectangle that holds the points (edges included); empty for none.
TRect PointsBounds(const std::vector<TPoint>& points);

// The point, or where it stops short of overflowing what is worked out from it: boxes and bend
// points beyond 2^29 from the origin are drawn there.
TPoint WithinReach(TPoint p);

// The route through the bend points a user placed: out of the output's mark by a straight run,
// to each point in turn (by an elbow, vertical first after a horizontal run, where the point is
// not in line), into the input's mark by a straight run.
std::vector<TPoint> RouteThrough(TPoint from, const std::vector<TPoint>& points, TPoint to);

// The bend points that keep a route with one of its segments moved across: by delta.Y for a
// horizontal segment, by delta.X for a vertical one. Segment k runs from corner k to corner
// k + 1; the runs out of the output and into the input stay where they are (a segment that
// starts or ends at one of them gets a new joint there). Empty when k names no segment that
// can move.
std::vector<TPoint> MoveSegment(const std::vector<TPoint>& corners, std::size_t k, TPoint delta);
// The bend points of the route with one more at the point of segment k nearest to `at`.
std::vector<TPoint> AddBend(const std::vector<TPoint>& corners, std::size_t k, TPoint at);
// The segment of the route nearest to the point and its distance; SIZE_MAX for a route of
// fewer than two corners.
std::size_t NearestSegment(const std::vector<TPoint>& corners, double x, double y,
                           double* distance = nullptr);
// The line drawn for a route: its corners rounded by arcs of up to `radius` (less where a
// segment is short), flattened into points.
std::vector<TPoint> RoundedRoute(const std::vector<TPoint>& corners, std::int32_t radius);

// The routes of the links of one level. Links without bend points are routed around the boxes
// of the level: out of the output to the right, into the input from the left, keeping
// Clearance from every box, parallel runs of different outputs Spacing apart. A link with bend
// points passes through them. A route is kept until its ends, its bend points or a box in its
// way change; a module's move routes its own links anew and those it now lies across.
class TLinkRouter {
public:
  static constexpr std::int32_t Stub = 12;
  static constexpr std::int32_t Clearance = 10;
  static constexpr std::int32_t Spacing = 6;
  // How far the corners of the line drawn are rounded.
  static constexpr std::int32_t CornerRadius = 8;

  TLinkRouter();
  ~TLinkRouter();
  TLinkRouter(const TLinkRouter&) = delete;
  TLinkRouter& operator=(const TLinkRouter&) = delete;

  // Brings the routes up to date with the modules and links of the list. With a drag shift, the
  // links of the modules it moves are also routed where the drag shows them, around the boxes
  // where it shows them; the routes of record stay as they are.
  void Update(const IModuleList& modules, const TDragShift* shift = nullptr);
  // The link's route as the last Update left it (the drag's, during one); null for a link it did
  // not route (an end is not there).
  const TLinkRoute* RouteOf(const TLink& link) const;
  // Whether the segment (horizontal or vertical) passes within `inflate` of the box of a module
  // of the level, other than the two given; the box's edges themselves count with an inflate of
  // 1 or more, never with 0.
  bool Blocked(TPoint a, TPoint b, std::int32_t inflate, const IModule* except1 = nullptr,
               const IModule* except2 = nullptr) const;
  // Calls fn with each link the last Update routed, in the list's order, and its route (the
  // drag's, during one).
  void ForEach(const std::function<void(const TLink&, const TLinkRoute&)>& fn) const;
  // The links from or to the module that the last Update routed, in the list's order.
  const std::vector<const TLink*>& LinksOf(const IModule* module) const;
  // How many links the last Update routed (drag routes included).
  std::size_t Routed() const { return RoutedCount; }
  // Where the routes of record changed since the last call: the old and new bounds of every
  // link routed anew (empty when none was).
  TRect TakeRerouted();

private:
  // Takes the boxes of the list as they stand: the modules whose box or marks changed, and where
  // they stand now.
  void Scan(const IModuleList& modules, std::unordered_set<const IModule*>& changed,
            std::vector<TRect>& standing);
  // Routes the links of the modules the shift moves where it shows them.
  void Drag(const IModuleList& modules, const TDragShift& shift);

  struct TImpl;
  std::unique_ptr<TImpl> Impl;
  std::size_t RoutedCount = 0;
};

// The router of the list's links, brought up to date (with the drag shift, if any).
TLinkRouter& LevelRoutes(const IModuleList& modules, const TDragShift* shift = nullptr);
