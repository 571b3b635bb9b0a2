#include "model/unParamList.h"

std::int32_t TParamList::Count() const {
  return static_cast<std::int32_t>(Items.size());
}

std::int32_t TParamList::Add(std::unique_ptr<TParam> param) {
  Items.push_back(std::move(param));
  return Count() - 1;
}

TParam* TParamList::AddNew() {
  auto* param = new TParam;
  Add(std::unique_ptr<TParam>(param));
  return param;
}

void TParamList::Clear() {
  Items.clear();
}

TParam* TParamList::Get(std::int32_t index) const {
  return index >= 0 && index < Count() ? Items[static_cast<std::size_t>(index)].get() : nullptr;
}
