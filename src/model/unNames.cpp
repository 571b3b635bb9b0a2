#include "model/unNames.h"

#include "model/unIModule.h"

#include <unordered_map>

std::u16string NameStem(const std::u16string& name) {
  std::size_t end = name.size();
  while (end > 0 && name[end - 1] >= u'0' && name[end - 1] <= u'9')
    --end;
  return name.substr(0, end);
}

std::unordered_set<std::u16string> NamesOf(const IModuleList& list) {
  std::unordered_set<std::u16string> names;
  for (std::int32_t i = 0; i < list.Count(); ++i)
    names.insert(list.GetItem(i)->GetName());
  return names;
}

std::u16string NumberedName(const std::unordered_set<std::u16string>& taken,
                            const std::u16string& stem) {
  const std::u16string base = stem.empty() ? std::u16string(u"Module") : stem;
  // At most taken.size() + 1 numbers are tried: one of them is free.
  for (std::size_t n = 1;; ++n) {
    std::u16string name = base;
    for (const char c : std::to_string(n))
      name += static_cast<char16_t>(c);
    if (!taken.contains(name))
      return name;
  }
}

std::u16string FreeName(const std::unordered_set<std::u16string>& taken,
                        const std::u16string& wanted) {
  if (!wanted.empty() && !taken.contains(wanted))
    return wanted;
  return NumberedName(taken, NameStem(wanted));
}

std::u16string FreeNameIn(const IModuleList& list, const std::u16string& wanted) {
  const std::u16string stem = wanted.empty() ? std::u16string(u"Module") : NameStem(wanted);
  bool taken = wanted.empty();
  std::unordered_set<std::uint64_t> numbers;
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    const std::u16string name = list.GetItem(i)->GetName();
    taken = taken || name == wanted;
    // "Stem" followed by a number written as NumberedName writes it (no leading zero).
    if (name.size() <= stem.size() || name.size() > stem.size() + 18 ||
        name.compare(0, stem.size(), stem) != 0 || name[stem.size()] == u'0')
      continue;
    std::uint64_t n = 0;
    bool digits = true;
    for (std::size_t k = stem.size(); k < name.size() && digits; ++k) {
      digits = name[k] >= u'0' && name[k] <= u'9';
      n = n * 10 + (name[k] - u'0');
    }
    if (digits)
      numbers.insert(n);
  }
  if (!taken)
    return wanted;
  std::uint64_t n = 1;
  while (numbers.contains(n))
    ++n;
  std::u16string name = stem;
  for (const char c : std::to_string(n))
    name += static_cast<char16_t>(c);
  return name;
}

bool NameTaken(const IModuleList& list, const std::u16string& name, const IModule* except) {
  for (std::int32_t i = 0; i < list.Count(); ++i)
    if (auto m = list.GetItem(i); m.get() != except && m->GetName() == name)
      return true;
  return false;
}

std::vector<std::vector<std::int32_t>> DuplicateNames(const IModuleList& list) {
  std::unordered_map<std::u16string, std::size_t> group; // name → index in groups
  std::vector<std::vector<std::int32_t>> groups;
  for (std::int32_t i = 0; i < list.Count(); ++i) {
    const auto [it, added] = group.emplace(list.GetItem(i)->GetName(), groups.size());
    if (added)
      groups.emplace_back();
    groups[it->second].push_back(i);
  }
  std::vector<std::vector<std::int32_t>> duplicates;
  for (auto& g : groups)
    if (g.size() > 1)
      duplicates.push_back(std::move(g));
  return duplicates;
}
