#include "plugins/unComponent.h"

#include "plugins/unComponentAnswer.h"
#include "plugins/unPluginCall.h"

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
    : ParamIn(std::make_shared<TParamList>()), ParamOut(std::make_shared<TParamList>()) {}

TComponent::~TComponent() = default;

bool TComponent::Take(const std::u16string& fileName, const TComponentAnswer& answer,
                      std::string* cause) {
  auto fail = [cause](std::string why) {
    if (cause)
      *cause = std::move(why);
    return false;
  };
  FileName = fileName;
  if (!answer.Ok)
    return fail(answer.Cause);
  Info = answer.Info;
  Version = answer.Version;
  HasRun = answer.HasRun;
  HasLoad = answer.HasLoad;
  HasUnLoad = answer.HasUnLoad;
  Executes = answer.Executes;
  ParamIn->Clear();
  ParamOut->Clear();
  if (!HasRun)
    return true;
  for (const auto& [text, list] :
       {std::pair{&answer.ParamIn, ParamIn.get()}, std::pair{&answer.ParamOut, ParamOut.get()}}) {
    if (text->size() * 2 > MaxParamTextBytes)
      return fail(ParamTextTooLongCause);
    if (!GuardedPluginCall([&] { LoadParamList(*list, *text); }))
      return fail("описание параметров не прочитано");
  }
  return true;
}

void TComponent::ClearInfo() {
  Info = {};
  Version = {0, 0, 0, 0};
}

void TComponent::Disconnect() {
  ClearInfo();
}

void TComponent::Dispose() {
  Disconnect();
  ParamIn->Clear();
  ParamOut->Clear();
  ParamIn.reset();
  ParamOut.reset();
  delete this;
}
