#pragma once

#include "model/unLink.h"
#include "platform/unTypes.h"

class TDragShift;

#include <vector>

class IModule;
class TCanvas;
class TLinkList;

// The link's curve on the project: a smooth line that leaves the output's mark to the right and
// reaches the input's mark from the left, through the bend points in order; empty when an end's
// module is not there. An end whose parameter is not there starts or ends at the middle of its
// module's edge. With a shift, an end whose module it moves is drawn moved (the bend points stay).
std::vector<TPoint> LinkCurve(const TLink& link, const TDragShift* shift = nullptr);
// The curve of a wire being drawn from the module's output (by name) to a point: the same line
// a link to an input at the point would take.
std::vector<TPoint> WireCurve(const IModule& from, const std::u16string& output, TPoint end);
// Bounds that hold the link's whole curve (and a wide pen) without working the curve out: each
// piece stays within its control points; empty when an end's module is not there.
TRect LinkHull(const TLink& link, const TDragShift* shift = nullptr);
// The curve's bounds, with room for a wide pen; empty for an empty curve.
TRect LinkBounds(const std::vector<TPoint>& curve);
// Draws the links: a resolving link in the output marks' colour, the selected one wider; one that
// does not resolve dashed red. Links whose bounds lie outside the canvas's clip are left out.
void DrawLinks(TCanvas& canvas, const TLinkList& links, const TLink* selected,
               const TDragShift* shift = nullptr);
// The distance from the point to the curve, in the units of both.
double DistanceToCurve(const std::vector<TPoint>& curve, double x, double y);
