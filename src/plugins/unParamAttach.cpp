#include "plugins/unParamAttach.h"

#include "model/unIModule.h"
#include "model/unParamList.h"
#include "model/unPorts.h"
#include "platform/unStrings.h"
#include "plugins/unComponentList.h"

#include <map>
#include <sys/stat.h>
#include <vector>

namespace {

std::u16string FileNameOf(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

// Types resolved once per distinct text: a project of many modules names few components.
class TResolver {
public:
  explicit TResolver(const IComponentList* registry) : Registry(registry) {
    for (std::int32_t i = 0; Registry && i < Registry->GetCount(); ++i)
      if (IComponent* c = Registry->GetItem(i)) {
        ByPath.emplace(c->GetFileName(), c);
        ByName.emplace(FileNameOf(c->GetFileName()), c); // the first of a name stays
      }
  }
  IComponent* Resolve(const std::u16string& type) {
    if (type.empty() || !Registry)
      return nullptr;
    const auto known = Resolved.find(type);
    if (known != Resolved.end())
      return known->second;
    IComponent* found = nullptr;
    if (const auto path = ByPath.find(type); path != ByPath.end()) {
      found = path->second;
    } else if (struct stat st{}; stat(Utf16ToUtf8(type).c_str(), &st) == 0) {
      // Another name of a component's file (a link, another path to it) is that component.
      if (const auto file = Files().find({st.st_dev, st.st_ino}); file != Files().end())
        found = file->second;
    } else if (const auto name = ByName.find(FileNameOf(type)); name != ByName.end()) {
      found = name->second;
    }
    Resolved.emplace(type, found);
    return found;
  }

private:
  // The components by the file their library is, found when first asked.
  std::map<std::pair<dev_t, ino_t>, IComponent*>& Files() {
    if (!FilesKnown) {
      FilesKnown = true;
      for (std::int32_t i = 0; Registry && i < Registry->GetCount(); ++i)
        if (IComponent* c = Registry->GetItem(i))
          if (struct stat st{}; stat(Utf16ToUtf8(c->GetFileName()).c_str(), &st) == 0)
            ByFile.emplace(std::make_pair(st.st_dev, st.st_ino), c); // the first stays
    }
    return ByFile;
  }

  const IComponentList* Registry;
  std::map<std::u16string, IComponent*> ByPath, ByName, Resolved;
  std::map<std::pair<dev_t, ino_t>, IComponent*> ByFile;
  bool FilesKnown = false;
};

} // namespace

IComponent* ComponentOfType(const IComponentList* registry, const std::u16string& type) {
  return TResolver(registry).Resolve(type);
}

std::size_t AttachParameters(IModuleList& modules, const IComponentList* registry) {
  TResolver resolver(registry);
  std::size_t missing = 0;
  // Level by level with a list of its own: a deep tree needs no deep recursion.
  std::vector<IModuleList*> lists{&modules};
  while (!lists.empty()) {
    IModuleList* list = lists.back();
    lists.pop_back();
    for (std::int32_t i = 0; i < list->Count(); ++i) {
      const std::shared_ptr<IModule> module = list->GetItem(i);
      const std::u16string type = module->GetType();
      if (IsPort(*module)) {
        // A boundary module's one value is its own (UpdatePorts).
      } else if (IComponent* component = resolver.Resolve(type)) {
        module->SetParamIn(component->GetParamIn());
        module->SetParamOut(component->GetParamOut());
        module->SetTypeTitle(component->GetInfo().Title);
      } else if (!type.empty()) {
        ++missing;
        module->SetTypeTitle({});
        module->SetParamIn(std::make_shared<TParamList>());
        module->SetParamOut(std::make_shared<TParamList>());
      }
      // Boundary modules and subsystems show their ports, whatever a type gives.
      const auto children = module->GetModules();
      const bool holds = children && children->Count() > 0;
      if (holds || IsPort(*module))
        UpdatePorts(*module);
      if (holds)
        lists.push_back(children.get());
    }
  }
  return missing;
}
