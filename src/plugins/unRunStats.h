#pragma once

#include "plugins/unHostProtocol.h"

#include <cstdint>
#include <vector>

// How late ticks began after their deadlines: counted in buckets of BucketNs up to MaxBucketNs
// (later ones in the last), the largest kept exactly. Bounded whatever the run's length.
class TRunStats {
public:
  static constexpr std::int64_t BucketNs = 10000;         // 10 µs
  static constexpr std::int64_t MaxBucketNs = 1000000000; // 1 s
  // A tick that began more than this after its deadline is late.
  static constexpr std::int64_t LateNs = 1000000;

  TRunStats();
  // One tick that began lateNs after its deadline (a negative value counts as on time).
  void Add(std::int64_t lateNs);
  // The figures, with the ticks done and the time they took.
  TStatsMessage Figures(std::int64_t ticks, std::int64_t elapsedNs) const;
  std::int64_t Count() const { return Counted; }

private:
  // The lateness below which the share q of the counted ticks began (a bucket's upper end).
  std::int64_t Quantile(double q) const;
  std::vector<std::int64_t> Buckets;
  std::int64_t Counted = 0, Late = 0, Max = 0;
};
