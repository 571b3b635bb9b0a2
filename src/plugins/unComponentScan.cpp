#include "plugins/unComponentScan.h"

#include "plugins/unScanJournal.h"

#include <algorithm>

void TComponentScan::Run() {
  std::vector<std::string> asking;
  std::vector<std::size_t> where;
  for (std::size_t i = 0; i < Files.size(); ++i)
    if (!Cached[i] && std::find(Suspects.begin(), Suspects.end(), i) == Suspects.end()) {
      asking.push_back(Files[i]);
      where.push_back(i);
    }
  TDescribeOptions options = Options;
  options.Done = &Asked;
  // A file whose description kills this process is named at the next start.
  TScanJournal journal;
  if (journal.Open(JournalOf))
    options.JournalFd = journal.Descriptor();
  // Files that were under way when an earlier asker was killed go first, each alone: one that
  // kills this process too is then the only file its journal names.
  TDescribeOptions alone = options;
  alone.Parallel = 1;
  for (std::size_t i : Suspects)
    if (!Cached[i])
      Answers[i] = std::move(DescribeApart({Files[i]}, alone).front());
  std::vector<TComponentAnswer> answers = DescribeApart(asking, options);
  for (std::size_t k = 0; k < answers.size(); ++k)
    Answers[where[k]] = std::move(answers[k]);
  Over.store(true, std::memory_order_release);
}
