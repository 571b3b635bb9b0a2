#include "canvas/unProgrammingImage.h"

#include "canvas/unQtStrings.h"
#include "model/unIModule.h"
#include "model/unLinkDraw.h"
#include "model/unLinkList.h"
#include "model/unLinkRouter.h"
#include "model/unModule.h"
#include "model/unParamList.h"
#include "model/unProject.h"
#include "platform/unStrings.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <climits>

namespace {

TRect Union(TRect a, TRect b) {
  if (a.Empty())
    return b;
  if (b.Empty())
    return a;
  return {std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
          std::max(a.Bottom, b.Bottom)};
}

bool Overlap(TRect a, TRect b) {
  return !a.Empty() && !b.Empty() && a.Left <= b.Right && b.Left <= a.Right && a.Top <= b.Bottom &&
         b.Top <= a.Bottom;
}

// The module's box with its edges in order.
TRect BoxOf(const IModule& m) {
  const TPoint p = m.GetPosition();
  const std::int32_t w = std::abs(m.GetWidth() / 2), h = std::abs(m.GetHeight() / 2);
  return {p.X - w, p.Y - h, p.X + w, p.Y + h};
}

} // namespace

TProgrammingImage::TProgrammingImage(QWidget* owner) : QWidget(owner) {
  setObjectName("ProgrammingImage");
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  setFocusPolicy(Qt::ClickFocus);
  Image = QImage(1, 1, QImage::Format_RGB32);
  Image.fill(Qt::white);
}

void TProgrammingImage::SetProject(TProject* project) {
  Project = project;
  Level.reset();
}

bool TProgrammingImage::FitPicture() {
  // The picture has the screen's pixels: at a ratio of 2 twice as many each way as the control
  // has units, drawn twice as large, so that lines and texts stay sharp.
  const double ratio = std::max(1.0, devicePixelRatioF());
  if (ratio != Dpr) {
    const double zoom = GetZoom();
    Dpr = ratio;
    View.SetView(zoom * Dpr, View.GetOrigin());
  }
  const QSize size = (QSizeF(this->size()) * Dpr).toSize().expandedTo(QSize(1, 1));
  if (size == Image.size())
    return false;
  Image = QImage(size, QImage::Format_RGB32);
  Image.fill(Qt::white);
  return true;
}

QPoint TProgrammingImage::ToPixel(QPoint unit) const {
  return (QPointF(unit) * Dpr).toPoint();
}

QPointF TProgrammingImage::ToUnits(TPoint pixel) const {
  return QPointF(pixel.X, pixel.Y) / Dpr;
}

void TProgrammingImage::ApplyFont() {
  QFont scaled = font();
  if (View.GetZoom() != 1) {
    if (scaled.pixelSize() > 0)
      scaled.setPixelSize(std::max(1, static_cast<int>(scaled.pixelSize() * View.GetZoom())));
    else
      scaled.setPointSizeF(std::max(0.5, scaled.pointSizeF() * View.GetZoom()));
  }
  Canvas.SetFont(scaled);
}

void TProgrammingImage::DrawContent() {
  Canvas.SetPenColor(clBlack);
  Canvas.Rectangle(0, 0, Image.width() - 1, Image.height() - 1);
  if (auto modules = Modules()) {
    DrawLevel(View, *modules, SelectedLink.get(), Dragging ? &Shift : nullptr);
    if (LinkValue)
      ::DrawLinkValues(View, *modules, LinkValue,
                       LinkValuesStopped ? TColor{128, 128, 128} : clBlack);
    // A route being dragged: the way it would take.
    if (RouteDrag.Link && RouteDrag.Moved && RouteDrag.Link->From && RouteDrag.Link->To) {
      const TLink& link = *RouteDrag.Link;
      Canvas.SetPenColor(clRed);
      Canvas.SetPenWidth(2);
      View.Polyline(
          RoundedRoute(RouteThrough(LinkEnd(*link.From, true, link.Output), RouteDrag.Points,
                                    LinkEnd(*link.To, false, link.Input)),
                       LinkCornerRadius));
      Canvas.SetPenWidth(1);
    }
  }
  if (Banding)
    DrawBand();
  if (!Connecting)
    return;
  // The inputs that may take the wire are marked, and the wire follows the mouse.
  Canvas.SetPenColor(clRed);
  for (const auto& [module, index] : Compatible) {
    const TPoint at = View.ToPicture(module->MarkPoint(false, index));
    Canvas.Rectangle(at.X - 4, at.Y - 4, at.X + 4, at.Y + 4);
  }
  Canvas.SetPenColor(clBlue);
  View.Polyline(Wire());
}

