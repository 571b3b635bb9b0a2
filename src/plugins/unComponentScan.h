#pragma once

#include "plugins/unComponentCache.h"
#include "plugins/unProbe.h"

#include <atomic>
#include <string>
#include <vector>

// One scan of a folder's library files, made by the registry (BeginScan) and handed back to it
// (FinishScan). Run asks component hosts about every file the cache could not answer; it touches
// nothing else, so it may run on any thread while the owner's thread goes on.
class TComponentScan {
public:
  // The files, in the order they are registered.
  std::vector<std::string> Files;
  // Each file's stamp; a file whose stamp could not be read is asked and never cached.
  std::vector<TFileStamp> Stamps;
  std::vector<bool> Stamped;
  // Each file's answer; those taken from the cache are filled before Run.
  std::vector<TComponentAnswer> Answers;
  std::vector<bool> Cached;
  TDescribeOptions Options;
  // Where the files asked are noted while they are asked (TScanJournal of this cache file);
  // empty: nowhere.
  std::string JournalOf;
  // The files (indices) asked one at a time before the others.
  std::vector<std::size_t> Suspects;

  // Asks the hosts about the files that have no answer yet.
  void Run();
  // How many files have their answer (those from the cache included), and how many there are.
  std::size_t Done() const { return FromCache + Asked.load(std::memory_order_relaxed); }
  std::size_t Total() const { return Files.size(); }
  bool Finished() const { return Over.load(std::memory_order_acquire); }

  std::size_t FromCache = 0;

private:
  std::atomic<std::size_t> Asked{0};
  std::atomic<bool> Over{false};
};
