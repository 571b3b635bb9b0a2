#pragma once

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