void TProgrammingImage::SetReadOnly(bool readOnly) {
  ReadOnly = readOnly;
  if (!readOnly)
    return;
  // A drag or a wire under way ends without a change.
  const bool shown = Dragging || Connecting || RouteDrag.Moved;
  Dragging = false;
  Connecting = false;
  RouteDrag = {};
  DragModules.clear();
  Shift = {};
  if (shown)
    Redraw();
}

void TProgrammingImage::DrawBand() {
  const TRect band = Band();
  const std::array<TPoint, 5> outline{{{band.Left, band.Top},
                                       {band.Right, band.Top},
                                       {band.Right, band.Bottom},
                                       {band.Left, band.Bottom},
                                       {band.Left, band.Top}}};
  Canvas.SetPenColor(clBlue);
  View.Polyline(outline);
}

std::shared_ptr<IModuleList> TProgrammingImage::Modules() const {
  if (!Project)
    return nullptr;
  return Level ? Level : Project->GetMainModules();
}

void TProgrammingImage::SetLevel(std::shared_ptr<IModuleList> level) {
  Level = std::move(level);
  Pressed.reset();
  RouteDrag = {};
  DragModules.clear();
  Shift = {};
  Dragging = false;
  Connecting = false;
}

void TProgrammingImage::SetSelectedLink(std::shared_ptr<TLink> link) {
  if (link == SelectedLink)
    return;
  SelectedLink = std::move(link);
  Redraw();
}

std::shared_ptr<TLink> TProgrammingImage::LinkAt(QPoint pixel) const {
  auto modules = Modules();
  if (!modules)
    return nullptr;
  auto& view = const_cast<TViewCanvas&>(View);
  std::shared_ptr<TLink> best;
  double nearest = LinkPickPixels + 0.5;
  const TLinkList& links = modules->GetLinks();
  const TLinkRouter& routes = LevelRoutes(*modules);
  for (std::int32_t i = 0; i < links.Count(); ++i) {
    const TLinkRoute* route = routes.RouteOf(*links.Get(i));
    if (!route)
      continue;
    std::vector<TPoint> curve = route->Corners;
    for (TPoint& p : curve)
      p = view.ToPicture(p);
    // On the picture's pixels, the distance the control's units ask for.
    const QPoint at = ToPixel(pixel);
    const double distance = DistanceToCurve(curve, at.x(), at.y()) / Dpr;
    if (distance < nearest) {
      nearest = distance;
      best = links.Get(i);
    }
  }
  return best;
}

TRect TProgrammingImage::MovedArea(const std::shared_ptr<IModule>& module,
                                   const TDragShift& shift) {
  TRect area = module->DrawnBounds(View);
  if (const TPoint by = shift.Of(module.get()); !area.Empty())
    area = {area.Left + by.X, area.Top + by.Y, area.Right + by.X, area.Bottom + by.Y};
  if (auto modules = Modules())
    for (const auto& link : modules->GetLinks().Of(module))
      area = Union(area, LinkHull(*modules, *link, &shift));
  return area;
}

TRect TProgrammingImage::DragArea(const TDragShift& shift) {
  TRect area;
  for (const auto& module : DragModules)
    area = Union(area, MovedArea(module, shift));
  return area;
}

std::vector<TPoint> TProgrammingImage::Wire() const {
  if (!WireFrom.Module)
    return {};
  const auto* params = dynamic_cast<const TParamList*>(WireFrom.Module->GetParamOut().get());
  const TParam* param = params ? params->Get(WireFrom.Index) : nullptr;
  return WireCurve(*WireFrom.Module, param ? param->Name : std::u16string(), WireEnd);
}

