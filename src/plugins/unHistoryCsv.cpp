#include "plugins/unHistoryCsv.h"

#include "platform/unStrings.h"

#include <algorithm>
#include <charconv>
#include <cmath>

std::string CsvNumber(double value) {
  if (std::isnan(value))
    return {};
  char text[32];
  const auto [end, error] = std::to_chars(text, text + sizeof text, value);
  return error == std::errc() ? std::string(text, end) : std::string();
}

std::string HistoryCsv(const std::vector<std::string>& names,
                       const std::vector<const TSignalHistory*>& histories, std::int64_t from,
                       std::int64_t to) {
  std::string csv = "tick";
  for (const std::string& name : names)
    csv += "," + CsvField(name);
  // The thinned part, where any history has one in the ticks asked for.
  std::int64_t span = 0, first = to, end = from;
  for (const TSignalHistory* h : histories) {
    span = std::max(span, h->ThinnedSpan());
    first = std::min(first, h->FirstTick());
    end = std::max(end, h->EndTick());
  }
  to = std::min(to, end);
  std::int64_t exactFrom = to;
  for (const TSignalHistory* h : histories)
    exactFrom = std::min(exactFrom, std::max(from, h->ExactFrom()));
  const bool thinned = span > 0 && from < exactFrom;
  if (thinned) {
    csv += ",ticks";
    for (const std::string& name : names)
      csv += "," + CsvField(name + " min") + "," + CsvField(name + " max");
  }
  csv += "\r\n";
  if (thinned)
    for (std::int64_t tick = first + (std::max(from, first) - first) / span * span;
         tick < exactFrom; tick += span) {
      // A pair is written whole: its range covers all its ticks.
      const std::int64_t a = tick, b = std::min(tick + span, exactFrom);
      if (a >= b)
        continue;
      csv += std::to_string(a) + std::string(names.size(), ',') + "," + std::to_string(b - a);
      for (const TSignalHistory* h : histories) {
        const TSignalHistory::TRange r = h->MinMax(a, b);
        csv += "," + (r.Any ? CsvNumber(r.Min) : std::string()) + "," +
               (r.Any ? CsvNumber(r.Max) : std::string());
      }
      csv += "\r\n";
    }
  for (std::int64_t tick = exactFrom; tick < to; ++tick) {
    bool any = false;
    std::string row = std::to_string(tick);
    for (const TSignalHistory* h : histories) {
      double v = 0;
      const bool kept = h->ExactAt(tick, v);
      any = any || kept;
      row += "," + (kept ? CsvNumber(v) : std::string());
    }
    if (!any)
      continue;
    if (thinned)
      row += std::string(1 + 2 * names.size(), ',');
    csv += row + "\r\n";
  }
  return csv;
}
