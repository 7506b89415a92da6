// The translator's aids on the realistic pack of 10 languages x 3 000
// messages, with a second such pack (a newer firmware's, 3 500 messages) as
// a translation memory: building the indexes on open, the suggestions for
// every message (their 99th percentile), and the inconsistent filter.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <numeric>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "config/configuration.h"
#include "document/document.h"
#include "document/filters.h"
#include "memory/suggestions.h"
#include "spelling/spell_checker.h"

namespace {

using namespace tarvo;

constexpr int kLanguages = 10, kMaxMsgId = 2999;
constexpr std::size_t kEdited = 1, kReference = 0;

struct Packs {
  Configuration config;
  std::vector<std::uint8_t> lgp, memory;
  std::vector<std::string> locales;  // of the languages, where the text is real
  Packs() {
    LoadConfigurationText(std::string(bench::kTables) + "PHONETYPE " + bench::kPhoneType + "\n", config);
    bool real = false;
    std::string names;
    const std::string open = bench::RealisticLgp(kLanguages, kMaxMsgId, real, &names);
    for (std::size_t at = 0; at < names.size();) {
      const std::size_t end = std::min(names.find(' ', at), names.size());
      locales.push_back(names.substr(at, end - at));
      at = end + 1;
    }
    const std::string other = bench::RealisticLgp(kLanguages, kMaxMsgId + 500, real);
    lgp.assign(open.begin(), open.end());
    memory.assign(other.begin(), other.end());
  }
};

const Packs& Inputs() {
  static const Packs packs;
  return packs;
}

// The thread's CPU time in milliseconds: the figure of one call, whatever
// else the machine runs meanwhile.
double CpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

Document Open() { return Document::FromLgp(Inputs().lgp, "realistic.lgp", Inputs().config); }

std::vector<MemoryEntry> MemoryEntries(const Document& document) {
  return LgpMemoryEntries(Inputs().memory, "memory.lgp", Inputs().config, document, kEdited, kReference);
}

// The indexes a window builds when a pack opens: its own reference texts
// and the memory's (read beforehand).
void BM_MemoryIndexOnOpen(benchmark::State& state) {
  const Document document = Open();
  const std::vector<MemoryEntry> entries = MemoryEntries(document);
  for (auto _ : state) {
    const MemoryIndex own = DocumentMemory(document, kReference);
    const MemoryIndex memory(entries);
    benchmark::DoNotOptimize(own.Entries().size() + memory.Entries().size());
  }
}

void BM_MemoryReadPack(benchmark::State& state) {
  const Document document = Open();
  for (auto _ : state) benchmark::DoNotOptimize(MemoryEntries(document).size());
}

// Suggestions for each message in turn; the figures of one round are the
// mean and the 99th percentile of a message.
void BM_Suggestions(benchmark::State& state) {
  const Document document = Open();
  const MemoryIndex own = DocumentMemory(document, kReference);
  const std::vector<MemoryIndex> memories{MemoryIndex(MemoryEntries(document))};
  std::vector<double> times;
  std::size_t found = 0;
  for (auto _ : state) {
    times.clear();
    for (std::int32_t m = 0; m <= kMaxMsgId; ++m) {
      const double start = CpuMs();
      found += Suggest(document, kEdited, kReference, m, own, memories).size();
      times.push_back(CpuMs() - start);
    }
  }
  std::sort(times.begin(), times.end());
  state.counters["p99_ms"] = times[times.size() * 99 / 100];
  state.counters["max_ms"] = times.back();
  state.counters["suggestions_per_message"] =
      static_cast<double>(found) / static_cast<double>(state.iterations()) / (kMaxMsgId + 1);
}

void BM_InconsistentFilter(benchmark::State& state) {
  const Document document = Open();
  MessageQuery query{kEdited, kReference, MessageFilter::Inconsistent, {}, true, false};
  for (auto _ : state) benchmark::DoNotOptimize(FindMessages(document, query, Inputs().config.Chars).size());
}

// A language of the pack with its own dictionary installed ("de" with
// de_DE), else the first language with English (generated text).
struct Checked {
  std::size_t Language = 0;
  std::string Dictionary;
};

Checked CheckedLanguage() {
  const auto installed = InstalledDictionaries();
  const auto& locales = Inputs().locales;
  for (std::size_t l = 0; l < locales.size(); ++l) {
    for (const InstalledDictionary& d : installed) {
      if (locales[l].size() >= 2 && d.Name.starts_with(locales[l].substr(0, 2) + "_")) return {l, d.Name};
    }
  }
  return {0, "en_US"};
}

SpellChecker Checker(benchmark::State& state, const Checked& checked) {
  state.SetLabel(checked.Dictionary + " on language " + std::to_string(checked.Language + 1));
  for (const InstalledDictionary& d : InstalledDictionaries()) {
    if (d.Name == checked.Dictionary) return SpellChecker(d.Affix);
  }
  throw std::runtime_error(checked.Dictionary + " is not installed");
}

std::vector<std::u16string> TextsOf(const Document& document, std::size_t language) {
  std::vector<std::u16string> texts;
  for (std::int32_t m = 0; m < document.MessageCount(); ++m) texts.push_back(document.Text(language, m));
  return texts;
}

// One message checked as it is typed into; the figures are the mean and
// the 99th percentile of a message.
void BM_SpellCheckMessage(benchmark::State& state) {
  const Document document = Open();
  const Checked checked = CheckedLanguage();
  const SpellChecker checker = Checker(state, checked);
  const std::size_t reference = checked.Language == 0 ? 1 : 0;
  std::vector<double> times;
  for (auto _ : state) {
    times.clear();
    for (std::int32_t m = 0; m <= kMaxMsgId; ++m) {
      const double start = CpuMs();
      benchmark::DoNotOptimize(
          MisspeltWords(checker, document.Text(checked.Language, m), document.Text(reference, m)).size());
      times.push_back(CpuMs() - start);
    }
  }
  std::sort(times.begin(), times.end());
  state.counters["p99_ms"] = times[times.size() * 99 / 100];
  state.counters["mean_ms"] =
      std::accumulate(times.begin(), times.end(), 0.0) / static_cast<double>(times.size());
}

// The Misspelt filter over the 3 000 messages of one language.
void BM_MisspeltFilter(benchmark::State& state) {
  const Document document = Open();
  const Checked checked = CheckedLanguage();
  const SpellChecker checker = Checker(state, checked);
  const auto texts = TextsOf(document, checked.Language),
             references = TextsOf(document, checked.Language == 0 ? 1 : 0);
  for (auto _ : state) benchmark::DoNotOptimize(MisspeltMessages(checker, texts, references).size());
}

}  // namespace

BENCHMARK(BM_SpellCheckMessage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MisspeltFilter)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryIndexOnOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MemoryReadPack)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Suggestions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InconsistentFilter)->Unit(benchmark::kMillisecond);
