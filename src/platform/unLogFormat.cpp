#include "platform/unLogFormat.h"

#include "platform/unStrings.h"

#include <charconv>
#include <cstddef>

namespace {

struct TSpec {
  bool LeftAlign = false;
  int Width = -1;
  int Precision = -1;
  char Conversion = 0;
};

std::size_t CodePoints(std::string_view utf8) {
  std::size_t n = 0;
  for (unsigned char c : utf8)
    n += (c & 0xC0) != 0x80;
  return n;
}

void AppendPadded(std::string& out, std::string_view body, const TSpec& spec) {
  std::size_t len = CodePoints(body);
  std::size_t pad = spec.Width > 0 && static_cast<std::size_t>(spec.Width) > len
                        ? static_cast<std::size_t>(spec.Width) - len
                        : 0;
  if (!spec.LeftAlign)
    out.append(pad, ' ');
  out.append(body);
  if (spec.LeftAlign)
    out.append(pad, ' ');
}

std::string IntegerBody(const TLogArg& arg, const TSpec& spec) {
  bool negative = false;
  std::uint64_t magnitude = 0;
  if (const auto* v32 = std::get_if<std::int32_t>(&arg)) {
    if (spec.Conversion == 'd') {
      negative = *v32 < 0;
      magnitude = negative ? 0ULL - static_cast<std::uint64_t>(static_cast<std::int64_t>(*v32))
                           : static_cast<std::uint64_t>(*v32);
    } else {
      magnitude = static_cast<std::uint32_t>(*v32);
    }
  } else if (const auto* v64 = std::get_if<std::int64_t>(&arg)) {
    if (spec.Conversion == 'd') {
      negative = *v64 < 0;
      magnitude =
          negative ? 0ULL - static_cast<std::uint64_t>(*v64) : static_cast<std::uint64_t>(*v64);
    } else {
      magnitude = static_cast<std::uint64_t>(*v64);
    }
  } else {
    throw TFormatError("integer placeholder given a non-integer argument");
  }
  char digits[32];
  auto res =
      std::to_chars(digits, digits + sizeof digits, magnitude, spec.Conversion == 'x' ? 16 : 10);
  std::string body = negative ? "-" : "";
  std::size_t count = static_cast<std::size_t>(res.ptr - digits);
  if (spec.Precision > 0 && static_cast<std::size_t>(spec.Precision) > count)
    body.append(static_cast<std::size_t>(spec.Precision) - count, '0');
  body.append(digits, count);
  return body;
}

std::string StringBody(const TLogArg& arg, const TSpec& spec) {
  std::string body;
  if (const auto* narrow = std::get_if<std::string>(&arg))
    body = *narrow;
  else if (const auto* wide = std::get_if<std::u16string>(&arg))
    body = Utf16ToUtf8(*wide);
  else
    throw TFormatError("string placeholder given a non-string argument");
  if (spec.Precision >= 0) {
    // Keep at most Precision characters, never splitting a UTF-8 sequence.
    std::size_t chars = 0, i = 0;
    for (; i < body.size(); ++i) {
      if ((static_cast<unsigned char>(body[i]) & 0xC0) != 0x80) {
        if (chars == static_cast<std::size_t>(spec.Precision))
          break;
        ++chars;
      }
    }
    body.resize(i);
  }
  return body;
}

std::string FloatBody(const TLogArg& arg, const TSpec& spec) {
  const auto* value = std::get_if<double>(&arg);
  if (!value)
    throw TFormatError("floating-point placeholder given a non-floating argument");
  std::chars_format fmt = spec.Conversion == 'f'   ? std::chars_format::fixed
                          : spec.Conversion == 'e' ? std::chars_format::scientific
                                                   : std::chars_format::general;
  int precision = spec.Precision >= 0 ? spec.Precision : 6;
  if (fmt == std::chars_format::general && precision == 0)
    precision = 1;
  char buf[400];
  auto res = std::to_chars(buf, buf + sizeof buf, *value, fmt, precision);
  if (res.ec != std::errc())
    throw TFormatError("floating-point value does not fit");
  return std::string(buf, res.ptr);
}

} // namespace

std::string FormatLog(std::string_view format, const TLogArgs& args) {
  std::string out;
  out.reserve(format.size() + 16 * args.size());
  std::size_t next = 0;
  std::size_t i = 0;
  while (i < format.size()) {
    std::size_t pct = format.find('%', i);
    if (pct == std::string_view::npos) {
      out.append(format.substr(i));
      break;
    }
    out.append(format.substr(i, pct - i));
    i = pct + 1;
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    TSpec spec;
    if (i < format.size() && format[i] == '-') {
      spec.LeftAlign = true;
      ++i;
    }
    auto readNumber = [&](int& target) {
      if (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        target = 0;
        while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
          if (target > 100000)
            throw TFormatError("width or precision too large");
          target = target * 10 + (format[i] - '0');
          ++i;
        }
      }
    };
    readNumber(spec.Width);
    if (i < format.size() && format[i] == '.') {
      ++i;
      spec.Precision = 0;
      readNumber(spec.Precision);
    }
    if (i >= format.size())
      throw TFormatError("unfinished placeholder");
    spec.Conversion = format[i++];
    if (spec.Conversion == 'X')
      spec.Conversion = 'x';
    std::string body;
    switch (spec.Conversion) {
    case 'd':
    case 'u':
    case 'x':
    case 's':
    case 'f':
    case 'g':
    case 'e':
      if (next >= args.size())
        throw TFormatError("placeholder without an argument");
      break;
    default:
      throw TFormatError(std::string("unknown placeholder %") + spec.Conversion);
    }
    const TLogArg& arg = args[next++];
    if (spec.Conversion == 's')
      body = StringBody(arg, spec);
    else if (spec.Conversion == 'f' || spec.Conversion == 'g' || spec.Conversion == 'e')
      body = FloatBody(arg, spec);
    else
      body = IntegerBody(arg, spec);
    AppendPadded(out, body, spec);
  }
  return out;
}

std::string FormatLogOrAsIs(std::string_view format, const TLogArgs& args) {
  try {
    return FormatLog(format, args);
  } catch (const TFormatError&) {
    return std::string(format);
  }
}