void TProgrammingImage::StartWire(const TMarkHit& from) {
  Connecting = true;
  WireFrom = from;
  WireEnd = from.Module->MarkPoint(true, from.Index);
  Compatible.clear();
  auto modules = Modules();
  const auto* outputs = dynamic_cast<const TParamList*>(from.Module->GetParamOut().get());
  const TParam* output = outputs ? outputs->Get(from.Index) : nullptr;
  if (!modules || !output)
    return;
  for (std::int32_t i = 0; i < modules->Count(); ++i) {
    const std::shared_ptr<IModule> module = modules->GetItem(i);
    const auto* inputs = dynamic_cast<const TParamList*>(module->GetParamIn().get());
    for (std::int32_t k = 0; inputs && k < inputs->Count(); ++k)
      if (modules->GetLinks().Check(from.Module, output->Name, module, inputs->Get(k)->Name).Ok)
        Compatible.emplace_back(module, k);
  }
  Redraw();
}

void TProgrammingImage::EndWire(QPoint pixel) {
  const TMarkHit from = WireFrom;
  Connecting = false;
  WireFrom = {};
  Compatible.clear();
  Redraw();
  // A click on the mark, without a wire drawn, asks for nothing.
  if ((pixel - PressPixel).manhattanLength() < 3)
    return;
  const TMarkHit to = MarkAt(pixel);
  const auto* outputs = dynamic_cast<const TParamList*>(from.Module->GetParamOut().get());
  const auto* inputs =
      to.Module ? dynamic_cast<const TParamList*>(to.Module->GetParamIn().get()) : nullptr;
  if (!to.Module || to.Output || !inputs || !outputs) {
    if (OnLinkRefused)
      OnLinkRefused(ToU16(QCoreApplication::translate(
          "TProgrammingImage", "Связь не создана: отпустите её на входе другого модуля")));
    return;
  }
  if (OnLinkDrop)
    OnLinkDrop(from.Module, outputs->Get(from.Index)->Name, to.Module, inputs->Get(to.Index)->Name);
}

void TProgrammingImage::Redraw() {
  update();
  ReroutedArea();
  FitPicture();
  ApplyFont();
  Canvas.SetTarget(&Image);
  Canvas.SetClip({});
  Canvas.BeginPicture();
  DrawContent();
}

void TProgrammingImage::RedrawModules(const std::vector<std::shared_ptr<IModule>>& modules) {
  ApplyFont();
  TRect area;
  for (const auto& module : modules)
    if (module)
      area = Union(area, module->DrawnBounds(View));
  RedrawArea(area);
}

TRect TProgrammingImage::ModulesArea(const std::vector<std::shared_ptr<IModule>>& modules) {
  ApplyFont();
  TRect area;
  for (const auto& module : modules)
    if (module)
      area = Union(area, MovedArea(module, {}));
  return area;
}

TRect TProgrammingImage::ReroutedArea() {
  auto modules = Modules();
  if (!modules)
    return {};
  LevelRoutes(*modules);
  const TRect r = modules->GetLinks().Router().TakeRerouted();
  return r.Empty() ? r : TRect{r.Left - 6, r.Top - 6, r.Right + 6, r.Bottom + 6};
}

void TProgrammingImage::RedrawArea(TRect area) {
  if (area.Empty())
    return;
  const TPoint a = View.ToPicture({area.Left, area.Top});
  const TPoint b = View.ToPicture({area.Right, area.Bottom});
  // One more pixel on every side for what scaling rounds.
  const TRect pixels{std::min(a.X, b.X) - 1, std::min(a.Y, b.Y) - 1, std::max(a.X, b.X) + 1,
                     std::max(a.Y, b.Y) + 1};
  Canvas.SetTarget(&Image);
  Canvas.SetClip(pixels);
  if (Canvas.Clip().Empty()) {
    Canvas.SetClip({});
    return;
  }
  const TRect clip = Canvas.Clip();
  // The area blanked as a fresh picture would be, then everything drawn over it again.
  Canvas.SetPenColor(clWhite);
  Canvas.Rectangle(clip.Left, clip.Top, clip.Right, clip.Bottom);
  DrawContent();
  Canvas.SetClip({});
  // The control's units that show those pixels.
  update(QRectF(ToUnits({clip.Left, clip.Top}), ToUnits({clip.Right + 1, clip.Bottom + 1}))
             .toAlignedRect());
}

