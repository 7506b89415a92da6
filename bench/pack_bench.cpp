// Compile and decompile of generated language packs (languages in Latin,
// Latin-1, Latin Extended-A, Greek and Cyrillic, strings of 3 to 60
// characters made of recurring words, as menus are), and both packers on them
// and on real translations from the machine's gettext catalogs.
//
// `tarvo_bench --write-inputs DIR` writes the inputs (tarvo.ini, flash.bin,
// generated.lgp, realistic.lgp and its successor renumbered.lgp) for timing
// tarvo-cli from outside; `tarvo_bench --paired DIR` runs the native calls of
// bench/wasm_bench.mjs on them.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <cstring>
#include <iostream>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_frame.h"
#include "bench/bench_inputs.h"
#include "bench/paired_native.h"
#include "check/lgp_check.h"
#include "compile/compile_command.h"
#include "compile/pack_languages.h"
#include "config/configuration.h"
#include "config/file_io.h"
#include "decompile/decompile_command.h"
#include "frame/command_frame.h"
#include "lgp/unicode_line.h"
#include "merge/merge_lgp.h"
#include "po/export_po.h"
#include "po/import_po.h"

namespace {

using namespace tarvo;
using bench::GenerateLgp;
using bench::kPhoneType;
using bench::kTables;
using bench::LgpWriter;
using bench::RealisticLgp;

struct Workspace {
  std::filesystem::path dir;
  Configuration config;
  std::filesystem::path lgp, flash, back;

  bool real = false;  // real translations, not generated text

  Workspace(int languages, int maxMsgId, bool realistic = false) {
    dir = std::filesystem::temp_directory_path() /
          ("tarvo-bench-" + std::to_string(languages) + "-" + std::to_string(maxMsgId) + (realistic ? "-real" : "") +
           "-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    LoadConfigurationText(std::string(kTables) + "PHONETYPE " + kPhoneType + "\n", config);
    lgp = dir / "input.lgp";
    flash = dir / "flash.bin";
    back = dir / "back.lgp";
    std::ofstream(lgp, std::ios::binary)
        << (realistic ? RealisticLgp(languages, maxMsgId, real) : GenerateLgp(languages, maxMsgId, 2024));
    std::vector<std::uint8_t> image(0x200 + 0x100000, 0xFF);
    for (int i = 0; i < 2; ++i) image[0x200 + i] = 0xBB, image[0x202 + i] = 0;
    WriteFileReplacing(flash, image);
  }
  ~Workspace() { std::filesystem::remove_all(dir); }
};

void Report(benchmark::State& state, const Workspace& w) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
  state.counters["lgp_KB"] = static_cast<double>(std::filesystem::file_size(w.lgp)) / 1024.0;
}

// Arguments: languages, MaxMsgId, packing (0 standard, 1 compact), text
// (0 generated, 1 real translations).
void BM_Compile(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(3) != 0);
  const auto strategy = state.range(2) != 0 ? PackingStrategy::Compact : PackingStrategy::Standard;
  for (auto _ : state) {
    bench::BenchFrame frame;
    PivotRandom random;
    if (RunCompile(frame, w.config, random, w.lgp, w.flash, strategy).Outcome != CommandOutcome::Done) {
      state.SkipWithError(frame.lastMessage.c_str());
      return;
    }
  }
  // The round trip must give the input back.
  bench::BenchFrame frame;
  frame.signatures = false;
  RunDecompile(frame, w.config, w.flash, w.back);
  if (ReadWholeFile(w.back) != ReadWholeFile(w.lgp)) state.SkipWithError("round trip differs");
  Report(state, w);
  state.counters["real_text"] = w.real;
}

// The commands on bytes in memory, without the file layer: what the
// WebAssembly module runs (bench/wasm_bench.mjs times the module beside these).
void BM_CompileImage(benchmark::State& state) {
  Workspace w(10, 2999, true);
  const auto strategy = state.range(0) != 0 ? PackingStrategy::Compact : PackingStrategy::Standard;
  const std::vector<std::uint8_t> text = ReadWholeFile(w.lgp);
  const std::vector<std::uint8_t> image = ReadWholeFile(w.flash);
  const FlashSource flash{"flash.bin", [&] { return image; }};
  for (auto _ : state) {
    bench::BenchFrame frame;
    PivotRandom random;
    benchmark::DoNotOptimize(CompileImage(frame, text, flash, w.config, random, strategy).Image.size());
  }
  Report(state, w);
}

