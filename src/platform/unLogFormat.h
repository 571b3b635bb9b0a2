#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

// One value of a log call's argument list.
using TLogArg = std::variant<std::int32_t, std::int64_t, std::string, std::u16string, double>;
using TLogArgs = std::vector<TLogArg>;

// Raised when a format does not fit its arguments: a placeholder without an argument, an argument
// of the wrong kind, or an unknown or unfinished placeholder.
class TFormatError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// printf-style formatting into UTF-8: %d %u %x (integers), %s (narrow or wide strings),
// %f %g %e (floating point) and %%, each with an optional '-' flag, width and precision.
// Arguments beyond the last placeholder are ignored. Throws TFormatError.
std::string FormatLog(std::string_view format, const TLogArgs& args);
// FormatLog, or the format as it stands when it does not fit its arguments; never throws
// TFormatError.
std::string FormatLogOrAsIs(std::string_view format, const TLogArgs& args);
