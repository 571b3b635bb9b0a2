#pragma once

#include "model/unIModule.h"
#include "model/unLinkList.h"

#include <memory>
#include <vector>

class TDragShift;
class TLinkRouter;

// Draws the modules of the list from first to last (later ones on top), leaving out those that
// would not show; the modules of the shift (if any) where it moves them.
void DrawModules(TCanvas& canvas, const IModuleList& modules, const TDragShift* shift,
                 const TLinkRouter* routes = nullptr);

// An ordered list of modules; each held reference keeps its module alive.
class TModuleList : public IModuleList, public std::enable_shared_from_this<TModuleList> {
public:
  std::int32_t Count() const override;
  std::shared_ptr<IModule> GetItem(std::int32_t index) const override;
  bool Remove(const std::shared_ptr<IModule>& module) override;
  std::shared_ptr<IModule> GetFocused() const override;
  std::shared_ptr<IModule> FindAt(std::int32_t x, std::int32_t y) const override;
  bool LoadFromXml(const TKvenXmlNode1* element) override;
  // Creates a module with default values whose parent is this list. The list must be owned by a
  // shared pointer.
  std::shared_ptr<IModule> AddNew() override;
  std::shared_ptr<IModule> AddModule(std::int32_t x, std::int32_t y, const std::u16string& name,
                                     std::int32_t height, std::int32_t width) override;
  void Draw(TCanvas& canvas) override;
  void SaveToXml(TKvenXmlNode1* element) const override;
  void ClearFocus() override;
  void Insert(std::int32_t index, std::shared_ptr<IModule> module) override;
  std::int32_t IndexOf(const std::shared_ptr<IModule>& module) const override;
  // Appends a module as it is (its parent list is not changed); returns its index.
  std::int32_t Append(std::shared_ptr<IModule> module);
  TLinkList& GetLinks() override { return Links; }
  const TLinkList& GetLinks() const override { return Links; }
  IModule* GetOwner() const override { return Owner; }
  // Set by the module that holds the list, cleared when it goes.
  void SetOwner(IModule* owner) { Owner = owner; }
  // Puts exactly these modules in the list, in order (their parent lists are not changed).
  void SetItems(std::vector<std::shared_ptr<IModule>> items) { Items = std::move(items); }
  const std::vector<std::shared_ptr<IModule>>& GetItems() const { return Items; }

private:
  std::vector<std::shared_ptr<IModule>> Items;
  TLinkList Links;
  IProject* Project = nullptr; // handed to new modules; nothing sets it
  IModule* Owner = nullptr;
};