void TProgrammingImage::SetZoom(double zoom, QPoint anchor) {
  zoom = std::clamp(zoom, MinZoom, MaxZoom);
  const TPoint fixed = ToProject(anchor);
  const TPoint origin{static_cast<std::int32_t>(fixed.X - anchor.x() / zoom),
                      static_cast<std::int32_t>(fixed.Y - anchor.y() / zoom)};
  View.SetView(zoom * Dpr, origin);
  Redraw();
  if (OnViewChange)
    OnViewChange();
}

void TProgrammingImage::SetOrigin(TPoint origin) {
  if (origin == View.GetOrigin())
    return;
  View.SetView(View.GetZoom(), origin);
  Redraw();
  if (OnViewChange)
    OnViewChange();
}

TPoint TProgrammingImage::ToProject(QPoint pixel) const {
  const QPoint at = ToPixel(pixel);
  return View.ToProject(at.x(), at.y());
}

TRect TProgrammingImage::ProjectExtent() const {
  TRect extent;
  auto modules = Modules();
  for (std::int32_t i = 0; modules && i < modules->Count(); ++i) {
    const auto m = modules->GetItem(i);
    const TPoint p = m->GetPosition();
    const std::int32_t w = std::abs(m->GetWidth()) / 2 + 4, h = std::abs(m->GetHeight()) / 2 + 4;
    extent = Union(extent, {p.X - w, p.Y - h, p.X + w, p.Y + h});
  }
  return extent;
}

void TProgrammingImage::AskSelect(const std::shared_ptr<IModule>& module) {
  if (OnSelect)
    OnSelect(module);
}

std::shared_ptr<IModule> TProgrammingImage::ModuleAt(QPoint pixel) const {
  if (const TMarkHit mark = MarkAt(pixel); mark.Module)
    return mark.Module;
  auto modules = Modules();
  const TPoint at = ToProject(pixel);
  return modules ? modules->FindAt(at.X, at.Y) : nullptr;
}

void TProgrammingImage::MouseDown(int x, int y, bool add) {
  if (SkipNextPress) {
    SkipNextPress = false;
    return;
  }
  if (!Project)
    return;
  LastPixel = PressPixel = {x, y};
  Pressed.reset();
  PressedInSelection = false;
  DragModules.clear();
  // A press on an output's mark selects its module and draws a wire from it.
  if (const TMarkHit mark = MarkAt({x, y}); mark.Module && mark.Output && !add && !ReadOnly) {
    if (!mark.Module->GetFocused())
      AskSelect(mark.Module);
    StartWire(mark);
    return;
  }
  const TPoint at = ToProject({x, y});
  auto modules = Modules();
  const std::shared_ptr<IModule> module = modules ? modules->FindAt(at.X, at.Y) : nullptr;
  if (add) {
    // Ctrl: the module pressed joins the selection or leaves it; on empty canvas a band adds.
    if (module) {
      if (OnToggle)
        OnToggle(module);
    } else {
      StartBand(at);
    }
    return;
  }
  if (!module) {
    // Beside every box, a press near a link selects it; elsewhere a band selects what it touches.
    if (std::shared_ptr<TLink> link = LinkAt({x, y})) {
      if (OnLinkSelect)
        OnLinkSelect(link);
      if (!ReadOnly)
        StartRouteDrag(link, {x, y});
      return;
    }
    AskSelect(nullptr);
    StartBand(at);
    return;
  }
  // A press on a selected module keeps the selection for a drag of all of it; on another one,
  // that one alone is selected.
  Pressed = module;
  PressedInSelection = module->GetFocused();
  if (!PressedInSelection)
    AskSelect(module);
  if (ReadOnly) {
    if (OnReadOnly)
      OnReadOnly();
    return;
  }
  if (SelectionOf) {
    DragModules = SelectionOf();
  } else {
    for (std::int32_t i = 0; i < modules->Count(); ++i)
      if (auto m = modules->GetItem(i); m->GetFocused())
        DragModules.push_back(m);
  }
  // Without an owner that selects, the module pressed is what moves.
  if (std::find(DragModules.begin(), DragModules.end(), module) == DragModules.end())
    DragModules.assign(1, module);
  Dragging = true;
  DragAt = at;
  Shift = {};
}

