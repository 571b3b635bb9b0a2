#include "plugins/unComponent.h"

#include "plugins/unPluginCall.h"

std::u16string BstrText(BSTR text) {
  if (!text)
    return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

void TakeInfo(TZUInfo& record, TComponentInfo& info) {
  BSTR* const fields[] = {&record.Name,   &record.Title,     &record.Description,
                          &record.Author, &record.Copyright, &record.HomePage};
  std::u16string* const texts[] = {&info.Name,   &info.Title,     &info.Description,
                                   &info.Author, &info.Copyright, &info.HomePage};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    *texts[i] = BstrText(*fields[i]);
    SysFreeString(*fields[i]);
    *fields[i] = nullptr;
  }
}

TComponent::TComponent()
    : Library(std::make_unique<TKvenLibrary>()), ParamIn(std::make_shared<TParamList>()),
      ParamOut(std::make_shared<TParamList>()) {}

TComponent::~TComponent() = default;

void TComponent::Connect() {
  if (!Library->Initialize())
    return;
  InfoProc = reinterpret_cast<TZUPluginInfo>(Library->FindProcedure(u"ZU_Plugin_Info"));
  if (!InfoProc)
    return;
  TZUInfo record{};
  TZUVersion version{0, 0, 0, 0};
  const bool answered = GuardedPluginCall([&] { InfoProc(&record, &version); });
  // Whatever the plug-in put into the record before it failed is the host's to free.
  TakeInfo(record, Info);
  Version = version;
  if (!answered)
    return;
  RunProc = reinterpret_cast<TZUPluginRun>(Library->FindProcedure(u"ZU_Plugin_Run"));
  if (!RunProc)
    return;
  // One text variable for both commands, not emptied in between: a plug-in that leaves it alone
  // for the outputs repeats its inputs there.
  BSTR text = nullptr;
  bool ok = true;
  for (const auto& [command, list] :
       {std::pair{ZU_RUN_PARAM_IN, ParamIn.get()}, std::pair{ZU_RUN_PARAM_OUT, ParamOut.get()}}) {
    list->Clear();
    ok = GuardedPluginCall([&] { RunProc(command, 0, &text); }) &&
         GuardedPluginCall([&] { LoadParamList(*list, BstrText(text)); });
    if (!ok)
      break;
  }
  SysFreeString(text);
  if (!ok)
    return;
  LoadProc = reinterpret_cast<TZUPluginLoad>(Library->FindProcedure(u"ZU_Plugin_Load"));
  if (!LoadProc)
    return;
  UnLoadProc = reinterpret_cast<TZUPluginUnLoad>(Library->FindProcedure(u"ZU_Plugin_UnLoad"));
}

void TComponent::ClearInfo() {
  Info = {};
  Version = {0, 0, 0, 0};
}

void TComponent::Disconnect() {
  ClearInfo();
  InfoProc = nullptr;
  LoadProc = nullptr;
  RunProc = nullptr;
  UnLoadProc = nullptr;
  Library->Finalize();
}

void TComponent::Dispose() {
  Disconnect();
  ParamIn->Clear();
  ParamOut->Clear();
  ParamIn.reset();
  ParamOut.reset();
  delete this;
}
