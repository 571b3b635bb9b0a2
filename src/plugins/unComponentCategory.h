#pragma once

#include <string>
#include <string_view>
#include <vector>

class IComponent;
class IComponentList;

// The groups a palette lists components in. A component names its group by a key
// (ZU_Plugin_Category); known keys come in this order, then others by name, then the components
// that name none.

// Where the group of the key stands among the groups (smaller first).
int CategoryRank(std::u16string_view key);
// The group's title in the user's language; an unknown key is its own title.
std::string CategoryTitle(std::u16string_view key);
// One group of components, in palette order.
struct TComponentGroup {
  std::string Title;                         // in the user's language
  std::vector<const IComponent*> Components; // by name
};
// The registry's components by group, the groups in palette order (none for a null registry).
std::vector<TComponentGroup> ComponentGroups(const IComponentList* components);
