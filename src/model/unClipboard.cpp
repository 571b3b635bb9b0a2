#include "model/unClipboard.h"

#include "model/unIModule.h"
#include "model/unLinkList.h"
#include "model/unMissingEntries.h"
#include "model/unModule.h"
#include "model/unModuleList.h"
#include "model/unProject.h"
#include "model/unXmlChildIndex.h"
#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "xml/unXml.h"

#include <algorithm>

namespace {

// The modules of the list and the links among them in a project file's document.
void WriteModules(const IModuleList& list, const std::vector<std::shared_ptr<IModule>>& modules,
                  TKvenXmlDocument1& document) {
  // A list of its own holds the modules (shared, only written) and the links among them.
  auto copied = std::make_shared<TModuleList>();
  for (std::int32_t i = 0; i < list.Count(); ++i)
    if (auto m = list.GetItem(i); std::find(modules.begin(), modules.end(), m) != modules.end())
      copied->Insert(copied->Count(), m);
  const TLinkList& links = list.GetLinks();
  for (std::int32_t i = 0; i < links.Count(); ++i) {
    auto link = links.Get(i);
    if (copied->IndexOf(link->From) >= 0 && copied->IndexOf(link->To) >= 0)
      copied->GetLinks().Add(link);
  }
  TKvenXmlNode1* root = document.GetRoot();
  root->SetName(std::u16string(ProjectRootName));
  TKvenXmlNode1* main = root->GetChild(u"ModuleMain");
  copied->SaveToXml(main->GetChild(u"Modules"));
  if (copied->GetLinks().Count() > 0)
    copied->GetLinks().SaveToXml(main->GetChild(u"Links"), *copied);
}

} // namespace

std::u16string CopyModules(const IModuleList& list,
                           const std::vector<std::shared_ptr<IModule>>& modules) {
  TKvenXmlDocument1 document;
  WriteModules(list, modules, document);
  return document.GetXml();
}

TResult ExportModules(const IModuleList& list, const std::vector<std::shared_ptr<IModule>>& modules,
                      const std::u16string& file) {
  TKvenXmlDocument1 document;
  WriteModules(list, modules, document);
  return document.SaveToFile(file);
}

TResult ReadModulesFile(const std::u16string& file, std::u16string& text) {
  TKvenXmlDocument1 document;
  if (TResult read = document.LoadFromFile(file); !read)
    return read;
  text = document.GetXml();
  TClipboardContent content;
  if (!PasteModules(text, content))
    return TResult::Failed(Say("В файле \"%s\" нет модулей проекта", {Utf16ToUtf8(file)}));
  return TResult::Done();
}

bool PasteModules(std::u16string_view text, TClipboardContent& content) {
  content = {};
  TKvenXmlDocument1 document;
  // A damaged text may ask for absurd lists: the same budget as a file's.
  const TMissingEntries budget(MaxMissingEntries);
  if (!document.LoadXml(text) || !document.HasElement() ||
      document.GetRoot()->GetName() != ProjectRootName)
    return false;
  const TKvenXmlNode1* main = document.GetRoot()->FindChild(u"ModuleMain");
  if (!main)
    return false;
  TModule holder(nullptr, {});
  if (!holder.LoadFromXml(main) || holder.GetModules()->Count() == 0)
    return false;
  auto modules = holder.GetModules();
  for (std::int32_t i = 0; i < modules->Count(); ++i)
    content.Modules.push_back(modules->GetItem(i));
  for (std::int32_t i = 0; i < modules->GetLinks().Count(); ++i)
    content.Links.push_back(modules->GetLinks().Get(i));
  return true;
}
