#pragma once

#include "plugins/unComponentAnswer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// What tells one version of a file from another: a changed file has a new stamp.
struct TFileStamp {
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;
  std::int64_t ChangedNs = 0;
  std::int64_t Inode = 0;
  std::int64_t Device = 0;
  friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The file's stamp; false when it cannot be read.
bool StampOf(const std::string& file, TFileStamp& stamp);

// The hosts' answers by library path and stamp, kept in a file between starts, so that a file
// that has not changed is not asked again.
class TComponentCache {
public:
  // Replaces the entries with the file's; false (and empty) when it is missing, not a cache, or
  // larger than MaxFileBytes (then it is not read).
  bool Load(const std::string& file);
  static constexpr std::uintmax_t MaxFileBytes = 64u << 20;
  // Writes the entries atomically, creating the folder when it is missing; false on failure.
  bool Save(const std::string& file) const;
  // The same for the file's bytes: the entries in path order, and back.
  bool FromBytes(std::string_view bytes);
  std::string ToBytes() const;
  // The answer kept for the path, when it was kept for this stamp.
  const TComponentAnswer* Find(const std::string& path, const TFileStamp& stamp) const;
  void Put(const std::string& path, const TFileStamp& stamp, const TComponentAnswer& answer);
  std::size_t Size() const { return Entries.size(); }
  // Drops the entries of every path for which keep is false.
  template <class F> void KeepOnly(F&& keep) {
    std::erase_if(Entries, [&](const auto& entry) { return !keep(entry.first); });
  }
  // Whether an answer is worth keeping: not when it tells of the host rather than the file.
  static bool Keepable(const TComponentAnswer& answer);

private:
  struct TEntry {
    TFileStamp Stamp;
    TComponentAnswer Answer;
  };
  std::unordered_map<std::string, TEntry> Entries;
};

// Where the cache lives when there is no configuration folder: $XDG_CACHE_HOME/zu-programming/
// (or ~/.cache/zu-programming/) + "components.cache"; empty (no cache) when neither names an
// absolute folder.
std::string DefaultComponentCacheFile();
