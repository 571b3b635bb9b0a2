#include "model/unModule.h"

#include "model/unModuleList.h"
#include "model/unParamList.h"
#include "model/unXmlChildIndex.h"
#include "platform/unCanvas.h"
#include "platform/unCoverage.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstdlib>

namespace {

// A parameter list's size; a failing list counts as empty, so that it cannot keep the box from
// being drawn.
std::int32_t SafeCount(const IParamList* params) {
  try {
    return params ? std::max(params->Count(), 0) : 0;
  } catch (...) {
    return 0;
  }
}

} // namespace

TModule::TModule(IProject* project, std::weak_ptr<IModuleList> parentList)
    : ParentList(std::move(parentList)), Points(std::make_unique<TPrPoints>()), Project(project) {
  auto children = std::make_shared<TModuleList>();
  children->SetOwner(this);
  Modules = std::move(children);
}

TModule::~TModule() {
  // A list kept beyond its module (by an undo step) has no owner any more.
  if (auto* children = dynamic_cast<TModuleList*>(Modules.get());
      children && children->GetOwner() == this)
    children->SetOwner(nullptr);
}

namespace {

std::atomic<std::uint64_t> Epoch{1};

} // namespace

std::uint64_t GeometryEpoch() {
  return Epoch.load(std::memory_order_relaxed);
}

void TouchGeometry() {
  Epoch.fetch_add(1, std::memory_order_relaxed);
}

void TModule::SetPosition(TPoint value) {
  PositionX = value.X;
  PositionY = value.Y;
  TouchGeometry();
}

std::int32_t TModule::DrawnHeight() const {
  const std::int64_t ports = std::max(SafeCount(ParamIn.get()), SafeCount(ParamOut.get()));
  const std::int64_t need = ports > 0 ? HeadHeight + ports * PortPitch : 0;
  // A height given that is enough is kept as it is (its sign too).
  return std::abs(std::int64_t{Height}) >= need
             ? Height
             : static_cast<std::int32_t>(std::min<std::int64_t>(need, GeometryLimit));
}

TModule::TBox TModule::Box() const {
  const std::int64_t height = DrawnHeight();
  // Far beyond any screen, coordinates stop: what is worked out from them cannot overflow.
  auto at = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -GeometryLimit, GeometryLimit));
  };
  return {at(std::int64_t{PositionX} - Width / 2), at(PositionY - height / 2),
          at(std::int64_t{PositionX} + Width / 2), at(PositionY + height / 2)};
}

std::int32_t TModule::MarkY(std::int32_t k, std::int32_t n) const {
  // Below the head, each mark in the middle of its share of the rest of the edge.
  const TRect box = Outline();
  const std::int32_t ports = std::max(SafeCount(ParamIn.get()), SafeCount(ParamOut.get()));
  const std::int32_t head = ports > 0 ? HeadHeight : 0;
  const std::int32_t step = n > 0 ? (box.Bottom - box.Top - head) / n : 0;
  return box.Top + head + step / 2 + k * step;
}

TPoint TModule::MarkPoint(bool output, std::int32_t index) const {
  const TRect box = Outline();
  const std::int32_t n = SafeCount((output ? ParamOut : ParamIn).get());
  return {output ? box.Right : box.Left, MarkY(index, n)};
}

bool TModule::MarkAt(TPoint at, std::int32_t tolerance, bool& output, std::int32_t& index) const {
  std::int64_t best = -1;
  for (const bool out : {false, true}) {
    const std::int32_t n = SafeCount((out ? ParamOut : ParamIn).get());
    for (std::int32_t k = 0; k < n; ++k) {
      const TPoint mark = MarkPoint(out, k);
      const std::int64_t dx = std::abs(std::int64_t{at.X} - mark.X);
      const std::int64_t dy = std::abs(std::int64_t{at.Y} - mark.Y);
      if (dx > tolerance || dy > tolerance)
        continue;
      const std::int64_t distance = dx * dx + dy * dy;
      if (best < 0 || distance < best) {
        best = distance;
        output = out;
        index = k;
      }
    }
  }
  return best >= 0;
}

