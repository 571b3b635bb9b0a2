#pragma once

#include <cstdint>
#include <string>

// What a file held when it was last read or written here, to tell whether another program has
// written it since: its size and time, and a digest of its bytes for when the time changed but
// perhaps not the bytes.
struct TFileIdentity {
  bool Known = false;  // taken from a file
  bool Exists = false; // the file was there
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;
  std::uint64_t Digest = 0;

  // The identity of the file as it is now (Known, and Exists when it could be read).
  static TFileIdentity Of(const std::string& file);
  // Whether the file still holds what this identity was taken from: the same size and time, or
  // the same size and bytes. An unknown identity matches every file.
  bool Matches(const std::string& file) const;
};
