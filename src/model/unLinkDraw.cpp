#include "model/unLinkDraw.h"

#include "model/unDragShift.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unLinkRouter.h"
#include "model/unModule.h"
#include "platform/unCanvas.h"
#include "platform/unStrings.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>

namespace {

// Pixels of a dash and of the gap after it, on the project.
constexpr int Dash = 6;
// Half the side of the square that marks a bend point of the selected link.
constexpr std::int32_t BendMark = 3;

TRect Widened(TRect r, std::int32_t by) {
  return r.Empty() ? r : TRect{r.Left - by, r.Top - by, r.Right + by, r.Bottom + by};
}

// Whether the project rectangle cannot show within the canvas's clip.
bool OutsideClip(TCanvas& canvas, TRect clip, TRect r) {
  if (clip.Empty())
    return false;
  const TPoint a = canvas.ToPicture({r.Left, r.Top});
  const TPoint b = canvas.ToPicture({r.Right, r.Bottom});
  return std::max(a.X, b.X) < clip.Left || std::min(a.X, b.X) > clip.Right ||
         std::max(a.Y, b.Y) < clip.Top || std::min(a.Y, b.Y) > clip.Bottom;
}

// The canvas's clip in the project's coordinates (the canvas moves and scales alike
// everywhere), widened for what rounding loses; empty when the canvas has no clip.
TRect ClipInProject(TCanvas& canvas) {
  const TRect clip = canvas.Clip();
  if (clip.Empty())
    return {};
  constexpr std::int32_t Far = 1 << 16;
  const TPoint a = canvas.ToPicture({0, 0}), b = canvas.ToPicture({Far, Far});
  const double sx = static_cast<double>(b.X - a.X) / Far, sy = static_cast<double>(b.Y - a.Y) / Far;
  if (sx <= 0 || sy <= 0)
    return {INT32_MIN / 2, INT32_MIN / 2, INT32_MAX / 2, INT32_MAX / 2};
  auto at = [](double v) {
    return static_cast<std::int32_t>(std::clamp(v, double(INT32_MIN / 2), double(INT32_MAX / 2)));
  };
  const double mx = 4 / sx + 4, my = 4 / sy + 4;
  return {at((clip.Left - a.X) / sx - mx), at((clip.Top - a.Y) / sy - my),
          at((clip.Right - a.X) / sx + mx), at((clip.Bottom - a.Y) / sy + my)};
}

bool Meets(TRect a, TRect b) {
  return a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom && b.Top <= a.Bottom;
}

void DrawDashed(TCanvas& canvas, const std::vector<TPoint>& curve) {
  std::vector<TPoint> dash{curve.front()};
  double run = 0;
  bool on = true;
  for (std::size_t k = 1; k < curve.size(); ++k) {
    // Long straight runs are cut into dashes of their own.
    const TPoint a = curve[k - 1], b = curve[k];
    const double length = std::hypot(b.X - a.X, b.Y - a.Y);
    double done = 0;
    while (done < length) {
      const double step = std::min(length - done, Dash - run);
      done += step;
      run += step;
      const TPoint at{static_cast<std::int32_t>(std::lround(a.X + (b.X - a.X) * done / length)),
                      static_cast<std::int32_t>(std::lround(a.Y + (b.Y - a.Y) * done / length))};
      if (on)
        dash.push_back(at);
      if (run >= Dash) {
        if (on && dash.size() > 1)
          canvas.Polyline(dash);
        on = !on;
        run = 0;
        dash.assign(1, at);
      }
    }
  }
  if (on && dash.size() > 1)
    canvas.Polyline(dash);
}

} // namespace

std::vector<TPoint> LinkCorners(const IModuleList& modules, const TLink& link,
                                const TDragShift* shift) {
  if (!link.From || !link.To)
    return {};
  const TLinkRoute* route = LevelRoutes(modules, shift).RouteOf(link);
  return route ? route->Corners : std::vector<TPoint>{};
}

std::vector<TPoint> LinkCurve(const IModuleList& modules, const TLink& link,
                              const TDragShift* shift) {
  return RoundedRoute(LinkCorners(modules, link, shift), LinkCornerRadius);
}

std::vector<TPoint> WireCurve(const IModule& from, const std::u16string& output, TPoint end) {
  return RoundedRoute(RouteThrough(LinkEnd(from, true, output), {}, end), LinkCornerRadius);
}

TRect LinkHull(const IModuleList& modules, const TLink& link, const TDragShift* shift) {
  if (!link.From || !link.To)
    return {};
  const TLinkRoute* route = LevelRoutes(modules, shift).RouteOf(link);
  return route ? Widened(route->Bounds, 2 + BendMark) : TRect{};
}

TRect LinkBounds(const std::vector<TPoint>& curve) {
  return Widened(PointsBounds(curve), 2);
}

void DrawLinks(TCanvas& canvas, const IModuleList& modules, const TLink* selected,
               const TDragShift* shift, TLinkLayer layer) {
  DrawRoutedLinks(canvas, LevelRoutes(modules, shift), selected, layer);
}

