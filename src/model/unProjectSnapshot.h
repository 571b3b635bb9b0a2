#pragma once

#include "model/unIModule.h"
#include "platform/unTypes.h"

#include <memory>
#include <string>
#include <vector>

class IModule;
class IModuleList;
class TProject;

// What a project file holds (names, values, points, children and links of every module; not
// the parameter lists, which come from the components), copied in one pass so that a project can
// be written by another thread while the user goes on changing it.
class TProjectSnapshot {
public:
  // Copies the project; null without a main module.
  static std::shared_ptr<const TProjectSnapshot> Take(const TProject& project);
  // A project with the copied values and the file name, ready to be saved.
  std::unique_ptr<TProject> Build() const;

private:
  struct TModuleCopy {
    std::u16string Name, Description, Type;
    std::int32_t X = 0, Y = 0, Height = 0, Width = 0;
    bool Focused = false;
    std::vector<TPoint> Points;
    std::vector<TInputValue> Inputs;
    std::vector<TWatch> Watches;
    // How many children follow (each with its own children after it).
    std::int32_t Children = 0;
  };
  struct TLinkCopy {
    // The module (in Modules) whose list holds the link; the ends' indices in that list, -1
    // when an end names no module of it.
    std::size_t Owner = 0;
    std::int32_t From = -1, To = -1;
    std::u16string Output, Input, FromText, ToText;
    std::vector<TPoint> Points;
    bool HasPoints = false;
  };
  void CopyModule(const IModule& module);
  void CopyLinks(std::size_t owner, const IModuleList& list);

  std::u16string Name, FileName;
  std::vector<std::u16string> Breaks;
  // The main module first, then every module, each before its children.
  std::vector<TModuleCopy> Modules;
  std::vector<TLinkCopy> Links;
};
