#pragma once

#include "platform/unStrings.h"

#include <QString>
#include <string>

// UTF-16 model strings to and from Qt strings, without loss.
inline QString ToQString(const std::u16string& text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string ToU16(const QString& text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                        static_cast<std::size_t>(text.size()));
}

// The text as a view shows it: cut to at most max code units, "…" in place of the rest
// (ShownText).
inline QString ToShownQString(const std::u16string& text, std::size_t max = ShownNameUnits) {
  return text.size() <= max ? ToQString(text) : ToQString(ShownText(text, max));
}
