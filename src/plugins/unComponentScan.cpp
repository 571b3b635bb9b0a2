#include "plugins/unComponentScan.h"

void TComponentScan::Run() {
  std::vector<std::string> asking;
  std::vector<std::size_t> where;
  for (std::size_t i = 0; i < Files.size(); ++i)
    if (!Cached[i]) {
      asking.push_back(Files[i]);
      where.push_back(i);
    }
  TDescribeOptions options = Options;
  options.Done = &Asked;
  std::vector<TComponentAnswer> answers = DescribeApart(asking, options);
  for (std::size_t k = 0; k < answers.size(); ++k)
    Answers[where[k]] = std::move(answers[k]);
  Over.store(true, std::memory_order_release);
}
