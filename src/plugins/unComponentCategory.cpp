#include "plugins/unComponentCategory.h"

#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "plugins/unComponent.h"
#include "plugins/unComponentList.h"

#include <algorithm>
#include <array>

namespace {

struct TCategory {
  std::u16string_view Key;
  const char* Title;
};

constexpr std::array<TCategory, 9> Categories{{{u"Math", "Математика"},
                                               {u"Logic", "Логика"},
                                               {u"Timing", "Время"},
                                               {u"Control", "Регулирование"},
                                               {u"Sources", "Источники"},
                                               {u"Text", "Тексты"},
                                               {u"Files", "Файлы"},
                                               {u"Network", "Сеть"},
                                               {u"Devices", "Устройства"}}};

} // namespace

int CategoryRank(std::u16string_view key) {
  if (key.empty())
    return static_cast<int>(Categories.size()) + 1;
  for (std::size_t i = 0; i < Categories.size(); ++i)
    if (Categories[i].Key == key)
      return static_cast<int>(i);
  return static_cast<int>(Categories.size());
}

std::string CategoryTitle(std::u16string_view key) {
  if (key.empty())
    return Say("Прочие");
  for (const TCategory& c : Categories)
    if (c.Key == key)
      return Say(c.Title);
  return Utf16ToUtf8(key);
}

std::vector<TComponentGroup> ComponentGroups(const IComponentList* components) {
  // Each component with its group's key.
  std::vector<std::pair<std::u16string, const IComponent*>> all;
  for (std::int32_t i = 0; components && i < components->GetCount(); ++i)
    if (const IComponent* c = components->GetItem(i)) {
      const auto* component = dynamic_cast<const TComponent*>(c);
      all.emplace_back(component ? component->Category : u"", c);
    }
  std::stable_sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
    if (const int ra = CategoryRank(a.first), rb = CategoryRank(b.first); ra != rb)
      return ra < rb;
    if (a.first != b.first)
      return a.first < b.first;
    return a.second->GetInfo().Name < b.second->GetInfo().Name;
  });
  std::vector<TComponentGroup> groups;
  for (std::size_t i = 0; i < all.size(); ++i) {
    if (i == 0 || all[i].first != all[i - 1].first)
      groups.push_back({CategoryTitle(all[i].first), {}});
    groups.back().Components.push_back(all[i].second);
  }
  return groups;
}
