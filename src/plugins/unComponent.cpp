#include "plugins/unComponent.h"

#include "plugins/unPluginCall.h"
#include "plugins/unQuietOutput.h"
#include "plugins/unSignalGuard.h"

std::u16string BstrText(BSTR text) {
  if (!text)
    return {};
  return std::u16string(reinterpret_cast<const char16_t*>(text), SysStringLen(text));
}

bool ParamTextTooLong(BSTR text) {
  return text && static_cast<std::size_t>(SysStringLen(text)) * 2 > MaxParamTextBytes;
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

bool TComponent::Connect(std::string* cause) {
  auto fail = [cause](std::string why) {
    if (cause)
      *cause = std::move(why);
    return false;
  };
  // Plug-in code may change signal dispositions and print; neither outlasts the connection.
  const TSignalGuard signals;
  const TQuietOutput quiet;
  if (!Library->Initialize())
    return fail("библиотека не загружается: " + Library->GetLastError());
  InfoProc = reinterpret_cast<TZUPluginInfo>(Library->FindProcedure(u"ZU_Plugin_Info"));
  if (!InfoProc)
    return fail("нет процедуры ZU_Plugin_Info");
  TZUInfo record{};
  TZUVersion version{0, 0, 0, 0};
  const bool answered = GuardedPluginCall([&] { InfoProc(&record, &version); });
  // Whatever the plug-in put into the record before it failed is the host's to free.
  TakeInfo(record, Info);
  Version = version;
  if (!answered)
    return fail("исключение в ZU_Plugin_Info");
  RunProc = reinterpret_cast<TZUPluginRun>(Library->FindProcedure(u"ZU_Plugin_Run"));
  if (!RunProc)
    return true;
  // One text variable for both commands, not emptied in between: a plug-in that leaves it alone
  // for the outputs repeats its inputs there.
  BSTR text = nullptr;
  std::string failure;
  for (const auto& [command, list] :
       {std::pair{ZU_RUN_PARAM_IN, ParamIn.get()}, std::pair{ZU_RUN_PARAM_OUT, ParamOut.get()}}) {
    list->Clear();
    if (!GuardedPluginCall([&] { RunProc(command, 0, &text); }))
      failure = "исключение в ZU_Plugin_Run";
    else if (ParamTextTooLong(text))
      failure = ParamTextTooLongCause;
    else if (!GuardedPluginCall([&] { LoadParamList(*list, BstrText(text)); }))
      failure = "описание параметров не прочитано";
    if (!failure.empty())
      break;
  }
  SysFreeString(text);
  if (!failure.empty())
    return fail(failure);
  LoadProc = reinterpret_cast<TZUPluginLoad>(Library->FindProcedure(u"ZU_Plugin_Load"));
  if (!LoadProc)
    return true;
  UnLoadProc = reinterpret_cast<TZUPluginUnLoad>(Library->FindProcedure(u"ZU_Plugin_UnLoad"));
  return true;
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
  {
    // Unloading runs the library's own clean-up code.
    const TSignalGuard signals;
    Disconnect();
  }
  ParamIn->Clear();
  ParamOut->Clear();
  ParamIn.reset();
  ParamOut.reset();
  delete this;
}