void DrawRoutedLinks(TCanvas& canvas, const TLinkRouter& routes, const TLink* selected,
                     TLinkLayer layer) {
  const TRect clip = ClipInProject(canvas);
  routes.ForEach([&](const TLink& link, const TLinkRoute& route) {
    if ((layer == TLinkLayer::Below && route.Crosses) ||
        (layer == TLinkLayer::Above && !route.Crosses))
      return;
    // Links that cannot show within the clip are left out.
    if (!clip.Empty() && !Meets(clip, Widened(route.Bounds, 2 + BendMark)))
      return;
    const bool isSelected = &link == selected;
    canvas.SetPenWidth(isSelected ? 3 : 1);
    if (route.Resolves) {
      canvas.SetPenColor(clBlue);
      canvas.Polyline(route.Line);
    } else {
      canvas.SetPenColor(clRed);
      DrawDashed(canvas, route.Line);
    }
    if (!isSelected)
      return;
    // The bend points a user placed, where a double click removes them and a drag moves them.
    canvas.SetPenWidth(1);
    for (const TPoint& bend : link.Points) {
      const TPoint p = WithinReach(bend);
      canvas.Rectangle(p.X - BendMark, p.Y - BendMark, p.X + BendMark, p.Y + BendMark);
    }
  });
  canvas.SetPenWidth(1);
}

TRect LinkValuePlace(const IModuleList& modules, const TLink& link, TSize size) {
  const TLinkRouter& router = modules.GetLinks().Router();
  const TLinkRoute* route = router.RouteOf(link);
  if (!route || route->Corners.size() < 2)
    return {};
  const auto& c = route->Corners;
  // The horizontal segments, longest first; the runs at the marks are the last resort.
  std::vector<std::size_t> order(c.size() - 1);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const bool endA = a == 0 || a + 2 == c.size(), endB = b == 0 || b + 2 == c.size();
    if (endA != endB)
      return endB;
    return std::abs(c[a + 1].X - c[a].X) > std::abs(c[b + 1].X - c[b].X);
  });
  for (const std::size_t k : order) {
    const TPoint a = c[k], b = c[k + 1];
    if (a.Y != b.Y)
      continue;
    const std::int32_t middle = (a.X + b.X) / 2;
    const TRect place{middle - size.Width / 2 - 2, a.Y - size.Height - 3,
                      middle + size.Width / 2 + 2, a.Y - 1};
    // Clear of every box: the boxes of the link's own modules too.
    bool free = true;
    for (std::int32_t row = place.Top; row <= place.Bottom && free;
         row += std::max(1, (place.Bottom - place.Top) / 2))
      free = !router.Blocked({place.Left, row}, {place.Right, row}, 1);
    if (free && !router.Blocked({place.Left, place.Bottom}, {place.Right, place.Bottom}, 1))
      return place;
  }
  return {};
}

void DrawLinkValues(TCanvas& canvas, const IModuleList& modules,
                    const std::function<std::u16string(const TLink&)>& value, TColor color) {
  // Values too small to read are not written, as the parameters' names are not.
  const TSize sample = canvas.TextExtent(u"0");
  const std::int32_t onPicture =
      canvas.ToPicture({0, sample.Height}).Y - canvas.ToPicture({0, 0}).Y;
  if (!value || onPicture < TModule::MinNameHeight)
    return;
  const TRect clip = canvas.Clip();
  canvas.SetPenWidth(1);
  modules.GetLinks().Router().ForEach([&](const TLink& link, const TLinkRoute& route) {
    // Beside the picture: nothing to write.
    if (OutsideClip(canvas, clip, Widened(route.Bounds, 40)))
      return;
    const std::u16string text = ShownText(value(link), ShownNameUnits);
    if (text.empty())
      return;
    const TSize size = canvas.TextExtent(text);
    const TRect place = LinkValuePlace(modules, link, size);
    if (place.Empty())
      return;
    // A framed box with the text on it, standing on the link.
    canvas.SetPenColor(color);
    canvas.Rectangle(place.Left, place.Top, place.Right, place.Bottom);
    canvas.TextOut(place.Left + 2, place.Top + 1, text);
  });
}

double DistanceToCurve(const std::vector<TPoint>& curve, double x, double y) {
  double best = 1e300;
  for (std::size_t k = 1; k < curve.size(); ++k) {
    const double ax = curve[k - 1].X, ay = curve[k - 1].Y;
    const double dx = curve[k].X - ax, dy = curve[k].Y - ay;
    const double length = dx * dx + dy * dy;
    double t = length > 0 ? ((x - ax) * dx + (y - ay) * dy) / length : 0;
    t = std::clamp(t, 0.0, 1.0);
    best = std::min(best, std::hypot(x - (ax + t * dx), y - (ay + t * dy)));
  }
  if (curve.size() == 1)
    best = std::hypot(x - curve[0].X, y - curve[0].Y);
  return best;
}