void BM_DecompileImage(benchmark::State& state) {
  Workspace w(10, 2999, true);
  bench::BenchFrame frame;
  PivotRandom random;
  const FlashSource flash{"flash.bin", [&] { return ReadWholeFile(w.flash); }};
  const std::vector<std::uint8_t> image =
      CompileImage(frame, ReadWholeFile(w.lgp), flash, w.config, random, PackingStrategy::Standard).Image;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DecompileImage(image, "flash.bin", w.config, {true, {}, {}}).size());
  }
  Report(state, w);
}

// One packer alone, in memory: its time, and the payload (dictionaries and
// string records) of every language against the standard packer's.
void BM_Pack(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(3) != 0);
  const auto strategy = state.range(2) != 0 ? PackingStrategy::Compact : PackingStrategy::Standard;
  LgpFile lgp;
  ReadLgpFile(ReadWholeFile(w.lgp), w.config.Chars, lgp);
  bench::BenchFrame frame;
  std::vector<PackedLanguage> packed;
  for (auto _ : state) {
    PivotRandom random;
    packed = PackLanguages(lgp, strategy, random, FrameControl(frame));
  }
  PivotRandom random;
  const auto standard = PackLanguages(lgp, PackingStrategy::Standard, random, FrameControl(frame));
  double total = 0, standardTotal = 0, worst = 100;
  for (std::size_t l = 0; l < packed.size(); ++l) {
    const auto bytes = static_cast<double>(PayloadSize(packed[l]));
    const auto base = static_cast<double>(PayloadSize(standard[l]));
    total += bytes;
    standardTotal += base;
    const double saving = 100.0 * (1.0 - bytes / base);
    worst = std::min(worst, saving);
    if (strategy == PackingStrategy::Compact) state.counters["saving_pct_L" + std::to_string(l)] = saving;
  }
  state.counters["payload_KB"] = total / 1024.0;
  state.counters["saving_pct"] = 100.0 * (1.0 - total / standardTotal);
  state.counters["saving_pct_worst"] = worst;
  Report(state, w);
  state.counters["real_text"] = w.real;
}

void BM_Decompile(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  bench::BenchFrame compileFrame;
  PivotRandom random;
  RunCompile(compileFrame, w.config, random, w.lgp, w.flash);
  for (auto _ : state) {
    bench::BenchFrame frame;
    frame.signatures = false;
    if (RunDecompile(frame, w.config, w.flash, w.back).Outcome != CommandOutcome::Done) {
      state.SkipWithError(frame.lastMessage.c_str());
      return;
    }
  }
  if (ReadWholeFile(w.back) != ReadWholeFile(w.lgp)) state.SkipWithError("round trip differs");
  Report(state, w);
}

// The check packs with both packers and writes nothing.
void BM_Check(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)), state.range(2) != 0);
  const std::vector<std::uint8_t> file = ReadWholeFile(w.lgp);
  for (auto _ : state) {
    const CheckReport report = CheckLgp(file, w.config.Chars);
    if (!report.Fits()) {
      state.SkipWithError("the generated pack does not fit");
      return;
    }
    benchmark::DoNotOptimize(report.Standard.PackLength);
  }
  Report(state, w);
}

// Export of the last language against the first.
void BM_ExportPo(benchmark::State& state) {
  const int languages = static_cast<int>(state.range(0));
  Workspace w(languages, static_cast<int>(state.range(1)));
  const ExportPoOptions options{languages, 1, "xx", "bench"};
  for (auto _ : state) {
    bench::BenchFrame frame;
    if (RunExportPo(frame, options, w.lgp, w.dir / "out.po").Outcome != CommandOutcome::Done) {
      state.SkipWithError(frame.lastMessage.c_str());
      return;
    }
  }
  Report(state, w);
}

// Import of a PO file in which every translation has changed.
void BM_ImportPo(benchmark::State& state) {
  const int languages = static_cast<int>(state.range(0));
  Workspace w(languages, static_cast<int>(state.range(1)));
  bench::BenchFrame exportFrame;
  RunExportPo(exportFrame, {languages, 1, "xx", "bench"}, w.lgp, w.dir / "out.po");
  PoCatalog catalog = ReadPoFile(w.dir / "out.po");
  for (PoEntry& entry : catalog.Entries) entry.Str += "!";
  WriteFileReplacing(w.dir / "edited.po", FormatPoFile(catalog));
  for (auto _ : state) {
    bench::BenchFrame frame;
    if (RunImportPo(frame, {languages, false}, w.lgp, w.dir / "edited.po", w.back).Outcome !=
        CommandOutcome::Done) {
      state.SkipWithError(frame.lastMessage.c_str());
      return;
    }
  }
  Report(state, w);
}

