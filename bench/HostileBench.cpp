// Hostile inputs: each comes in two sizes ten times apart, and the summary prints the ratio of
// their times, which stays near 10 when the work grows linearly.

#include "platform/unIntText.h"
#include "xml/unXml.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void Parse(benchmark::State& state, const std::u16string& text, bool expected) {
  for (auto _ : state) {
    TKvenXmlDocument1 doc;
    if (doc.LoadXml(text) != expected)
      state.SkipWithError("unexpected parse result");
    benchmark::DoNotOptimize(doc.GetRoot());
  }
  state.counters["chars"] = static_cast<double>(text.size());
}

// One start tag with n differently named attributes.
void BM_ManyAttributes(benchmark::State& state) {
  std::u16string text = u"<r";
  for (std::int64_t i = 0; i < state.range(0); ++i)
    text += u" a" + IntToText(i) + u"=\"v\"";
  text += u"/>";
  Parse(state, text, true);
}
BENCHMARK(BM_ManyAttributes)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// A start tag of one name followed by n equals signs.
void BM_RunOfEquals(benchmark::State& state) {
  const std::u16string text =
      u"<r a" + std::u16string(static_cast<std::size_t>(state.range(0)), u'=') + u"/>";
  Parse(state, text, true);
}
BENCHMARK(BM_RunOfEquals)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// n processing instructions before the root, on one line.
void BM_LeadingInstructions(benchmark::State& state) {
  std::u16string text;
  for (std::int64_t i = 0; i < state.range(0); ++i)
    text += u"<?a?>";
  text += u"<r/>";
  Parse(state, text, true);
}
BENCHMARK(BM_LeadingInstructions)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

// The indented text of a chain n elements deep.
void BM_WriteDeepChain(benchmark::State& state) {
  TKvenXmlDocument1 doc;
  TKvenXmlNode1* node = doc.GetRoot();
  for (std::int64_t i = 1; i < state.range(0); ++i)
    node = node->AddChild(u"a");
  std::size_t size = 0;
  for (auto _ : state)
    size = doc.GetXmlBytes().size();
  state.counters["MB"] = static_cast<double>(size) / 1e6;
}
BENCHMARK(BM_WriteDeepChain)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

} // namespace