int TProgrammingImage::BendAt(const TLink& link, QPoint pixel) const {
  auto& view = const_cast<TViewCanvas&>(View);
  const QPoint at = ToPixel(pixel);
  int best = -1;
  double nearest = BendPickPixels + 0.5;
  for (std::size_t i = 0; i < link.Points.size(); ++i) {
    const TPoint p = view.ToPicture(link.Points[i]);
    const double distance = std::hypot(p.X - at.x(), p.Y - at.y()) / Dpr;
    if (distance < nearest) {
      nearest = distance;
      best = static_cast<int>(i);
    }
  }
  return best;
}

void TProgrammingImage::StartRouteDrag(const std::shared_ptr<TLink>& link, QPoint pixel) {
  auto modules = Modules();
  if (!modules || !link->From || !link->To)
    return;
  TRouteDrag drag;
  drag.Link = link;
  drag.Corners = LinkCorners(*modules, *link);
  drag.From = ToProject(pixel);
  drag.Bend = BendAt(*link, pixel);
  if (drag.Bend < 0) {
    drag.Segment = NearestSegment(drag.Corners, drag.From.X, drag.From.Y);
    // The runs at the marks stay where the marks are.
    if (drag.Segment == SIZE_MAX || drag.Segment == 0 || drag.Segment + 2 >= drag.Corners.size())
      return;
  }
  RouteDrag = std::move(drag);
}

std::vector<TPoint> TProgrammingImage::RouteDragAt(QPoint pixel) const {
  const TPoint at = ToProject(pixel);
  if (RouteDrag.Bend >= 0) {
    std::vector<TPoint> points = RouteDrag.Link->Points;
    points[static_cast<std::size_t>(RouteDrag.Bend)] = at;
    return points;
  }
  return MoveSegment(RouteDrag.Corners, RouteDrag.Segment,
                     {at.X - RouteDrag.From.X, at.Y - RouteDrag.From.Y});
}

bool TProgrammingImage::DblClickLink(QPoint pixel) {
  auto modules = Modules();
  const std::shared_ptr<TLink> link = LinkAt(pixel);
  if (!modules || !link || !OnLinkRoute)
    return false;
  RouteDrag = {};
  if (const int bend = BendAt(*link, pixel); bend >= 0) {
    std::vector<TPoint> points = link->Points;
    points.erase(points.begin() + bend);
    OnLinkRoute(link, std::move(points), TRouteEdit::RemoveBend);
    return true;
  }
  const std::vector<TPoint> corners = LinkCorners(*modules, *link);
  const TPoint at = ToProject(pixel);
  const std::size_t k = NearestSegment(corners, at.X, at.Y);
  std::vector<TPoint> points = AddBend(corners, k, at);
  if (points.empty())
    return false;
  OnLinkRoute(link, std::move(points), TRouteEdit::AddBend);
  return true;
}

void TProgrammingImage::StartBand(TPoint at) {
  Banding = true;
  BandFrom = BandTo = at;
}

TRect TProgrammingImage::Band() const {
  return {std::min(BandFrom.X, BandTo.X), std::min(BandFrom.Y, BandTo.Y),
          std::max(BandFrom.X, BandTo.X), std::max(BandFrom.Y, BandTo.Y)};
}

