#include "plugins/unCondition.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

bool IsSpace(char c) {
  return c == ' ' || c == '\t';
}

bool IsOperatorChar(char c) {
  return c == '<' || c == '>' || c == '=' || c == '!';
}

void SkipSpaces(std::string_view text, std::size_t& at) {
  while (at < text.size() && IsSpace(text[at]))
    ++at;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && IsSpace(text.front()))
    text.remove_prefix(1);
  while (!text.empty() && IsSpace(text.back()))
    text.remove_suffix(1);
  return text;
}

// The keyword ("and", "or", any case) at `at`, followed by a space; its length or 0.
std::size_t Keyword(std::string_view text, std::size_t at, std::string_view word) {
  if (text.size() - at <= word.size())
    return 0;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i])
      return 0;
  return IsSpace(text[at + word.size()]) ? word.size() : 0;
}

// A number in the C form, or true/false; the length read, 0 when none.
std::size_t ReadNumber(std::string_view text, double& number) {
  for (const auto& [word, value] :
       {std::pair{std::string_view("true"), 1.0}, std::pair{std::string_view("false"), 0.0}})
    if (text.substr(0, word.size()) == word &&
        (text.size() == word.size() || IsSpace(text[word.size()]))) {
      number = value;
      return word.size();
    }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc())
    return 0;
  return static_cast<std::size_t>(end - text.data());
}

} // namespace

bool ParseCondition(std::string_view text, TCondition& condition, std::string& why) {
  condition = {};
  std::size_t at = 0;
  bool joinedByAnd = false;
  for (;;) {
    SkipSpaces(text, at);
    const std::size_t nameStart = at;
    while (at < text.size() && !IsOperatorChar(text[at]))
      ++at;
    const std::string_view name = Trimmed(text.substr(nameStart, at - nameStart));
    const std::size_t dot = name.rfind('.');
    if (name.empty() || dot == std::string_view::npos || dot == 0 || dot + 1 == name.size()) {
      why = "expected MODULE.PARAM at column " + std::to_string(nameStart + 1);
      return false;
    }
    TConditionTerm term;
    term.Module = std::string(Trimmed(name.substr(0, dot)));
    term.Param = std::string(Trimmed(name.substr(dot + 1)));
    term.And = joinedByAnd;
    const std::size_t opStart = at;
    while (at < text.size() && IsOperatorChar(text[at]))
      ++at;
    const std::string_view op = text.substr(opStart, at - opStart);
    static constexpr std::pair<std::string_view, TCompareOp> Operators[] = {
        {"<", TCompareOp::Less},          {"<=", TCompareOp::LessEqual}, {">", TCompareOp::Greater},
        {">=", TCompareOp::GreaterEqual}, {"==", TCompareOp::Equal},     {"=", TCompareOp::Equal},
        {"!=", TCompareOp::NotEqual}};
    bool known = false;
    for (const auto& [written, value] : Operators)
      if (op == written) {
        term.Op = value;
        known = true;
      }
    if (!known) {
      why = "expected one of < <= > >= == != at column " + std::to_string(opStart + 1);
      return false;
    }
    SkipSpaces(text, at);
    const std::size_t read = ReadNumber(text.substr(at), term.Number);
    if (read == 0) {
      why = "expected a number at column " + std::to_string(at + 1);
      return false;
    }
    at += read;
    condition.Terms.push_back(std::move(term));
    SkipSpaces(text, at);
    if (at == text.size())
      return true;
    if (const std::size_t n = Keyword(text, at, "and")) {
      joinedByAnd = true;
      at += n;
    } else if (const std::size_t m = Keyword(text, at, "or")) {
      joinedByAnd = false;
      at += m;
    } else {
      why = "expected \"and\", \"or\" or the end at column " + std::to_string(at + 1);
      return false;
    }
  }
}

bool Compare(double value, TCompareOp op, double number) {
  switch (op) {
  case TCompareOp::Less:
    return value < number;
  case TCompareOp::LessEqual:
    return value <= number;
  case TCompareOp::Greater:
    return value > number;
  case TCompareOp::GreaterEqual:
    return value >= number;
  case TCompareOp::Equal:
    return value == number;
  case TCompareOp::NotEqual:
    return value != number;
  }
  return false;
}

double ValueNumber(std::string_view text) {
  text = Trimmed(text);
  double number = 0;
  if (text == "true")
    return 1;
  if (text == "false")
    return 0;
  if (!text.empty() && text.front() == '+')
    text.remove_prefix(1);
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size() || text.empty())
    return std::numeric_limits<double>::quiet_NaN();
  return number;
}

double LatestNumber(std::string_view text) {
  const std::size_t last = text.rfind("; ");
  return ValueNumber(last == std::string_view::npos ? text : text.substr(last + 2));
}

bool Holds(const std::vector<char>& termHolds, const std::vector<char>& joinedByAnd) {
  bool any = false, run = false;
  for (std::size_t i = 0; i < termHolds.size(); ++i) {
    if (i == 0 || !joinedByAnd[i]) {
      any = any || (i > 0 && run);
      run = termHolds[i] != 0;
    } else {
      run = run && termHolds[i] != 0;
    }
  }
  return any || (!termHolds.empty() && run);
}

std::string_view OperatorText(TCompareOp op) {
  switch (op) {
  case TCompareOp::Less:
    return "<";
  case TCompareOp::LessEqual:
    return "<=";
  case TCompareOp::Greater:
    return ">";
  case TCompareOp::GreaterEqual:
    return ">=";
  case TCompareOp::Equal:
    return "==";
  case TCompareOp::NotEqual:
    return "!=";
  }
  return "?";
}
