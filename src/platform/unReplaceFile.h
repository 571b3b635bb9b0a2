#pragma once

#include <string>
#include <string_view>
#include <vector>

// The outcome of ReplaceFile.
struct TReplaceResult {
  bool Ok = false;
  // The system's error number of the step that failed; 0 on success.
  int Error = 0;
  // The system's text for Error; empty on success.
  std::string Reason;
  // What the new file could not keep of the old one (owner, group, an extended attribute), in
  // words for the log. A save with notes still succeeded.
  std::vector<std::string> Notes;
};

// Replaces the file with the bytes atomically: they are written to a temporary file in the same
// folder, flushed, and renamed over the target, so that the target holds either its old or its
// new bytes, whatever happens on the way. The new file keeps the old one's permissions, owner
// and group (as far as the process may set them) and its extended attributes and access lists.
// A symbolic link is followed: the file it points at is replaced and the link stays (without
// followLink, the link itself is replaced and what it points at stays untouched). A target the
// process may not write is refused, as a plain write would be. Hard links to the old file keep
// the old bytes. Temporary files left behind by a killed save of the same file are removed.
// On failure the target is untouched and no temporary file stays.
TReplaceResult ReplaceFile(const std::string& name, std::string_view bytes, bool followLink = true);

// The temporary file name ReplaceFile uses for the target in the folder, for process pid; it fits
// the file system's limit of 255 bytes per name. The final 6 characters are replaced when the file
// is made.
std::string ReplaceTempName(const std::string& targetName, long pid);
