#include "plugins/unComponentReport.h"

#include "model/unParamList.h"
#include "platform/unIntText.h"

namespace {

const std::u16string Equals(44, u'=');
const std::u16string Hyphens(44, u'-');

void AddParams(std::vector<std::u16string>& lines, const std::shared_ptr<IParamList>& list,
               std::u16string_view caption) {
  const auto* params = dynamic_cast<const TParamList*>(list.get());
  if (!params)
    return;
  for (std::int32_t i = 0; i < params->Count(); ++i) {
    const TParam* p = params->Get(i);
    if (!p)
      continue; // the position still counts
    lines.push_back(u"  --- " + std::u16string(caption) + u"[" + IntToText(i) + u"] ---");
    lines.push_back(u"Index:       " + IntToText(p->Index));
    lines.push_back(u"Name:        " + p->Name);
    lines.push_back(u"Title:       " + p->Title);
    lines.push_back(u"Description: " + p->Description);
  }
}

} // namespace

std::vector<std::u16string> ComponentReport(const IComponent& component) {
  const TComponentInfo info = component.GetInfo();
  const TZUVersion v = component.GetVersion();
  std::vector<std::u16string> lines{Equals,
                                    u"Name:        " + info.Name,
                                    u"Title:       " + info.Title,
                                    u"Description: " + info.Description,
                                    u"Author:      " + info.Author,
                                    u"Copyright:   " + info.Copyright,
                                    u"HomePage:    " + info.HomePage,
                                    u"Version:     " + IntToText(v.Major) + u"." +
                                        IntToText(v.Minor) + u"." + IntToText(v.Release) + u"." +
                                        IntToText(v.Build),
                                    Hyphens};
  AddParams(lines, component.GetParamIn(), u"ParamIn");
  lines.push_back(Hyphens);
  AddParams(lines, component.GetParamOut(), u"ParamOut");
  lines.push_back(Equals);
  return lines;
}
