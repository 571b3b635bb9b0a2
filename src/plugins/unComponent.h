#pragma once

#include "model/unParamList.h"
#include "plugins/unLibrary.h"
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

// One plug-in library, kept loaded, with its description and parameter lists. Created and
// destroyed by the registry (Dispose).
class TComponent : public IComponent {
public:
  TComponent();
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  std::u16string GetFileName() const override { return Library->GetFileName(); }
  TComponentInfo GetInfo() const override { return Info; }
  std::shared_ptr<IParamList> GetParamIn() const override { return ParamIn; }
  std::shared_ptr<IParamList> GetParamOut() const override { return ParamOut; }
  TZUVersion GetVersion() const override { return Version; }

  // Loads the library and asks it for its description and its parameters, in that order; stops
  // at the first step that fails (the library does not load, a procedure is missing, the plug-in
  // throws, a parameter text is above MaxParamTextBytes). What was filled stays. False, with the
  // cause, when the component cannot be used: the library does not load, ZU_Plugin_Info is
  // missing, or the plug-in failed while answering; a missing ZU_Plugin_Run, ZU_Plugin_Load or
  // ZU_Plugin_UnLoad is no failure. Signal dispositions and the program's output are kept.
  bool Connect(std::string* cause = nullptr);
  // Empties the description and sets the version to 0.0.0.0, then unloads the library.
  void Disconnect();
  void ClearInfo();
  // Disconnect, empty both parameter lists (modules sharing them keep empty lists), destroy.
  void Dispose();

  TKvenLibrary& GetLibrary() const { return *Library; }
  const std::shared_ptr<TParamList>& GetParamInList() const { return ParamIn; }
  const std::shared_ptr<TParamList>& GetParamOutList() const { return ParamOut; }

  TComponentInfo Info;
  TZUVersion Version{0, 0, 0, 0};
  TZUPluginInfo InfoProc = nullptr;
  TZUPluginLoad LoadProc = nullptr;
  TZUPluginRun RunProc = nullptr;
  TZUPluginUnLoad UnLoadProc = nullptr;

private:
  ~TComponent() override;

  std::unique_ptr<TKvenLibrary> Library;
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
inline constexpr const char* ParamTextTooLongCause = "текст описания параметров больше 1 МБ";
// True when the text is above MaxParamTextBytes (its UTF-16 bytes).
bool ParamTextTooLong(BSTR text);

// The text of a BSTR; empty for null.
std::u16string BstrText(BSTR text);
// Moves the six strings out of the record into the description and frees them in the record.
void TakeInfo(TZUInfo& record, TComponentInfo& info);
