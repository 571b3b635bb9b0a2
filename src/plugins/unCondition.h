#pragma once

#include <string>
#include <string_view>
#include <vector>

// Break conditions: comparisons of a value with a number, joined by "and" and "or" ("and" binds
// first): "Gen1.Signal > 0.9", "Cmp.Out == true or Filter/Adder1.Sum >= 10".
enum class TCompareOp { Less, LessEqual, Greater, GreaterEqual, Equal, NotEqual };

struct TConditionTerm {
  std::string Module; // how runs label the module ("Filter/Adder1")
  std::string Param;  // its output (or input, whose value is its feeding output's)
  TCompareOp Op = TCompareOp::Greater;
  double Number = 0;
  bool And = false; // joined to the term before by "and" (otherwise "or"); false for the first
  friend bool operator==(const TConditionTerm&, const TConditionTerm&) = default;
};

struct TCondition {
  std::vector<TConditionTerm> Terms;
  friend bool operator==(const TCondition&, const TCondition&) = default;
};

// Reads a condition; false with the reason (naming what was expected where) when the text is
// none. A name is MODULE.PARAM, split at its last '.'; a number is in the C form, or true/false.
bool ParseCondition(std::string_view text, TCondition& condition, std::string& why);

// Whether `value op number` holds; a NaN value holds for "!=" alone.
bool Compare(double value, TCompareOp op, double number);
// The number a value text reads as (a number in the C form, or true/false as 1/0); NaN when none.
double ValueNumber(std::string_view text);
// The number a watched value stands for: the value's own, or for a list of values separated by
// "; " (a recorder's window, oldest first) its newest; NaN when none.
double LatestNumber(std::string_view text);
// Whether terms joined as given hold, given whether each one holds: an "or" of runs of "and"
// (joinedByAnd[i]: term i is joined to the one before by "and").
bool Holds(const std::vector<char>& termHolds, const std::vector<char>& joinedByAnd);
// The operator as it is written ("<=").
std::string_view OperatorText(TCompareOp op);
