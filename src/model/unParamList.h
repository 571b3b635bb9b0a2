#pragma once

#include "model/unIModule.h"
#include "model/unParam.h"

#include <memory>
#include <vector>

// An ordered list of parameters; owns them.
class TParamList : public IParamList {
public:
  std::int32_t Count() const override;
  // Appends and returns the new index.
  std::int32_t Add(std::unique_ptr<TParam> param);
  TParam* AddNew();
  void Clear();
  // Null outside 0 .. Count-1.
  TParam* Get(std::int32_t index) const;
  // The list stands for a subsystem's ports (or a boundary module's one value), not for a
  // component's parameters.
  bool Ports = false;

private:
  std::vector<std::unique_ptr<TParam>> Items;
};

// Refills the list from a component's answer: one parameter per child named exactly "Param" of
// the answer document's root, in document order; other children are skipped. False, with the
// list left empty, when the answer does not parse.
bool LoadParamList(TParamList& list, std::u16string_view answer);
