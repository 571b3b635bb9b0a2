#pragma once

#include "plugins/unComponentAnswer.h"

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

// How a set of library files is described by component hosts.
struct TDescribeOptions {
  // The host program ("helper [--log] FD FILE...", saying hello and writing one answer frame per
  // file to FD); when it is missing, every file's cause says so.
  std::string Helper;
  // How long one file may take.
  int TimeoutMs = 5000;
  // How many hosts run at once.
  unsigned Parallel = 1;
  // Keep the library wrapper's messages.
  bool LogWrapper = false;
  // When set, counts the files answered so far (read from any thread).
  std::atomic<std::size_t>* Done = nullptr;
  // When set and true, the hosts are ended and the files left get the cause "проверка прервана".
  const std::atomic<bool>* Cancel = nullptr;
  // The scan journal the hosts note each file in (TScanJournal); -1: none.
  int JournalFd = -1;
};

// Describes every file in component hosts: the files are shared out among at most Parallel host
// processes, each loading its files one after another. A host that crashes or does not answer a
// file within TimeoutMs (it is killed, with everything it started) gives that file the cause,
// and a new host goes on with the files after it; a file that was not the first of its host is
// tried once more in a new host before a crash is laid on it. Answers are in the order of the
// files.
std::vector<TComponentAnswer> DescribeApart(const std::vector<std::string>& files,
                                            const TDescribeOptions& options);
