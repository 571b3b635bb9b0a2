#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

// The history of one watched value, a number per tick from the first tick it was watched. The
// newest ExactCapacity values are kept exactly; older ones are thinned into min/max pairs, each
// covering ThinnedSpan() ticks (a power of two, doubled whenever the pairs would pass
// MaxThinnedPairs), so that nothing is dropped and memory stays bounded whatever the run's
// length. A value that is no number is NaN; ranges leave NaNs out.
class TSignalHistory {
public:
  static constexpr std::size_t ChunkValues = 4096;
  static constexpr std::size_t BlockValues = 64;
  static constexpr std::size_t ExactCapacity = 256 * ChunkValues; // 1 048 576
  static constexpr std::size_t MaxThinnedPairs = 1u << 16;
  // A gap longer than this between two ticks starts the history afresh.
  static constexpr std::int64_t LongestGap = static_cast<std::int64_t>(ExactCapacity);

  struct TRange {
    double Min = 0, Max = 0;
    bool Any = false; // a number lies in the range
    void Add(double min, double max);
  };

  // The value after `tick`; ticks come in increasing order (a tick before the end is ignored,
  // missing ticks between are NaN).
  void Append(std::int64_t tick, double value);
  void Clear();

  bool Empty() const { return End == Begin; }
  // The first tick kept (exactly or thinned), and one past the last.
  std::int64_t FirstTick() const { return Begin; }
  std::int64_t EndTick() const { return End; }
  // The first tick kept exactly.
  std::int64_t ExactFrom() const;
  // Ticks per thinned pair; 0 while nothing is thinned.
  std::int64_t ThinnedSpan() const { return Thinned.empty() ? 0 : Span; }
  // The value at the tick when it is kept exactly; otherwise the range of its pair (Any false
  // when the tick is not kept at all).
  bool ExactAt(std::int64_t tick, double& value) const;
  TRange RangeAt(std::int64_t tick) const;
  // The numbers' range over the ticks [from, to).
  TRange MinMax(std::int64_t from, std::int64_t to) const;
  // The ranges of `columns` equal slices of [from, to), for drawing.
  void Columns(double from, double to, int columns, std::vector<TRange>& out) const;
  // The memory the values take.
  std::size_t MemoryBytes() const;
  // Every value kept exactly, oldest first, from ExactFrom() on.
  template <typename F> void ForEachExact(F&& f) const {
    for (const TChunk& c : Chunks)
      for (std::size_t i = 0; i < c.Values.size(); ++i)
        f(c.First + static_cast<std::int64_t>(i), c.Values[i]);
  }
  // Every thinned pair, oldest first: its first tick and its range.
  template <typename F> void ForEachThinned(F&& f) const {
    for (std::size_t i = 0; i < Thinned.size(); ++i)
      f(ThinFirst + static_cast<std::int64_t>(i) * Span, Thinned[i]);
  }

private:
  struct TChunk {
    std::int64_t First = 0;
    std::vector<double> Values;
    std::vector<TRange> Blocks; // one per BlockValues values
  };
  void AddThinned(std::int64_t tick, const TRange& range);
  // Folds the oldest chunk into the thinned pairs.
  void Fold();
  TRange ExactRange(std::int64_t from, std::int64_t to) const;

  std::deque<TChunk> Chunks;
  std::size_t ExactCount = 0;
  std::vector<TRange> Thinned;
  std::int64_t ThinFirst = 0;
  std::int64_t Span = static_cast<std::int64_t>(BlockValues);
  std::int64_t Begin = 0, End = 0;
};
