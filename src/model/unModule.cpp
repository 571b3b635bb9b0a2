#include "model/unModule.h"

#include "model/unModuleList.h"
#include "platform/unCanvas.h"

#include <array>

TModule::TModule(IProject* project, std::weak_ptr<IModuleList> parentList)
    : Modules(std::make_shared<TModuleList>()), ParentList(std::move(parentList)),
      Points(std::make_unique<TPrPoints>()), Project(project) {}

void TModule::SetPosition(TPoint value) {
  PositionX = value.X;
  PositionY = value.Y;
}

TModule::TBox TModule::Box() const {
  return {PositionX - Width / 2, PositionY - Height / 2, PositionX + Width / 2,
          PositionY + Height / 2};
}

void TModule::Draw(TCanvas& canvas) {
  const TBox box = Box();
  canvas.SetPenColor(Focused ? clRed : clBlack);
  canvas.Rectangle(box.Left, box.Top, box.Right, box.Bottom);
  const TSize extent = canvas.TextExtent(Name);
  canvas.TextOut(PositionX - extent.Width / 2, PositionY - extent.Height / 2, Name);

  // A failing parameter list must not keep the box from being drawn.
  try {
    if (const std::int32_t n = ParamIn ? ParamIn->Count() : 0; n > 0) {
      const std::int32_t step = Height / n;
      canvas.SetPenColor(clGreen);
      for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t y = box.Top + k * step;
        const std::array<TPoint, 3> chevron{
            {{box.Left, y - 2}, {box.Left + 3, y}, {box.Left, y + 2}}};
        canvas.Polyline(chevron);
      }
    }
  } catch (...) {
  }
  try {
    if (const std::int32_t n = ParamOut ? ParamOut->Count() : 0; n > 0) {
      const std::int32_t step = Height / n;
      canvas.SetPenColor(clBlue);
      for (std::int32_t k = 0; k < n; ++k) {
        const std::int32_t y = box.Top + k * step;
        const std::array<TPoint, 4> triangle{{{box.Right - 3, y - 2},
                                              {box.Right, y},
                                              {box.Right - 3, y + 2},
                                              {box.Right - 3, y - 2}}};
        canvas.Polyline(triangle);
      }
    }
  } catch (...) {
  }
}

bool TModule::HitTest(std::int32_t x, std::int32_t y) const {
  const TBox box = Box();
  return box.Left <= x && x <= box.Right && box.Top <= y && y <= box.Bottom;
}

void TModule::ReleaseReferences() {
  Modules.reset();
  ParentList.reset();
  ParamIn.reset();
  ParamOut.reset();
  Points.reset();
  Project = nullptr;
}