void TProgrammingImage::MouseMove(int x, int y) {
  LastPixel = {x, y};
  if (RouteDrag.Link) {
    if ((QPoint(x, y) - PressPixel).manhattanLength() < 3 && !RouteDrag.Moved)
      return;
    RouteDrag.Moved = true;
    RouteDrag.Points = RouteDragAt({x, y});
    Redraw();
    return;
  }
  if (Connecting) {
    const TRect before = LinkBounds(Wire());
    WireEnd = ToProject({x, y});
    RedrawArea(Union(before, LinkBounds(Wire())));
    return;
  }
  if (Banding) {
    const TRect before = Band();
    BandTo = ToProject({x, y});
    const TRect after = Band();
    const std::int32_t pad = static_cast<std::int32_t>(std::ceil(2 / View.GetZoom())) + 1;
    const TRect area = Union(before, after);
    RedrawArea({area.Left - pad, area.Top - pad, area.Right + pad, area.Bottom + pad});
    return;
  }
  if (!Dragging || DragModules.empty())
    return;
  const TPoint at = ToProject({x, y});
  ApplyFont();
  // Each box and its links, where they were shown and where they are shown now.
  const TRect before = DragArea(Shift);
  Shift = TDragShift(DragModules, {at.X - DragAt.X, at.Y - DragAt.Y});
  const TRect after = DragArea(Shift);
  // Only what the modules left and what they cover now.
  if (Overlap(before, after)) {
    RedrawArea(Union(before, after));
  } else {
    RedrawArea(before);
    RedrawArea(after);
  }
}

void TProgrammingImage::MouseUp() {
  if (RouteDrag.Link) {
    const TRouteDrag drag = std::move(RouteDrag);
    RouteDrag = {};
    if (!drag.Moved)
      return;
    Redraw();
    if (OnLinkRoute && !drag.Points.empty())
      OnLinkRoute(drag.Link, drag.Points,
                  drag.Bend >= 0 ? TRouteEdit::MoveBend : TRouteEdit::MoveSegment);
    return;
  }
  if (Connecting) {
    EndWire(LastPixel);
    return;
  }
  if (Banding) {
    Banding = false;
    // Every box the band touches or encloses joins the selection.
    const TRect band = Band();
    std::vector<std::shared_ptr<IModule>> touched;
    if (auto modules = Modules())
      for (std::int32_t i = 0; i < modules->Count(); ++i)
        if (auto m = modules->GetItem(i); !m->GetFocused() && Overlap(BoxOf(*m), band))
          touched.push_back(m);
    Redraw();
    if (!touched.empty() && OnBandSelect)
      OnBandSelect(touched);
    return;
  }
  const std::shared_ptr<IModule> pressed = std::move(Pressed);
  Pressed.reset();
  if (!Dragging)
    return;
  Dragging = false;
  const std::vector<std::shared_ptr<IModule>> moved = std::move(DragModules);
  DragModules.clear();
  const TDragShift shown = Shift;
  Shift = {};
  if (shown.Empty()) {
    // A click on a module of a larger selection selects it alone.
    if (PressedInSelection && pressed)
      AskSelect(pressed);
    return;
  }
  // The picture shows the project again; the owner's move draws the modules where they go.
  ApplyFont();
  DragModules = moved;
  const TRect area = Union(DragArea(shown), DragArea({}));
  DragModules.clear();
  RedrawArea(area);
  if (OnModulesDrop)
    OnModulesDrop(moved, shown.GetDelta());
}

void TProgrammingImage::DblClick(int x, int y) {
  if (!Project)
    return;
  if (ReadOnly) {
    if (OnReadOnly)
      OnReadOnly();
    SkipNextPress = true;
    return;
  }
  // A wire that a press started on a mark is no gesture of its own.
  if (Connecting) {
    Connecting = false;
    WireFrom = {};
    Compatible.clear();
    Redraw();
  }
  const std::shared_ptr<IModule> module = ModuleAt({x, y});
  if (!module) {
    if (DblClickLink({x, y}))
      SkipNextPress = true;
    return;
  }
  if (OnModuleEdit)
    OnModuleEdit(module);
  SkipNextPress = true;
}

