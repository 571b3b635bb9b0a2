#pragma once

#include <string>
#include <vector>

// What a scan is asking now, in a file beside the components' cache: a file whose description
// kills the program that asks (the editor, zu-cli) leaves its name there, so that the next start
// can skip it instead of being killed again. Each asking process has a journal of its own: the
// hosts it starts note each file there before they load it, the asker notes each answer once it
// has it; a scan that ends in any other way removes it.
class TScanJournal {
public:
  TScanJournal() = default;
  TScanJournal(const TScanJournal&) = delete;
  TScanJournal& operator=(const TScanJournal&) = delete;
  // Removes the journal.
  ~TScanJournal();

  // Starts this process's journal beside the cache file; false when it cannot be written (the
  // scan goes on without one).
  bool Open(const std::string& cacheFile);
  // The journal's descriptor, for the hosts (-1 without one).
  int Descriptor() const { return Fd; }
  // Notes in the journal that a host begins on the file, or that the file has its answer: one
  // whole record per write, so that a process killed between two leaves whole records only.
  static void Note(int fd, const std::string& file, bool begun);

  // The files that journals of processes no longer running were asking when they ended: for each
  // journal, the files begun and not answered. Those journals are removed.
  static std::vector<std::vector<std::string>> TakeLeft(const std::string& cacheFile);
  // The journal of the process beside the cache file.
  static std::string FileOf(const std::string& cacheFile, long pid);
  // A journal larger than this is no journal of a real scan: it is removed unread.
  static constexpr long MaxBytes = 16 << 20;

private:
  int Fd = -1;
  std::string Path;
};
