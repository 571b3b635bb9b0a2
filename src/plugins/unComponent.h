#pragma once

#include "model/unParamList.h"
#include "zu_plugin.h"

#include <memory>
#include <string>

// A component's description as the host keeps it: the strings of TZUInfo, copied out of the
// plug-in's record (whose strings are freed at once).
struct TComponentInfo {
  std::u16string Name;
  std::u16string Title;
  std::u16string Description;
  std::u16string Author;
  std::u16string Copyright;
  std::u16string HomePage;
};

// The read-only view of one registered component.
class IComponent {
public:
  virtual ~IComponent() = default;
  virtual std::u16string GetFileName() const = 0;
  virtual TComponentInfo GetInfo() const = 0;
  virtual std::shared_ptr<IParamList> GetParamIn() const = 0;
  virtual std::shared_ptr<IParamList> GetParamOut() const = 0;
  virtual TZUVersion GetVersion() const = 0;
};

struct TComponentAnswer;

// One registered plug-in library as a component host described it: its description, its
// parameter lists and which entry points it has. The library itself is never loaded here.
// Created and destroyed by the registry (Dispose).
class TComponent : public IComponent {
public:
  TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::u16string GetFileName() const override { return FileName; }
  TComponentInfo GetInfo() const override { return Info; }
  std::shared_ptr<IParamList> GetParamIn() const override { return ParamIn; }
  std::shared_ptr<IParamList> GetParamOut() const override { return ParamOut; }
  TZUVersion GetVersion() const override { return Version; }

  // Takes a host's answer about the library file: the description, the entry points, and both
  // parameter lists read from their texts (a text that does not parse gives an empty list). False,
  // with the cause, when the answer says the file cannot be used or a text could not be read.
  bool Take(const std::u16string& fileName, const TComponentAnswer& answer,
            std::string* cause = nullptr);
  // Empties the description and sets the version to 0.0.0.0.
  void Disconnect();
  void ClearInfo();
  // Disconnect, empty both parameter lists (modules sharing them keep empty lists), destroy.
  void Dispose();

  const std::shared_ptr<TParamList>& GetParamInList() const { return ParamIn; }
  const std::shared_ptr<TParamList>& GetParamOutList() const { return ParamOut; }

  TComponentInfo Info;
  TZUVersion Version{0, 0, 0, 0};
  std::u16string FileName;
  // Which entry points the library exports.
  bool HasRun = false;
  bool HasLoad = false;
  bool HasUnLoad = false;
  // It has the execution interface: its modules can run. Without it a component is a
  // description only.
  bool Executes = false;
  // The palette's group the component names (ZU_Plugin_Category); empty: none.
  std::u16string Category;

private:
  ~TComponent() override;

  std::shared_ptr<TParamList> ParamIn;
  std::shared_ptr<TParamList> ParamOut;
};

// Calls Dispose; for owners that keep components in smart pointers.
struct TComponentDisposer {
  void operator()(TComponent* component) const {
    if (component)
      component->Dispose();
  }
};

// A parameter text above this many bytes is refused: the component is skipped.
inline constexpr std::size_t MaxParamTextBytes = 1 << 20;
// The most bytes of a component's category that are kept.
inline constexpr std::size_t MaxCategoryBytes = 64;
inline constexpr const char* ParamTextTooLongCause = "текст описания параметров больше 1 МБ";
