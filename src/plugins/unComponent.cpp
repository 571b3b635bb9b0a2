#include "plugins/unComponent.h"

#include "platform/unStrings.h"
#include "plugins/unComponentAnswer.h"
#include "plugins/unPluginCall.h"

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
  Category = Utf8ToUtf16(answer.Category);
  ParamIn->Clear();
  ParamOut->Clear();
  if (!HasRun)
    return true;
  for (const auto& [text, list] :
       {std::pair{&answer.ParamIn, ParamIn.get()}, std::pair{&answer.ParamOut, ParamOut.get()}}) {
    if (text->size() * 2 > MaxParamTextBytes)
      return fail(ParamTextTooLongCause);
    if (!GuardedPluginCall([l = list, t = text] { LoadParamList(*l, *t); }))
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
