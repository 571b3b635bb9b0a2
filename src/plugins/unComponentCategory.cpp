#include "plugins/unComponentCategory.h"

#include "platform/unLanguage.h"
#include "platform/unStrings.h"
#include "plugins/unComponent.h"

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

std::vector<const IComponent*> ComponentsByCategory(std::vector<const IComponent*> components) {
  std::stable_sort(components.begin(), components.end(), [](auto* a, auto* b) {
    const auto* ca = dynamic_cast<const TComponent*>(a);
    const auto* cb = dynamic_cast<const TComponent*>(b);
    const std::u16string ka = ca ? ca->Category : u"", kb = cb ? cb->Category : u"";
    if (const int ra = CategoryRank(ka), rb = CategoryRank(kb); ra != rb)
      return ra < rb;
    if (ka != kb)
      return ka < kb;
    return a->GetInfo().Name < b->GetInfo().Name;
  });
  return components;
}