void TProgrammingImage::paintEvent(QPaintEvent* event) {
  // Moved to a screen of another pixel ratio: the picture is made anew for it.
  if (std::max(1.0, devicePixelRatioF()) != Dpr && FitPicture())
    Redraw();
  QPainter painter(this);
  const QRectF units(event->rect());
  painter.drawImage(units, Image, QRectF(units.topLeft() * Dpr, units.size() * Dpr));
}

void TProgrammingImage::resizeEvent(QResizeEvent*) {
  // The retained picture follows the control's size.
  if (FitPicture())
    Redraw();
  if (OnViewChange)
    OnViewChange();
}

void TProgrammingImage::mousePressEvent(QMouseEvent* event) {
  // Clicked, the canvas takes the keys: arrows move the selection.
  setFocus(Qt::MouseFocusReason);
  const QPoint p = event->position().toPoint();
  if (event->button() == Qt::MiddleButton) {
    Panning = true;
    PanFrom = p;
    return;
  }
  MouseDown(p.x(), p.y(), event->modifiers() & Qt::ControlModifier);
}

void TProgrammingImage::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (Panning) {
    const QPoint delta = p - PanFrom;
    PanFrom = p;
    const TPoint origin = View.GetOrigin();
    SetOrigin({static_cast<std::int32_t>(origin.X - delta.x() / GetZoom()),
               static_cast<std::int32_t>(origin.Y - delta.y() / GetZoom())});
    return;
  }
  MouseMove(p.x(), p.y());
}

void TProgrammingImage::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    Panning = false;
    return;
  }
  LastPixel = event->position().toPoint();
  MouseUp();
}

void TProgrammingImage::mouseDoubleClickEvent(QMouseEvent* event) {
  // Qt sends the double-click in place of the second press, so that press is the one to skip:
  // it is consumed here and the next real press selects as usual.
  const QPoint p = event->position().toPoint();
  if (event->button() != Qt::LeftButton)
    return;
  DblClick(p.x(), p.y());
  MouseDown(p.x(), p.y());
}

TProgrammingImage::TMarkHit TProgrammingImage::MarkAt(QPoint pixel) const {
  TMarkHit hit;
  auto modules = Modules();
  if (!modules)
    return hit;
  // A generous search in project units, then the exact distance on the picture.
  const double zoom = GetZoom();
  const auto tolerance = static_cast<std::int32_t>(std::ceil(PickPixels / zoom)) + 1;
  const TPoint at = ToProject(pixel);
  // Marks under the box the pixel is on are hidden by it: only its own and those of the
  // modules above it count.
  const std::shared_ptr<IModule> under = modules->FindAt(at.X, at.Y);
  const std::int32_t lowest = under ? std::max(0, modules->IndexOf(under)) : 0;
  std::int64_t best = -1;
  for (std::int32_t i = modules->Count(); i-- > lowest;) {
    const std::shared_ptr<IModule> module = modules->GetItem(i);
    bool output = false;
    std::int32_t index = -1;
    if (!module->MarkAt(at, tolerance, output, index))
      continue;
    const QPointF mark =
        ToUnits(const_cast<TViewCanvas&>(View).ToPicture(module->MarkPoint(output, index)));
    const auto dx = static_cast<std::int64_t>(std::lround(std::abs(mark.x() - pixel.x())));
    const auto dy = static_cast<std::int64_t>(std::lround(std::abs(mark.y() - pixel.y())));
    if (dx > PickPixels || dy > PickPixels)
      continue;
    if (best < 0 || dx * dx + dy * dy < best) {
      best = dx * dx + dy * dy;
      hit = {module, output, index};
    }
  }
  return hit;
}

QString TProgrammingImage::MarkText(const TMarkHit& hit) {
  if (!hit.Module)
    return {};
  const auto list = hit.Output ? hit.Module->GetParamOut() : hit.Module->GetParamIn();
  const auto* params = dynamic_cast<const TParamList*>(list.get());
  const TParam* param = params ? params->Get(hit.Index) : nullptr;
  if (!param)
    return {};
  QStringList lines;
  lines << ToQString(param->Title.empty() ? param->Name : param->Title);
  if (!param->Description.empty())
    lines << ToQString(param->Description);
  lines << (hit.Output ? QCoreApplication::translate("TProgrammingImage", "Выход %1")
                       : QCoreApplication::translate("TProgrammingImage", "Вход %1"))
                   .arg(ToQString(param->Name)) +
               (param->Type.empty() ? QString()
                                    : QCoreApplication::translate("TProgrammingImage", ", тип %1")
                                          .arg(ToQString(param->Type)));
  return lines.join('\n');
}

