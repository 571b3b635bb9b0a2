#pragma once

#include "model/unIModule.h"
#include "model/unPoints.h"

#include <memory>

// A module: a box on the canvas with its own child list and points.
class TModule : public IModule {
public:
  // The project is set for the main module only; the parent list is not owned.
  TModule(IProject* project, std::weak_ptr<IModuleList> parentList);
  ~TModule() override;
  TModule(const TModule&) = delete;
  TModule& operator=(const TModule&) = delete;

  std::shared_ptr<IParamList> GetParamIn() const override { return ParamIn; }
  std::shared_ptr<IParamList> GetParamOut() const override { return ParamOut; }
  void SetParamIn(std::shared_ptr<IParamList> list) override {
    ParamIn = std::move(list);
    TouchGeometry();
  }
  void SetParamOut(std::shared_ptr<IParamList> list) override {
    ParamOut = std::move(list);
    TouchGeometry();
  }
  std::u16string GetDescription() const override { return Description; }
  TWordBool GetFocused() const override { return Focused; }
  std::int32_t GetHeight() const override { return Height; }
  std::shared_ptr<IModuleList> GetModules() const override { return Modules; }
  std::u16string GetName() const override { return Name; }
  TPoint GetPosition() const override { return {PositionX, PositionY}; }
  std::u16string GetType() const override { return Type; }
  std::int32_t GetWidth() const override { return Width; }
  void SetDescription(const std::u16string& value) override { Description = value; }
  void SetFocused(TWordBool value) override { Focused = ToWordBool(value != 0); }
  void SetHeight(std::int32_t value) override {
    Height = value;
    TouchGeometry();
  }
  void SetName(const std::u16string& value) override { Name = value; }
  void SetPosition(TPoint value) override;
  void SetType(const std::u16string& value) override { Type = value; }
  void SetWidth(std::int32_t value) override {
    Width = value;
    TouchGeometry();
  }
  const std::vector<TInputValue>& GetInputValues() const override { return InputValues; }
  void SetInputValues(std::vector<TInputValue> values) override { InputValues = std::move(values); }
  const std::vector<TWatch>& GetWatches() const override { return Watches; }
  void SetWatches(std::vector<TWatch> watches) override { Watches = std::move(watches); }
  bool LoadFromXml(const TKvenXmlNode1* element) override;
  void Draw(TCanvas& canvas) override;
  void DrawLinked(TCanvas& canvas, const TPortsLinked* linked) override;
  TRect Outline() const override;
  std::u16string GetTypeTitle() const override { return TypeTitle; }
  void SetTypeTitle(const std::u16string& value) override { TypeTitle = value; }
  bool HitTest(std::int32_t x, std::int32_t y) const override;
  void SaveToXml(TKvenXmlNode1* element) const override;
  bool Occlude(TCoverage& above, TCanvas& canvas, std::int32_t lineHeight) const override;
  TRect DrawnBounds(TCanvas& canvas) const override;
  TPoint MarkPoint(bool output, std::int32_t index) const override;
  bool MarkAt(TPoint at, std::int32_t tolerance, bool& output, std::int32_t& index) const override;
  // Parameter names are written beside their marks only when their text is at least this many
  // pixels high on the picture.
  static constexpr std::int32_t MinNameHeight = 7;
  // A box with parameters has its name and its component's title in a head this high, and then
  // at least PortPitch for each parameter of the side that has more.
  static constexpr std::int32_t HeadHeight = 36;
  static constexpr std::int32_t PortPitch = 18;
  // Where the names of the parameters start, inside the box, from its edge.
  static constexpr std::int32_t NameInset = 8;
  // Boxes are drawn within this distance of the origin, whatever a file gives.
  static constexpr std::int32_t GeometryLimit = 1 << 29;
  // A mark is a triangle this deep into the box and twice this high.
  static constexpr std::int32_t MarkDepth = 6;
  static constexpr std::int32_t MarkHalf = 4;

  // Drops every reference the module holds (children, parent, parameters, points, project).
  void ReleaseReferences();
  TPrPoints* GetPoints() const { return Points.get(); }
  std::shared_ptr<IModuleList> GetParentList() const { return ParentList.lock(); }
  IProject* GetProject() const { return Project; }

private:
  struct TBox {
    std::int32_t Left, Top, Right, Bottom;
  };
  TBox Box() const;
  // The height the box is drawn with: the one given, or what its parameters need.
  std::int32_t DrawnHeight() const;
  // The y of the k-th of n marks down the box.
  std::int32_t MarkY(std::int32_t k, std::int32_t n) const;
  // Marks a module that holds modules of its own, when the box has room for the mark.
  void DrawChildrenMark(TCanvas& canvas) const;
  // Writes the parameters' names inside the box beside their marks, when they fit.
  void DrawNames(TCanvas& canvas) const;
  // Writes the module's name, and its component's title under it: in the head of a box with
  // parameters, else in the middle.
  void DrawTitle(TCanvas& canvas) const;

  std::u16string Description;
  TWordBool Focused = WordFalse;
  std::int32_t Height = 100;
  std::vector<TInputValue> InputValues;
  std::vector<TWatch> Watches;

public:
  // The scope has at most this many plots.
  static constexpr std::int32_t MaxPlots = 16;
  std::shared_ptr<IModuleList> Modules;
  std::u16string Name = u"Module";
  std::weak_ptr<IModuleList> ParentList;
  std::shared_ptr<IParamList> ParamIn;
  std::shared_ptr<IParamList> ParamOut;
  std::unique_ptr<TPrPoints> Points;
  std::int32_t PositionX = 100;
  std::int32_t PositionY = 100;
  IProject* Project = nullptr;
  std::u16string Type;
  std::u16string TypeTitle;
  std::int32_t Width = 100;
};
