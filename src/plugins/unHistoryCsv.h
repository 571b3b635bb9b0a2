#pragma once

#include "plugins/unSignalHistory.h"

#include <cstdint>
#include <string>
#include <vector>

// The histories of a run's watched values over the ticks [from, to) as CSV (RFC 4180, CRLF): a
// row per tick kept exactly ("tick" and a column per value, full precision, a value that is no
// number left empty); when some of the ticks are thinned, one row per thinned pair among them
// comes first (the whole pair, from its first tick), its range in the columns "NAME min" and
// "NAME max" and its length in "ticks".
std::string HistoryCsv(const std::vector<std::string>& names,
                       const std::vector<const TSignalHistory*>& histories, std::int64_t from,
                       std::int64_t to);
// A value as the CSV has it: the shortest text that reads back as the same number.
std::string CsvNumber(double value);
