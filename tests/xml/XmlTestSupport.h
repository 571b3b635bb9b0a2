#pragma once

#include "log/unLogGlobals.h"
#include "platform/unStrings.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

// Records every message of a log handler, formatted.
struct TRecordingLog {
  struct TEntry {
    TLogGroupMessage Group;
    TLogTypeMessage Type;
    std::string Text;
  };
  TAddToLog Handler() {
    return [this](TLogGroupMessage g, TLogTypeMessage t, const std::string& f, const TLogArgs& a) {
      Entries.push_back({g, t, FormatLog(f, a)});
      return true;
    };
  }
  std::vector<std::string> Errors() const {
    std::vector<std::string> out;
    for (const auto& e : Entries)
      if (e.Type == ltError)
        out.push_back(e.Text);
    return out;
  }
  std::vector<TEntry> Entries;
};

// A fresh folder under the system's temporary folder, removed with the object.
struct TTempFolder {
  TTempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zu-test-XXXXXX").string();
    Path = mkdtemp(pattern.data());
  }
  ~TTempFolder() {
    std::error_code ec;
    std::filesystem::permissions(Path, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(Path, ec);
  }
  std::u16string File(const std::string& name) const { return Utf8ToUtf16((Path / name).string()); }
  std::filesystem::path Path;
};

inline std::string ReadBytes(const std::u16string& file) {
  std::ifstream in(Utf16ToUtf8(file), std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const std::u16string& file, const std::string& bytes) {
  std::ofstream out(Utf16ToUtf8(file), std::ios::binary);
  out << bytes;
}
