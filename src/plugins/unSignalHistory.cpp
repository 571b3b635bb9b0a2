#include "plugins/unSignalHistory.h"

#include <algorithm>
#include <cmath>
#include <limits>

void TSignalHistory::TRange::Add(double min, double max) {
  if (std::isnan(min) || std::isnan(max))
    return;
  if (!Any) {
    Min = min;
    Max = max;
    Any = true;
    return;
  }
  Min = std::min(Min, min);
  Max = std::max(Max, max);
}

void TSignalHistory::Clear() {
  *this = TSignalHistory();
}

std::int64_t TSignalHistory::ExactFrom() const {
  return Chunks.empty() ? End : Chunks.front().First;
}

void TSignalHistory::Append(std::int64_t tick, double value) {
  if (!Empty() && tick < End)
    return;
  if (Empty() || tick - End > LongestGap) {
    Clear();
    Begin = End = ThinFirst = tick;
  }
  while (End <= tick) {
    const double v = End == tick ? value : std::numeric_limits<double>::quiet_NaN();
    if (Chunks.empty() || Chunks.back().Values.size() == ChunkValues) {
      Chunks.emplace_back();
      Chunks.back().First = End;
      Chunks.back().Values.reserve(ChunkValues);
      Chunks.back().Blocks.reserve(ChunkValues / BlockValues);
    }
    TChunk& c = Chunks.back();
    if (c.Values.size() % BlockValues == 0)
      c.Blocks.emplace_back();
    c.Values.push_back(v);
    c.Blocks.back().Add(v, v);
    ++ExactCount;
    ++End;
    if (ExactCount > ExactCapacity)
      Fold();
  }
}

void TSignalHistory::Fold() {
  const TChunk& oldest = Chunks.front();
  for (std::size_t b = 0; b < oldest.Blocks.size(); ++b)
    AddThinned(oldest.First + static_cast<std::int64_t>(b * BlockValues), oldest.Blocks[b]);
  ExactCount -= oldest.Values.size();
  Chunks.pop_front();
}

void TSignalHistory::AddThinned(std::int64_t tick, const TRange& range) {
  const auto index = static_cast<std::size_t>((tick - ThinFirst) / Span);
  if (index >= Thinned.size())
    Thinned.resize(index + 1);
  if (range.Any)
    Thinned[index].Add(range.Min, range.Max);
  if (Thinned.size() <= MaxThinnedPairs)
    return;
  // Twice the span: each pair takes the two it covers.
  std::vector<TRange> merged((Thinned.size() + 1) / 2);
  for (std::size_t i = 0; i < Thinned.size(); ++i)
    if (Thinned[i].Any)
      merged[i / 2].Add(Thinned[i].Min, Thinned[i].Max);
  Thinned = std::move(merged);
  Span *= 2;
}

bool TSignalHistory::ExactAt(std::int64_t tick, double& value) const {
  if (tick < ExactFrom() || tick >= End)
    return false;
  const auto offset = static_cast<std::size_t>(tick - ExactFrom());
  value = Chunks[offset / ChunkValues].Values[offset % ChunkValues];
  return true;
}

TSignalHistory::TRange TSignalHistory::RangeAt(std::int64_t tick) const {
  TRange range;
  if (double v = 0; ExactAt(tick, v)) {
    range.Add(v, v);
  } else if (tick >= Begin && tick < ExactFrom()) {
    const auto index = static_cast<std::size_t>((tick - ThinFirst) / Span);
    if (index < Thinned.size())
      range = Thinned[index];
  }
  return range;
}

TSignalHistory::TRange TSignalHistory::ExactRange(std::int64_t from, std::int64_t to) const {
  const std::int64_t first = ExactFrom();
  from = std::max(from, first);
  to = std::min(to, End);
  // NaNs fail every comparison: they change neither end.
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  auto values = [&](const double* v, std::size_t n) {
    // Four at a time in separate lanes, which the compiler keeps in vector registers.
    double l[4] = {lo, lo, lo, lo}, h[4] = {hi, hi, hi, hi};
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4)
      for (std::size_t k = 0; k < 4; ++k) {
        l[k] = v[i + k] < l[k] ? v[i + k] : l[k];
        h[k] = v[i + k] > h[k] ? v[i + k] : h[k];
      }
    for (; i < n; ++i) {
      l[0] = v[i] < l[0] ? v[i] : l[0];
      h[0] = v[i] > h[0] ? v[i] : h[0];
    }
    lo = std::min(std::min(l[0], l[1]), std::min(l[2], l[3]));
    hi = std::max(std::max(h[0], h[1]), std::max(h[2], h[3]));
  };
  if (from < to) {
    auto at = static_cast<std::size_t>(from - first);
    const auto stop = static_cast<std::size_t>(to - first);
    // Chunk by chunk: the values up to a block's start, whole blocks from their summaries, the
    // values after the last whole block.
    for (std::size_t chunk = at / ChunkValues; at < stop; ++chunk) {
      const TChunk& c = Chunks[chunk];
      const std::size_t base = chunk * ChunkValues;
      std::size_t a = at - base;
      const std::size_t b = std::min(stop - base, c.Values.size());
      const std::size_t blockA = (a + BlockValues - 1) / BlockValues, blockB = b / BlockValues;
      if (blockA < blockB) {
        values(c.Values.data() + a, blockA * BlockValues - a);
        for (std::size_t k = blockA; k < blockB; ++k)
          if (c.Blocks[k].Any) {
            lo = std::min(lo, c.Blocks[k].Min);
            hi = std::max(hi, c.Blocks[k].Max);
          }
        a = blockB * BlockValues;
      }
      values(c.Values.data() + a, b - a);
      at = base + b;
    }
  }
  TRange range;
  if (lo <= hi)
    range = {lo, hi, true};
  return range;
}

TSignalHistory::TRange TSignalHistory::MinMax(std::int64_t from, std::int64_t to) const {
  TRange range = ExactRange(from, to);
  const std::int64_t exactFrom = ExactFrom();
  if (from < exactFrom && !Thinned.empty()) {
    const std::int64_t lo = std::max(from, ThinFirst), hi = std::min(to, exactFrom);
    if (lo < hi) {
      const auto a = static_cast<std::size_t>((lo - ThinFirst) / Span);
      const auto b =
          std::min(Thinned.size(), static_cast<std::size_t>((hi - 1 - ThinFirst) / Span) + 1);
      for (std::size_t i = a; i < b; ++i)
        if (Thinned[i].Any)
          range.Add(Thinned[i].Min, Thinned[i].Max);
    }
  }
  return range;
}

void TSignalHistory::Columns(double from, double to, int columns, std::vector<TRange>& out) const {
  out.assign(static_cast<std::size_t>(std::max(columns, 0)), TRange());
  if (columns <= 0 || !(to > from))
    return;
  const double step = (to - from) / columns;
  for (int c = 0; c < columns; ++c) {
    const auto a = static_cast<std::int64_t>(std::floor(from + step * c));
    auto b = static_cast<std::int64_t>(std::floor(from + step * (c + 1)));
    if (b <= a)
      b = a + 1; // a column narrower than a tick shows the tick it lies in
    if (b <= Begin || a >= End)
      continue;
    out[static_cast<std::size_t>(c)] = MinMax(a, b);
  }
}

std::size_t TSignalHistory::MemoryBytes() const {
  std::size_t bytes = Thinned.capacity() * sizeof(TRange);
  for (const TChunk& c : Chunks)
    bytes += sizeof(TChunk) + c.Values.capacity() * sizeof(double) +
             c.Blocks.capacity() * sizeof(TRange);
  return bytes;
}
