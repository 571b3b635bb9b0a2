#pragma once

#include "platform/unTypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TCanvas;
class TCoverage;
class TKvenXmlNode1;
class IComponentList;
class IModuleList;
class TLinkList;

class IParamList {
public:
  virtual ~IParamList() = default;
  virtual std::int32_t Count() const = 0;
};

class IProject {
public:
  virtual ~IProject() = default;
  // The component registry the project was made with; not owned, may be null.
  virtual IComponentList* GetComponents() const = 0;
};

// The value a user typed for an input of a module: what the input takes while no link feeds it.
struct TInputValue {
  std::u16string Name;  // the input parameter's "Name"
  std::u16string Value; // the text typed
  friend bool operator==(const TInputValue&, const TInputValue&) = default;
};

// An output of a module whose values a run keeps for the scope: the output parameter's name and
// the scope's plot (0 the first) it is drawn in.
struct TWatch {
  std::u16string Output;
  std::int32_t Plot = 0;
  friend bool operator==(const TWatch&, const TWatch&) = default;
};

// Counts the changes to what modules' boxes and marks depend on (positions, sizes, parameter
// lists, the members of module lists), in every project: what depends on them is worked out
// again only after it moved.
std::uint64_t GeometryEpoch();
void TouchGeometry();

// Which parameters of a module have a link, by index: inputs and outputs.
struct TPortsLinked {
  std::vector<bool> In, Out;
};

// A module of the project tree. Empty references are null shared pointers.
class IModule {
public:
  virtual ~IModule() = default;
  virtual std::shared_ptr<IParamList> GetParamIn() const = 0;
  virtual std::shared_ptr<IParamList> GetParamOut() const = 0;
  virtual void SetParamIn(std::shared_ptr<IParamList> list) = 0;
  virtual void SetParamOut(std::shared_ptr<IParamList> list) = 0;
  virtual std::u16string GetDescription() const = 0;
  virtual TWordBool GetFocused() const = 0;
  virtual std::int32_t GetHeight() const = 0;
  virtual std::shared_ptr<IModuleList> GetModules() const = 0;
  virtual std::u16string GetName() const = 0;
  virtual TPoint GetPosition() const = 0;
  virtual std::u16string GetType() const = 0;
  virtual std::int32_t GetWidth() const = 0;
  virtual void SetDescription(const std::u16string& value) = 0;
  virtual void SetFocused(TWordBool value) = 0;
  virtual void SetHeight(std::int32_t value) = 0;
  virtual void SetName(const std::u16string& value) = 0;
  virtual void SetPosition(TPoint value) = 0;
  virtual void SetType(const std::u16string& value) = 0;
  virtual void SetWidth(std::int32_t value) = 0;
  // The typed input values, in the order they were first given (values of inputs the component
  // no longer has are kept).
  virtual const std::vector<TInputValue>& GetInputValues() const = 0;
  virtual void SetInputValues(std::vector<TInputValue> values) = 0;
  // The outputs watched, in the order they were chosen.
  virtual const std::vector<TWatch>& GetWatches() const = 0;
  virtual void SetWatches(std::vector<TWatch> watches) = 0;
  // Reads what the element holds; missing values keep theirs. False when the element asks for
  // an absurd number of entries (the reason is logged through the element's document). A null
  // element reads nothing.
  virtual bool LoadFromXml(const TKvenXmlNode1* element) = 0;
  virtual void Draw(TCanvas& canvas) = 0;
  // Draws the module with the marks of the parameters that have links filled (none for null).
  virtual void DrawLinked(TCanvas& canvas, const TPortsLinked* linked) = 0;
  // The box as drawn, edges in order: the width given, and at least as tall as the parameters'
  // names need.
  virtual TRect Outline() const = 0;
  // The title of the module's component, written under its name (empty: none). Not stored.
  virtual std::u16string GetTypeTitle() const = 0;
  virtual void SetTypeTitle(const std::u16string& value) = 0;
  // True when the point lies in the module's box, edges included.
  virtual bool HitTest(std::int32_t x, std::int32_t y) const = 0;
  // Writes every value into the element; a null element writes nothing.
  virtual void SaveToXml(TKvenXmlNode1* element) const = 0;
  // For drawing a list from its top module down: true when everything Draw would paint lies
  // under what above already hides, so that drawing it can be left out; otherwise adds the
  // module's opaque box to above.
  // lineHeight is the height of a line of the canvas's text.
  virtual bool Occlude(TCoverage& above, TCanvas& canvas, std::int32_t lineHeight) const = 0;
  // Everything Draw paints (the box, its marks and its name), in the module's coordinates.
  virtual TRect DrawnBounds(TCanvas& canvas) const = 0;
  // Where the mark of a parameter points: the k-th input's on the left edge, the k-th output's on
  // the right, in the middle of its share of the edge.
  virtual TPoint MarkPoint(bool output, std::int32_t index) const = 0;
  // The parameter whose mark is nearest to the point, within tolerance (in both directions);
  // false when no mark is that near.
  virtual bool MarkAt(TPoint at, std::int32_t tolerance, bool& output,
                      std::int32_t& index) const = 0;
};

class IModuleList {
public:
  virtual ~IModuleList() = default;
  virtual std::int32_t Count() const = 0;
  // Null outside 0 .. Count-1.
  virtual std::shared_ptr<IModule> GetItem(std::int32_t index) const = 0;
  // Drops the first occurrence (by identity); false when the module is null or not held.
  virtual bool Remove(const std::shared_ptr<IModule>& module) = 0;
  // The first focused module, or null.
  virtual std::shared_ptr<IModule> GetFocused() const = 0;
  // The last module whose box contains the point (the one drawn on top), or null.
  virtual std::shared_ptr<IModule> FindAt(std::int32_t x, std::int32_t y) const = 0;
  // Appends the modules the element describes to the list; false as for IModule::LoadFromXml.
  virtual bool LoadFromXml(const TKvenXmlNode1* element) = 0;
  virtual std::shared_ptr<IModule> AddNew() = 0;
  virtual std::shared_ptr<IModule> AddModule(std::int32_t x, std::int32_t y,
                                             const std::u16string& name, std::int32_t height,
                                             std::int32_t width) = 0;
  // Draws every module from first to last.
  virtual void Draw(TCanvas& canvas) = 0;
  virtual void SaveToXml(TKvenXmlNode1* element) const = 0;
  virtual void ClearFocus() = 0;
  // Puts a module at the index (0 .. Count; other indices append); its parent list is not
  // changed.
  virtual void Insert(std::int32_t index, std::shared_ptr<IModule> module) = 0;
  // The index of the module (by identity), or -1.
  virtual std::int32_t IndexOf(const std::shared_ptr<IModule>& module) const = 0;
  // The links among the list's modules.
  virtual TLinkList& GetLinks() = 0;
  virtual const TLinkList& GetLinks() const = 0;
  // The module whose children the list holds; null for a list of nobody's (a clipboard's) and
  // once that module is gone.
  virtual IModule* GetOwner() const = 0;
};