// A newer firmware's pack made from `old`: a message inserted at number 10
// (every later one moves up), every tenth reference text changed, and the
// last language holding the reference texts, as an untranslated pack would.
std::string RenumberedLgp(const std::string& old) {
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(old.data()), old.size());
  const LgpScan scan = ScanLgp(bytes);
  const int languages = static_cast<int>(scan.Languages.size());
  LgpWriter out;
  out.Header(languages, scan.MaxMsgId + 1);
  for (int l = 0; l < languages; ++l) {
    out.Language(l);
    const std::size_t from = l + 1 == languages ? 0 : static_cast<std::size_t>(l);
    for (int m = 0; m <= scan.MaxMsgId + 1; ++m) {
      const int source = m < 10 ? m : m - 1;
      std::u16string text = m == 10 ? u"Inserted message" : scan.Text(bytes, from, source);
      if (from == 0 && m % 10 == 5) text += u" (fixed)";
      out.String(m, text);
    }
  }
  return out.bytes;
}

// The merge of the last language from a realistic pack into its renumbered
// successor, files read and written.
void BM_Merge(benchmark::State& state) {
  const int languages = static_cast<int>(state.range(0));
  Workspace w(languages, static_cast<int>(state.range(1)), true);
  bool real = false;
  const std::filesystem::path newer = w.dir / "new.lgp";
  std::ofstream(newer, std::ios::binary) << RenumberedLgp(RealisticLgp(languages, static_cast<int>(state.range(1)), real));
  int changed = 0;
  for (auto _ : state) {
    bench::BenchFrame frame;
    const MergeCommandResult merged = RunMerge(frame, {languages, 1, false}, w.lgp, newer, w.back);
    if (!merged.Report) {
      state.SkipWithError(frame.lastMessage.c_str());
      return;
    }
    changed = merged.Report->Changed;
  }
  state.counters["replaced"] = changed;
  state.counters["real"] = w.real;
  Report(state, w);
}

// Small (1 x 100), medium (3 x 1000) and large (10 x 3000, about 30 000 strings).
BENCHMARK(BM_Compile)
    ->ArgNames({"langs", "maxmsg", "compact", "real"})
    ->Args({1, 99, 0, 0})->Args({3, 999, 0, 0})->Args({10, 2999, 0, 0})
    ->Args({10, 2999, 1, 0})->Args({10, 2999, 0, 1})->Args({10, 2999, 1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompileImage)->ArgNames({"compact"})->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecompileImage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pack)
    ->ArgNames({"langs", "maxmsg", "compact", "real"})
    ->Args({10, 2999, 0, 0})->Args({10, 2999, 1, 0})->Args({10, 2999, 0, 1})->Args({10, 2999, 1, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Check)
    ->ArgNames({"langs", "maxmsg", "real"})
    ->Args({1, 99, 0})->Args({3, 999, 0})->Args({10, 2999, 0})->Args({10, 2999, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompile)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPo)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPo)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Merge)->ArgNames({"langs", "maxmsg"})->Args({10, 2999})->Unit(benchmark::kMillisecond);

// Writes the large inputs for timing tarvo-cli from outside.
int WriteInputs(const std::filesystem::path& dir) {
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "tarvo.ini", std::ios::binary) << kTables << "PHONETYPE " << kPhoneType << "\n";
  bool real = false;
  std::string names;
  std::ofstream(dir / "realistic.lgp", std::ios::binary) << RealisticLgp(10, 2999, real, &names);
  std::ofstream(dir / "renumbered.lgp", std::ios::binary) << RenumberedLgp(RealisticLgp(10, 2999, real));
  std::ofstream(dir / "generated.lgp", std::ios::binary) << GenerateLgp(10, 2999, 2024);
  std::vector<std::uint8_t> image(0x200 + 0x100000, 0xFF);
  for (int i = 0; i < 2; ++i) image[0x200 + i] = 0xBB, image[0x202 + i] = 0;
  WriteFileReplacing(dir / "flash.bin", image);
  std::cout << "Wrote " << DisplayPath(dir)
            << (real ? "; realistic.lgp holds languages " + names : " (no catalogs: realistic.lgp holds generated text)")
            << "\n";
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--write-inputs") == 0) return WriteInputs(argv[2]);
  if (argc == 3 && std::strcmp(argv[1], "--paired") == 0) return bench::ServePaired(argv[2]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
