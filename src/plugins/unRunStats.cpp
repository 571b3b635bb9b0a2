#include "plugins/unRunStats.h"

#include <algorithm>
#include <cmath>

TRunStats::TRunStats() : Buckets(static_cast<std::size_t>(MaxBucketNs / BucketNs) + 1, 0) {}

void TRunStats::Add(std::int64_t lateNs) {
  lateNs = std::max<std::int64_t>(lateNs, 0);
  const auto bucket = static_cast<std::size_t>(
      std::min<std::int64_t>(lateNs / BucketNs, static_cast<std::int64_t>(Buckets.size()) - 1));
  ++Buckets[bucket];
  ++Counted;
  if (lateNs > LateNs)
    ++Late;
  Max = std::max(Max, lateNs);
}

std::int64_t TRunStats::Quantile(double q) const {
  if (Counted == 0)
    return 0;
  // The rank of the tick at the quantile, counted from 1.
  const auto rank = std::max<std::int64_t>(
      1, static_cast<std::int64_t>(std::ceil(q * static_cast<double>(Counted))));
  std::int64_t seen = 0;
  for (std::size_t b = 0; b < Buckets.size(); ++b) {
    seen += Buckets[b];
    if (seen >= rank)
      return std::min(static_cast<std::int64_t>(b + 1) * BucketNs, Max);
  }
  return Max;
}

TStatsMessage TRunStats::Figures(std::int64_t ticks, std::int64_t elapsedNs) const {
  return {ticks, elapsedNs, Counted, Late, Quantile(0.5), Quantile(0.99), Max};
}
