#include "model/unFindModules.h"

#include "model/unIModule.h"
#include "platform/unStrings.h"

#include <utility>

std::vector<std::shared_ptr<IModule>>
FindModulesWhere(const IModuleList& list, const std::function<bool(const IModule&)>& test) {
  std::vector<std::shared_ptr<IModule>> found;
  // A list of its own instead of recursion: a deep project needs no deep stack.
  std::vector<std::pair<const IModuleList*, std::int32_t>> stack{{&list, 0}};
  while (!stack.empty()) {
    auto& [current, next] = stack.back();
    if (next >= current->Count()) {
      stack.pop_back();
      continue;
    }
    const std::shared_ptr<IModule> module = current->GetItem(next++);
    if (test(*module))
      found.push_back(module);
    if (auto children = module->GetModules(); children && children->Count() > 0)
      stack.emplace_back(children.get(), 0);
  }
  return found;
}

std::vector<std::shared_ptr<IModule>> FindModules(const IModuleList& list,
                                                  std::u16string_view text) {
  if (text.empty())
    return {};
  const std::u16string wanted = UpperCaseAnsi(text);
  auto holds = [&wanted](const std::u16string& value) {
    return UpperCaseAnsi(value).find(wanted) != std::u16string::npos;
  };
  return FindModulesWhere(list, [&](const IModule& module) {
    return holds(module.GetName()) || holds(module.GetType());
  });
}
