// The editor's document on the realistic pack of 10 languages x 3 000
// messages: opening, filtering and searching, a string's cost after a
// keystroke, and the whole pack's measure after an edit.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>

#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "config/configuration.h"
#include "document/document.h"
#include "document/filters.h"
#include "document/measure.h"

namespace {

using namespace tarvo;

constexpr int kLanguages = 10, kMaxMsgId = 2999;

struct Inputs {
  Configuration config;
  std::vector<std::uint8_t> lgp;
  bool real = false;
  Inputs() {
    LoadConfigurationText(std::string(bench::kTables) + "PHONETYPE " + bench::kPhoneType + "\n", config);
    const std::string bytes = bench::RealisticLgp(kLanguages, kMaxMsgId, real);
    lgp.assign(bytes.begin(), bytes.end());
  }
};

const Inputs& Realistic() {
  static const Inputs inputs;
  return inputs;
}

void Report(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["real_text"] = Realistic().real;
}

// The heap in use now.
double HeapMB() { return static_cast<double>(mallinfo2().uordblks) / (1024.0 * 1024.0); }

Document Open() { return Document::FromLgp(Realistic().lgp, "realistic.lgp", Realistic().config); }

// An edit of a translator's: a word added to a message of the last language.
void Type(Document& document, int round) {
  const std::int32_t message = 1000 + round % 1000;
  document.Apply({{kLanguages - 1, message, document.Text(kLanguages - 1, message) + u" x"}});
}

void BM_DocumentOpen(benchmark::State& state) {
  Realistic();
  for (auto _ : state) benchmark::DoNotOptimize(Open().Revision());
  Report(state);
}

// Every language in turn against the first: all 30 000 strings.
std::size_t FindInEveryLanguage(const Document& document, MessageQuery query) {
  std::size_t found = 0;
  for (query.Language = 0; query.Language < document.LanguageCount(); ++query.Language) {
    found += FindMessages(document, query, Realistic().config.Chars).size();
  }
  return found;
}

// Argument: the filter (MessageFilter).
void BM_DocumentFilter(benchmark::State& state) {
  const Document document = Open();
  const MessageQuery query{0, 0, static_cast<MessageFilter>(state.range(0)), {}};
  std::size_t found = 0;
  for (auto _ : state) found = FindInEveryLanguage(document, query);
  state.counters["found"] = static_cast<double>(found);
  Report(state);
}

// Argument: 1 for a message number, 0 for a word in either case.
void BM_DocumentSearch(benchmark::State& state) {
  const Document document = Open();
  const MessageQuery query{0, 0, MessageFilter::All, state.range(0) ? u"$7B" : u"FILE"};
  std::size_t found = 0;
  for (auto _ : state) found = FindInEveryLanguage(document, query);
  state.counters["found"] = static_cast<double>(found);
  Report(state);
}

// After a keystroke: the edit, the string's cost with both dictionaries of
// the last measure, and its problems.
void BM_DocumentStringCost(benchmark::State& state) {
  Document document = Open();
  const CharTable& table = Realistic().config.Chars;
  const DocumentMeasure measure = MeasureDocument(TakeSnapshot(document, PivotRandom()));
  int round = 0;
  for (auto _ : state) {
    Type(document, round++);
    const std::int32_t message = 1000 + (round - 1) % 1000;
    const std::u16string& text = document.Text(kLanguages - 1, message);
    benchmark::DoNotOptimize(StringCost(measure, PackingStrategy::Standard, kLanguages - 1, text, table));
    benchmark::DoNotOptimize(StringCost(measure, PackingStrategy::Compact, kLanguages - 1, text, table));
    benchmark::DoNotOptimize(MessageProblems(document, kLanguages - 1, message, 0, table, &measure));
  }
  Report(state);
}

// On the window's thread after an edit: the copy the measure works on.
void BM_DocumentSnapshot(benchmark::State& state) {
  Document document = Open();
  const PivotRandom random;
  int round = 0;
  for (auto _ : state) {
    Type(document, round++);
    benchmark::DoNotOptimize(TakeSnapshot(document, random).Revision);
  }
  Report(state);
}

// Argument: 1 to take what the document's last measure left (as the window
// does), 0 to measure from nothing each time.
void MeasureAfterEdit(benchmark::State& state, PackingStrategy strategy) {
  Document document = Open();
  const PivotRandom random;
  const auto snapshot = [&] {
    MeasureSnapshot taken = TakeSnapshot(document, random);
    if (state.range(0) == 0) taken.Cache.reset();
    return taken;
  };
  MeasureGauge(snapshot(), strategy);
  int round = 0;
  PackingGauge gauge;
  for (auto _ : state) {
    Type(document, round++);
    gauge = MeasureGauge(snapshot(), strategy);
  }
  state.counters["spare"] = static_cast<double>(gauge.Spare);
  Report(state);
}

void BM_DocumentMeasureStandard(benchmark::State& state) {
  MeasureAfterEdit(state, PackingStrategy::Standard);
}
void BM_DocumentMeasureCompact(benchmark::State& state) { MeasureAfterEdit(state, PackingStrategy::Compact); }

// Both packings side by side, as the window runs them; and the memory that
// an open document and its last measure hold.
void BM_DocumentMeasure(benchmark::State& state) {
  Realistic();
  const double before = HeapMB();
  Document document = Open();
  const PivotRandom random;
  MeasureDocument(TakeSnapshot(document, random));
  int round = 0;
  DocumentMeasure measure;
  for (auto _ : state) {
    Type(document, round++);
    measure = MeasureDocument(TakeSnapshot(document, random));
  }
  state.counters["document_and_measure_MB"] = HeapMB() - before;
  Report(state);
}

BENCHMARK(BM_DocumentOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentFilter)
    ->ArgName("filter")
    ->DenseRange(static_cast<int>(MessageFilter::All), static_cast<int>(MessageFilter::Changed))
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentSearch)->ArgName("number")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentStringCost)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DocumentSnapshot)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentMeasureStandard)->ArgName("cache")->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentMeasureCompact)->ArgName("cache")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DocumentMeasure)->Unit(benchmark::kMillisecond);

}  // namespace
