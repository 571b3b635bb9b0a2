#pragma once

#include <string>
#include <string_view>

class TParam;

// Typed values. A text reads as its type: "double" a number in the C locale's form ("inf" and
// "nan" too), "int" a whole number of 32 bits, "bool" true, false, 1 or 0; "string", "any", no
// type and types this program does not know take any text.
// Why the text does not read as a value of the type, for the user; empty when it does.
std::string ValueProblem(std::u16string_view type, std::u16string_view text);
// The same for a parameter, whose choices (when it has any) are the only values it takes.
std::string ValueProblem(const TParam& param, std::u16string_view text);

// The number a "double" text reads as; false when it is none.
bool ReadDouble(std::u16string_view text, double& value);
// The whole number an "int" text reads as; false when it is none.
bool ReadInt(std::u16string_view text, std::int32_t& value);
// The truth a "bool" text reads as; false when it is none.
bool ReadBool(std::u16string_view text, bool& value);
