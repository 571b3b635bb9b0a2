#pragma once

#include <ctime>
#include <string>
#include <vector>

// Work kept aside for crash recovery: one file per running editor in a folder, named after the
// program and the editor's process ("ZUProgramming.1234.recovery"), and a lock file beside it
// that the editor holds while it runs, so that editors sharing the folder never take or remove
// each other's work.
class TRecovery {
public:
  // The folder (with its trailing '/') and the program's name the files are named after.
  explicit TRecovery(std::string folder, std::string program = "ZUProgramming");
  ~TRecovery();
  TRecovery(const TRecovery&) = delete;
  TRecovery& operator=(const TRecovery&) = delete;

  // This editor's recovery file.
  std::string File() const;
  // Takes this editor's lock (once), removing the locks of editors no longer running; false
  // when it cannot be had (no folder).
  bool Hold();
  // Removes this editor's recovery file.
  void Remove() const;

  // Work left by an editor that no longer runs.
  struct TLeft {
    std::string File;
    std::time_t Kept = 0; // when it was written
  };
  // The recovery files in the folder whose editors no longer run and that belong to this user,
  // the newest first; this editor's own file is never among them once it holds its lock.
  std::vector<TLeft> Left() const;

private:
  // Removes the lock files of this user's editors that no longer run.
  void RemoveStaleLocks() const;

  std::string Folder;
  std::string Program;
  int LockFd = -1;
};
