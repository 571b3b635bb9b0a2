#include "model/unValueType.h"

#include "model/unParam.h"
#include "platform/unLanguage.h"
#include "platform/unStrings.h"

#include <cctype>
#include <charconv>
#include <cstdint>

namespace {

// The text as ASCII without the spaces around it; false when it holds anything else.
bool Ascii(std::u16string_view text, std::string& out) {
  std::size_t from = 0, to = text.size();
  while (from < to && (text[from] == u' ' || text[from] == u'\t'))
    ++from;
  while (to > from && (text[to - 1] == u' ' || text[to - 1] == u'\t'))
    --to;
  out.clear();
  for (std::size_t i = from; i < to; ++i) {
    if (text[i] > 0x7E || text[i] < 0x21)
      return false;
    out += static_cast<char>(text[i]);
  }
  return !out.empty();
}

std::string Lower(std::string text) {
  for (char& c : text)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// A text as the user reads it in a reason: cut when long.
std::string Quoted(std::u16string_view text) {
  constexpr std::size_t Longest = 40;
  std::u16string shown(text.substr(0, Longest));
  if (text.size() > Longest)
    shown += u"…";
  return Utf16ToUtf8(shown);
}

} // namespace

bool ReadDouble(std::u16string_view text, double& value) {
  std::string ascii;
  if (!Ascii(text, ascii))
    return false;
  const char* first = ascii.data();
  const char* last = ascii.data() + ascii.size();
  if (*first == '+')
    ++first;
  if (first == last || *first == '+')
    return false;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

bool ReadInt(std::u16string_view text, std::int32_t& value) {
  std::string ascii;
  if (!Ascii(text, ascii))
    return false;
  const char* first = ascii.data();
  const char* last = ascii.data() + ascii.size();
  if (*first == '+')
    ++first;
  if (first == last || *first == '+')
    return false;
  const auto [end, error] = std::from_chars(first, last, value);
  return error == std::errc() && end == last;
}

bool ReadBool(std::u16string_view text, bool& value) {
  std::string ascii;
  if (!Ascii(text, ascii))
    return false;
  const std::string word = Lower(ascii);
  if (word == "true" || word == "1") {
    value = true;
    return true;
  }
  if (word == "false" || word == "0") {
    value = false;
    return true;
  }
  return false;
}

std::string ValueProblem(std::u16string_view type, std::u16string_view text) {
  if (type == u"double") {
    double value = 0;
    if (!ReadDouble(text, value))
      return Say("«%s» — не число (double)", {Quoted(text)});
  } else if (type == u"int") {
    std::int32_t value = 0;
    if (!ReadInt(text, value))
      return Say("«%s» — не целое число от -2147483648 до 2147483647 (int)", {Quoted(text)});
  } else if (type == u"bool") {
    bool value = false;
    if (!ReadBool(text, value))
      return Say("«%s» — не логическое значение: true, false, 1 или 0 (bool)", {Quoted(text)});
  }
  return {};
}

std::string ValueProblem(const TParam& param, std::u16string_view text) {
  if (!param.Choices.empty()) {
    std::u16string values;
    for (const TChoice& choice : param.Choices) {
      if (choice.Value == text)
        return {};
      if (!values.empty())
        values += u", ";
      values += choice.Value;
    }
    return Say("«%s» — не один из вариантов: %s", {Quoted(text), Utf16ToUtf8(values)});
  }
  return ValueProblem(param.Type, text);
}
