#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One of the values a parameter offers, with the title a user sees for it.
struct TChoice {
  std::u16string Value;
  std::u16string Title;
  friend bool operator==(const TChoice&, const TChoice&) = default;
};

// One input or output parameter of a component.
class TParam {
public:
  // Reads the "Index", "Name", "Title", "Description", "Type" and "Choices" children of a
  // "Param" element's markup;
  // each field changes only when its element is present ("Index" takes the partial number of a
  // bad text). False when the markup does not parse; what was read stays.
  bool LoadFromText(std::u16string_view text);

  std::u16string Description;
  std::int32_t Index = 0;
  std::u16string Name;
  std::u16string Title;
  // The kind of value ("double", "bool", "string", "any", ...); empty when the component names
  // none. Links join parameters of equal types, or where either is "any" or empty.
  std::u16string Type;
  // The values the parameter offers ("Choices": "Choice0", "Choice1", ... each with "Value" and
  // "Title"); empty when it takes any value of its type.
  std::vector<TChoice> Choices;
};
