#pragma once

#include <cstdint>

// The default entries that the numbered lists of one load may still add for elements missing from
// the file, shared by every list of that load. Each list may also miss at most MaxMissingEntries of
// its own; the shared budget keeps a small file with many such lists from exhausting memory.
//
// A budget is a scope: while one lives, it is this thread's current budget; the previous one (or
// none) comes back when it ends. Without a current budget only the per-list limit applies.
class TMissingEntries {
public:
  explicit TMissingEntries(std::int64_t allowed);
  TMissingEntries(const TMissingEntries&) = delete;
  TMissingEntries& operator=(const TMissingEntries&) = delete;
  ~TMissingEntries();

  // Takes n entries from the current budget; false, taking nothing, when fewer are left. True
  // without a current budget.
  static bool Take(std::int64_t n);

private:
  std::int64_t Left;
  TMissingEntries* Previous;
};
