#pragma once

#include "model/unLink.h"
#include "model/unLinkRouter.h"
#include "platform/unTypes.h"

#include <functional>
#include <string>
#include <vector>

class IModule;
class IModuleList;
class TCanvas;
class TDragShift;

// How far a route's corners are rounded, in project units.
inline constexpr std::int32_t LinkCornerRadius = TLinkRouter::CornerRadius;

// The line drawn for the link among the modules of the list: its route with rounded corners,
// from the output's mark to the input's mark; empty when an end's module is not there. With a
// shift, the links of the modules it moves are routed where the drag shows them.
std::vector<TPoint> LinkCurve(const IModuleList& modules, const TLink& link,
                              const TDragShift* shift = nullptr);
// The corners of the link's route (see TLinkRoute); empty when an end's module is not there.
std::vector<TPoint> LinkCorners(const IModuleList& modules, const TLink& link,
                                const TDragShift* shift = nullptr);
// The line of a wire being drawn from the module's output (by name) to a point: the way a link
// to an input at the point would start and end, with one elbow between.
std::vector<TPoint> WireCurve(const IModule& from, const std::u16string& output, TPoint end);
// Bounds that hold the link's whole line with room for a wide pen; empty when an end's module
// is not there.
TRect LinkHull(const IModuleList& modules, const TLink& link, const TDragShift* shift = nullptr);
// The line's bounds, with room for a wide pen; empty for an empty line.
TRect LinkBounds(const std::vector<TPoint>& curve);
// Which links DrawLinks draws: those that keep clear of the boxes (drawn below them), those that
// run over a box (drawn above them, so that they are seen), or all.
enum class TLinkLayer { Below, Above, All };
// Draws the links of the list's layer: a resolving link in the output marks' colour, the
// selected one wider with its bend points marked; one that does not resolve dashed red. Links
// whose bounds lie outside the canvas's clip are left out.
void DrawLinks(TCanvas& canvas, const IModuleList& modules, const TLink* selected,
               const TDragShift* shift = nullptr, TLinkLayer layer = TLinkLayer::All);
// The same with the routes as the router has them.
void DrawRoutedLinks(TCanvas& canvas, const TLinkRouter& routes, const TLink* selected,
                     TLinkLayer layer);
// Writes each link's value (as `value` gives it; empty: none) in a framed box on its longest
// horizontal segment, or on the next that has room, never over a box of the list; a link with
// no such place shows none. Values are not written where text is too small to read. The routes
// are taken as the list's router has them (DrawLevel brings them up to date).
void DrawLinkValues(TCanvas& canvas, const IModuleList& modules,
                    const std::function<std::u16string(const TLink&)>& value, TColor color);
// Where DrawLinkValues writes the value of that size for the route, in project units; empty
// when there is no place.
TRect LinkValuePlace(const IModuleList& modules, const TLink& link, TSize size);
// The distance from the point to the line, in the units of both.
double DistanceToCurve(const std::vector<TPoint>& curve, double x, double y);
