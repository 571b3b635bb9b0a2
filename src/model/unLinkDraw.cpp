#include "model/unLinkDraw.h"

#include "model/unDragShift.h"
#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "platform/unCanvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Points per curved piece between two of the link's points.
constexpr int Steps = 16;
// Pixels of a dash and of the gap after it, on the project.
constexpr int Dash = 6;

// Where an end of the link lies: its parameter's mark, or the middle of the module's edge.
TPoint EndPoint(const IModule& module, bool output, const std::u16string& name,
                const TDragShift* shift) {
  const TPoint by = shift ? shift->Of(&module) : TPoint{};
  const std::int32_t index = ParamIndex(module, output, name);
  if (index >= 0) {
    const TPoint mark = module.MarkPoint(output, index);
    return {mark.X + by.X, mark.Y + by.Y};
  }
  const TPoint centre = module.GetPosition();
  return {centre.X + by.X + (output ? 1 : -1) * std::abs(module.GetWidth()) / 2, centre.Y + by.Y};
}

// The points the curve passes through: the two ends and the bend points between.
std::vector<TPoint> Through(const TLink& link, const TDragShift* shift) {
  std::vector<TPoint> through{EndPoint(*link.From, true, link.Output, shift)};
  through.insert(through.end(), link.Points.begin(), link.Points.end());
  through.push_back(EndPoint(*link.To, false, link.Input, shift));
  return through;
}

// Bounds that hold the whole curve through the points: each piece stays within its control
// points, which reach Reach() beyond its ends sideways.
TRect HullBounds(const std::vector<TPoint>& through) {
  TRect r{through[0].X, through[0].Y, through[0].X, through[0].Y};
  for (std::size_t i = 0; i < through.size(); ++i) {
    const TPoint p = through[i];
    const std::int32_t reach =
        i + 1 < through.size()
            ? static_cast<std::int32_t>(std::max(20.0, std::abs(through[i + 1].X - p.X) / 2.0)) + 1
            : 0;
    const std::int32_t back =
        i > 0
            ? static_cast<std::int32_t>(std::max(20.0, std::abs(p.X - through[i - 1].X) / 2.0)) + 1
            : 0;
    r.Left = std::min(r.Left, p.X - back);
    r.Right = std::max(r.Right, p.X + reach);
    r.Top = std::min(r.Top, p.Y);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return {r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2};
}

// The flattened curve through the points.
std::vector<TPoint> Flatten(const std::vector<TPoint>& through) {
  std::vector<TPoint> curve;
  curve.reserve(through.size() * Steps);
  curve.push_back(through.front());
  for (std::size_t i = 1; i < through.size(); ++i) {
    const double x0 = through[i - 1].X, y0 = through[i - 1].Y;
    const double x3 = through[i].X, y3 = through[i].Y;
    // Horizontal at both ends, reaching out by half the distance (at least a little).
    const double reach = std::max(20.0, std::abs(x3 - x0) / 2);
    const double x1 = x0 + reach, x2 = x3 - reach;
    for (int s = 1; s <= Steps; ++s) {
      const double t = static_cast<double>(s) / Steps, u = 1 - t;
      const double x = u * u * u * x0 + 3 * u * u * t * x1 + 3 * u * t * t * x2 + t * t * t * x3;
      const double y = u * u * u * y0 + 3 * u * u * t * y0 + 3 * u * t * t * y3 + t * t * t * y3;
      curve.push_back(
          {static_cast<std::int32_t>(std::lround(x)), static_cast<std::int32_t>(std::lround(y))});
    }
  }
  return curve;
}

} // namespace

std::vector<TPoint> LinkCurve(const TLink& link, const TDragShift* shift) {
  if (!link.From || !link.To)
    return {};
  return Flatten(Through(link, shift));
}

std::vector<TPoint> WireCurve(const IModule& from, const std::u16string& output, TPoint end) {
  return Flatten({EndPoint(from, true, output, nullptr), end});
}

TRect LinkHull(const TLink& link, const TDragShift* shift) {
  if (!link.From || !link.To)
    return {};
  return HullBounds(Through(link, shift));
}

TRect LinkBounds(const std::vector<TPoint>& curve) {
  if (curve.empty())
    return {};
  TRect r{curve[0].X, curve[0].Y, curve[0].X, curve[0].Y};
  for (const TPoint& p : curve) {
    r.Left = std::min(r.Left, p.X);
    r.Top = std::min(r.Top, p.Y);
    r.Right = std::max(r.Right, p.X);
    r.Bottom = std::max(r.Bottom, p.Y);
  }
  return {r.Left - 2, r.Top - 2, r.Right + 2, r.Bottom + 2};
}

void DrawLinks(TCanvas& canvas, const TLinkList& links, const TLink* selected,
               const TDragShift* shift) {
  const TRect clip = canvas.Clip();
  for (std::int32_t i = 0; i < links.Count(); ++i) {
    const std::shared_ptr<TLink> link = links.Get(i);
    if (!link->From || !link->To)
      continue;
    const std::vector<TPoint> through = Through(*link, shift);
    // Links that cannot show within the clip are not even flattened.
    if (!clip.Empty()) {
      const TRect bounds = HullBounds(through);
      const TPoint a = canvas.ToPicture({bounds.Left, bounds.Top});
      const TPoint b = canvas.ToPicture({bounds.Right, bounds.Bottom});
      if (b.X < clip.Left || a.X > clip.Right || b.Y < clip.Top || a.Y > clip.Bottom)
        continue;
    }
    const std::vector<TPoint> curve = Flatten(through);
    if (LinkResolves(*link)) {
      canvas.SetPenColor(clBlue);
      canvas.SetPenWidth(link.get() == selected ? 3 : 1);
      canvas.Polyline(curve);
      continue;
    }
    // Dashed red: every other stretch of about Dash units along the curve.
    canvas.SetPenColor(clRed);
    canvas.SetPenWidth(link.get() == selected ? 3 : 1);
    std::vector<TPoint> dash{curve.front()};
    double run = 0;
    bool on = true;
    for (std::size_t k = 1; k < curve.size(); ++k) {
      run += std::hypot(curve[k].X - curve[k - 1].X, curve[k].Y - curve[k - 1].Y);
      if (on)
        dash.push_back(curve[k]);
      if (run >= Dash) {
        if (on && dash.size() > 1)
          canvas.Polyline(dash);
        on = !on;
        run = 0;
        dash.assign(1, curve[k]);
      }
    }
    if (on && dash.size() > 1)
      canvas.Polyline(dash);
  }
  canvas.SetPenWidth(1);
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