namespace {

// The text as the canvas shows it: itself, or cut into `cut` when it is too long.
const std::u16string& Shown(const std::u16string& text, std::u16string& cut) {
  if (text.size() <= ShownNameUnits)
    return text;
  cut = ShownText(text, ShownNameUnits);
  return cut;
}

// The text as it fits in `room` on the canvas: whole, or its longest start that fits with an
// ellipsis after it; empty when not even the ellipsis fits.
std::u16string Fitted(TCanvas& canvas, const std::u16string& text, std::int32_t room, TSize& size) {
  std::u16string cut;
  const std::u16string& shown = Shown(text, cut);
  size = canvas.TextExtent(shown);
  if (size.Width <= room)
    return shown;
  std::size_t low = 0, high = shown.size();
  std::u16string best;
  while (low < high) {
    const std::size_t mid = (low + high + 1) / 2;
    std::u16string candidate = shown.substr(0, mid);
    // No half of a surrogate pair before the ellipsis.
    if (!candidate.empty() && candidate.back() >= 0xD800 && candidate.back() <= 0xDBFF)
      candidate.pop_back();
    candidate += u'\u2026';
    if (const TSize s = canvas.TextExtent(candidate); s.Width <= room) {
      best = std::move(candidate);
      size = s;
      low = mid;
    } else {
      high = mid - 1;
    }
  }
  if (best.empty()) {
    const TSize s = canvas.TextExtent(u"\u2026");
    if (s.Width > room)
      return {};
    size = s;
    return u"\u2026";
  }
  return best;
}

} // namespace

void TModule::Draw(TCanvas& canvas) {
  DrawLinked(canvas, nullptr);
}

void TModule::DrawLinked(TCanvas& canvas, const TPortsLinked* linked) {
  const TBox box = Box();
  canvas.SetPenColor(Focused && canvas.ShowsSelection() ? clRed : clBlack);
  canvas.Rectangle(box.Left, box.Top, box.Right, box.Bottom);
  DrawChildrenMark(canvas);
  DrawTitle(canvas);

  // Marks: an input's points into the box, an output's out of it; filled when linked.
  const TRect outline = Outline();
  for (const bool out : {false, true}) {
    const std::int32_t n = SafeCount((out ? ParamOut : ParamIn).get());
    const std::vector<bool>* filled = linked ? (out ? &linked->Out : &linked->In) : nullptr;
    const TColor color = out ? clBlue : clGreen;
    canvas.SetPenColor(color);
    for (std::int32_t k = 0; k < n; ++k) {
      const std::int32_t y = MarkY(k, n);
      const std::int32_t edge = out ? outline.Right : outline.Left;
      const std::int32_t back = out ? edge - MarkDepth : edge;
      const std::array<TPoint, 4> mark{{{back, y - MarkHalf},
                                        {back + MarkDepth, y},
                                        {back, y + MarkHalf},
                                        {back, y - MarkHalf}}};
      if (filled && static_cast<std::size_t>(k) < filled->size() && (*filled)[k])
        canvas.FillPolygon(std::span<const TPoint>(mark.data(), 3), color);
      else
        canvas.Polyline(mark);
    }
  }
  canvas.SetPenColor(clBlack);
  DrawNames(canvas);
}

void TModule::DrawTitle(TCanvas& canvas) const {
  const TRect box = Outline();
  std::u16string cut;
  const std::u16string& name = Shown(Name, cut);
  const TSize extent = canvas.TextExtent(name);
  const bool ports = SafeCount(ParamIn.get()) > 0 || SafeCount(ParamOut.get()) > 0;
  const std::int32_t lines = TypeTitle.empty() ? 1 : 2;
  // With parameters, the head holds the name and the title; without, they are in the middle.
  std::int32_t top = ports ? box.Top + 2 : PositionY - extent.Height * lines / 2;
  canvas.TextOut(PositionX - extent.Width / 2, top, name);
  if (TypeTitle.empty() || top + 2 * extent.Height > box.Bottom)
    return;
  TSize size;
  const std::u16string title = Fitted(canvas, TypeTitle, box.Right - box.Left - 6, size);
  if (!title.empty())
    canvas.TextOut(PositionX - size.Width / 2, top + extent.Height, title);
}

void TModule::DrawChildrenMark(TCanvas& canvas) const {
  // Two small stacked boxes in the top right corner: the module holds modules of its own.
  const TRect outline = Outline();
  if (!Modules || Modules->Count() == 0 || outline.Right - outline.Left < 24 ||
      outline.Bottom - outline.Top < 16)
    return;
  const std::int32_t right = outline.Right - 4, top = outline.Top + 4;
  canvas.Rectangle(right - 9, top, right - 2, top + 6);
  canvas.Rectangle(right - 7, top + 2, right, top + 8);
}