std::pair<std::shared_ptr<IModule>, std::u16string>
TProgrammingImage::OutputAt(QPoint pixel) const {
  const TMarkHit mark = MarkAt(pixel);
  if (mark.Module && mark.Output) {
    const auto* outputs = dynamic_cast<const TParamList*>(mark.Module->GetParamOut().get());
    if (outputs && mark.Index >= 0 && mark.Index < outputs->Count() && outputs->Get(mark.Index))
      return {mark.Module, outputs->Get(mark.Index)->Name};
    return {};
  }
  if (mark.Module)
    return {};
  if (const std::shared_ptr<TLink> link = LinkAt(pixel); link && link->From)
    return {link->From, link->Output};
  return {};
}

void TProgrammingImage::contextMenuEvent(QContextMenuEvent* event) {
  if (!OnContextMenu)
    return;
  const auto [module, output] = OutputAt(event->pos());
  OnContextMenu(event->globalPos(), module, output);
}

bool TProgrammingImage::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    const auto* help = static_cast<QHelpEvent*>(event);
    QString text = MarkText(MarkAt(help->pos()));
    // While values are shown, an output's (a mark's or a link's) whole value.
    if (OutputValue && LinkValue)
      if (const auto [module, output] = OutputAt(help->pos()); module) {
        const std::u16string value = OutputValue(*module, output);
        if (!value.empty())
          text += (text.isEmpty() ? ToQString(module->GetName() + u"." + output) : QString()) +
                  "\n" +
                  QCoreApplication::translate("TProgrammingImage", "Значение: %1")
                      .arg(ToQString(value));
      }
    if (text.isEmpty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), text, this);
    return true;
  }
  return QWidget::event(event);
}

bool TProgrammingImage::KeyMove(int key, bool shift) {
  if (ReadOnly)
    return false;
  const int step = shift ? 10 : 1;
  int dx = 0, dy = 0;
  switch (key) {
  case Qt::Key_Left:
    dx = -step;
    break;
  case Qt::Key_Right:
    dx = step;
    break;
  case Qt::Key_Up:
    dy = -step;
    break;
  case Qt::Key_Down:
    dy = step;
    break;
  default:
    return false;
  }
  std::shared_ptr<IModule> module;
  if (SelectionOf) {
    const auto selection = SelectionOf();
    module = selection.empty() ? nullptr : selection.front();
  } else if (auto modules = Modules()) {
    module = modules->GetFocused();
  }
  if (!module || Dragging || !OnModuleKeyMove)
    return false;
  OnModuleKeyMove(module, {dx, dy});
  return true;
}

void TProgrammingImage::keyPressEvent(QKeyEvent* event) {
  if (KeyMove(event->key(), event->modifiers() & Qt::ShiftModifier) ||
      (OnKey && OnKey(event->key(), event->modifiers()))) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

void TProgrammingImage::wheelEvent(QWheelEvent* event) {
  const QPoint steps = event->angleDelta() / 120;
  if (event->modifiers() & Qt::ControlModifier) {
    if (steps.y() != 0)
      SetZoom(GetZoom() * std::pow(1.25, steps.y()), event->position().toPoint());
    event->accept();
    return;
  }
  // Plain wheel scrolls down and up, with Shift sideways.
  const int amount = static_cast<int>(-40 * (steps.y() != 0 ? steps.y() : steps.x()) / GetZoom());
  const TPoint origin = View.GetOrigin();
  if (event->modifiers() & Qt::ShiftModifier || steps.y() == 0)
    SetOrigin({origin.X + amount, origin.Y});
  else
    SetOrigin({origin.X, origin.Y + amount});
  event->accept();
}