void TModule::DrawNames(TCanvas& canvas) const {
  // Names are written when they can be read: high enough on the picture. Each is beside its
  // mark, cut with an ellipsis only where the box is narrower than the name.
  const TSize sample = canvas.TextExtent(u"Xg");
  const std::int32_t onPicture =
      canvas.ToPicture({0, sample.Height}).Y - canvas.ToPicture({0, 0}).Y;
  if (sample.Height <= 0 || onPicture < MinNameHeight)
    return;
  const TRect box = Outline();
  const std::int32_t ins = SafeCount(ParamIn.get()), outs = SafeCount(ParamOut.get());
  const std::int32_t inner = box.Right - box.Left - 2 * NameInset;
  const std::int32_t room = ins > 0 && outs > 0 ? (inner - 6) / 2 : inner;
  for (const bool out : {false, true}) {
    const auto* params = dynamic_cast<const TParamList*>((out ? ParamOut : ParamIn).get());
    const std::int32_t n = SafeCount(params);
    for (std::int32_t k = 0; k < n; ++k) {
      const TParam* param = params->Get(k);
      if (!param || param->Name.empty())
        continue;
      TSize size;
      const std::u16string name = Fitted(canvas, param->Name, room, size);
      if (name.empty())
        continue;
      const std::int32_t y = MarkY(k, n) - size.Height / 2;
      canvas.TextOut(out ? box.Right - NameInset - size.Width : box.Left + NameInset, y, name);
    }
  }
}

TRect TModule::Outline() const {
  const TBox box = Box();
  return {std::min(box.Left, box.Right), std::min(box.Top, box.Bottom),
          std::max(box.Left, box.Right), std::max(box.Top, box.Bottom)};
}

TRect TModule::DrawnBounds(TCanvas& canvas) const {
  const TRect outline = Outline();
  const std::int64_t left = outline.Left, right = outline.Right;
  const std::int64_t top = outline.Top, bottom = outline.Bottom;
  // The name may be wider than the box, and without parameters taller.
  std::u16string cut;
  const TSize text = canvas.TextExtent(Shown(Name, cut));
  const std::int64_t textLeft = PositionX - text.Width / 2, textTop = PositionY - text.Height;
  auto clamp = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return {clamp(std::min(left - 1, textLeft)), clamp(std::min(top - 1, textTop)),
          clamp(std::max(right + 1, textLeft + text.Width)),
          clamp(std::max(bottom + 1, textTop + 2 * text.Height))};
}

namespace {

// The rectangle in the picture's pixels; margin widens it on every side.
TRect InPicture(TCanvas& canvas, TRect r, std::int32_t margin) {
  const TPoint a = canvas.ToPicture({r.Left, r.Top});
  const TPoint b = canvas.ToPicture({r.Right, r.Bottom});
  auto sub = [](std::int32_t v, std::int32_t m) {
    return static_cast<std::int32_t>(std::max<std::int64_t>(std::int64_t{v} - m, INT32_MIN));
  };
  auto add = [](std::int32_t v, std::int32_t m) {
    return static_cast<std::int32_t>(std::min<std::int64_t>(std::int64_t{v} + m, INT32_MAX));
  };
  return {sub(std::min(a.X, b.X), margin), sub(std::min(a.Y, b.Y), margin),
          add(std::max(a.X, b.X), margin), add(std::max(a.Y, b.Y), margin)};
}

} // namespace

bool TModule::Occlude(TCoverage& above, TCanvas& canvas, std::int32_t lineHeight) const {
  // Above or below the picture, with its name, the module is hidden without measuring its name:
  // a large project has most of its modules there.
  if (const TRect clip = canvas.Clip(); !clip.Empty()) {
    const TRect outline = Outline();
    const std::int32_t line = lineHeight;
    const TRect band =
        InPicture(canvas,
                  {outline.Left, std::min(outline.Top - 3, PositionY - line - 1), outline.Right,
                   std::max(outline.Bottom + 3, PositionY + line + 1)},
                  2);
    if (band.Bottom < clip.Top || band.Top > clip.Bottom)
      return true;
  }
  // Compared in the picture's pixels, with a margin for what scaling rounds.
  const TRect drawn = InPicture(canvas, DrawnBounds(canvas), 2);
  if (above.Hides(drawn.Left, drawn.Top, drawn.Right, drawn.Bottom))
    return true;
  const TRect opaque = InPicture(canvas, Outline(), 0);
  above.Add(opaque.Left, opaque.Top, opaque.Right, opaque.Bottom);
  return false;
}

bool TModule::HitTest(std::int32_t x, std::int32_t y) const {
  const TBox box = Box();
  return box.Left <= x && x <= box.Right && box.Top <= y && y <= box.Bottom;
}

void TModule::ReleaseReferences() {
  if (auto* children = dynamic_cast<TModuleList*>(Modules.get());
      children && children->GetOwner() == this)
    children->SetOwner(nullptr);
  Modules.reset();
  ParentList.reset();
  ParamIn.reset();
  ParamOut.reset();
  Points.reset();
  Project = nullptr;
}

bool TModule::LoadFromXml(const TKvenXmlNode1* element) {
  if (!element)
    return true;
  TouchGeometry();
  element->ReadString(u"Name", Name);
  element->ReadString(u"Description", Description);
  element->ReadInteger(u"Height", Height);
  element->ReadInteger(u"Width", Width);
  if (const TKvenXmlNode1* focused = element->FindChild(u"Focused"))
    Focused = ToWordBool(focused->GetValue() == u"True");
  std::int32_t value = 0;
  if (element->ReadInteger(u"PositionX", value))
    PositionX = value;
  if (element->ReadInteger(u"PositionY", value))
    PositionY = value;
  element->ReadString(u"Type", Type);
  if (Modules && !Modules->LoadFromXml(element->FindChild(u"Modules")))
    return false;
  if (Points && !Points->LoadFromXml(element->FindChild(u"Points")))
    return false;
  // The links among the children, after the children they name.
  if (Modules && !Modules->GetLinks().LoadFromXml(element->FindChild(u"Links"), *Modules))
    return false;
  InputValues.clear();
  if (!LoadNumbered(element->FindChild(u"Inputs"), "TModule", u"Input",
                    [this](const TKvenXmlNode1* entry) {
                      TInputValue value;
                      if (entry) {
                        entry->ReadString(u"Name", value.Name);
                        entry->ReadString(u"Value", value.Value);
                      }
                      InputValues.push_back(std::move(value));
                      return true;
                    }))
    return false;
  Watches.clear();
  return LoadNumbered(element->FindChild(u"Watches"), "TModule", u"Watch",
                      [this](const TKvenXmlNode1* entry) {
                        TWatch watch;
                        if (entry) {
                          entry->ReadString(u"Output", watch.Output);
                          entry->ReadInteger(u"Plot", watch.Plot);
                        }
                        // A watch of no output, or of an absurd plot, watches nothing.
                        if (!watch.Output.empty() && watch.Plot >= 0 && watch.Plot < MaxPlots)
                          Watches.push_back(std::move(watch));
                        return true;
                      });
}

void TModule::SaveToXml(TKvenXmlNode1* element) const {
  if (!element)
    return;
  element->WriteString(u"Name", Name);
  element->WriteString(u"Description", Description);
  element->WriteBoolean(u"Focused", Focused != 0);
  element->WriteInteger(u"Height", Height);
  element->WriteInteger(u"Width", Width);
  element->WriteInteger(u"PositionX", PositionX);
  element->WriteInteger(u"PositionY", PositionY);
  element->WriteString(u"Type", Type);
  if (Modules)
    Modules->SaveToXml(element->GetChild(u"Modules"));
  if (Points)
    Points->SaveToXml(element->GetChild(u"Points"));
  // Only when there are links: a file without any stays as before.
  if (Modules && Modules->GetLinks().Count() > 0)
    Modules->GetLinks().SaveToXml(element->GetChild(u"Links"), *Modules);
  // Likewise only when values were typed.
  if (!InputValues.empty())
    SaveNumbered(*element->GetChild(u"Inputs"), u"Input",
                 static_cast<std::int32_t>(InputValues.size()),
                 [this](std::int32_t i, TKvenXmlNode1* entry) {
                   const TInputValue& value = InputValues[static_cast<std::size_t>(i)];
                   entry->WriteString(u"Name", value.Name);
                   entry->WriteString(u"Value", value.Value);
                 });
  // After the values, and only when there are watches: older versions read past it.
  if (!Watches.empty())
    SaveNumbered(*element->GetChild(u"Watches"), u"Watch",
                 static_cast<std::int32_t>(Watches.size()),
                 [this](std::int32_t i, TKvenXmlNode1* entry) {
                   const TWatch& watch = Watches[static_cast<std::size_t>(i)];
                   entry->WriteString(u"Output", watch.Output);
                   entry->WriteInteger(u"Plot", watch.Plot);
                 });
}
