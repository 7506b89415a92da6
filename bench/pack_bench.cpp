// Compile and decompile of generated, realistic language packs: languages
// in Latin, Latin-1, Latin Extended-A, Greek and Cyrillic, strings of 3 to
// 60 characters made of recurring words, as menus are.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/command_frame.h"
#include "codec/unicode_line.h"
#include "compile/compile_command.h"
#include "config/configuration.h"
#include "config/file_io.h"
#include "decompile/decompile_command.h"
#include "po/export_po.h"
#include "po/import_po.h"
#include "tests/support/test_frame.h"

namespace {

using namespace tarvo;

constexpr const char* kPhoneType = "BENCH, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0";

// Letters of each script: the window base and the letters used.
struct Script {
  std::u16string letters;
};

std::vector<Script> Scripts() {
  std::u16string latin = u"abcdefghijklmnopqrstuvwxyzeeaaoiu";
  std::u16string latin1 = u"abcdefghilmnoprstuv\u00E4\u00F6\u00FC\u00DF\u00E9\u00E8\u00E0\u00E7";
  std::u16string extA = u"acdeilnorstuwyz\u0105\u0107\u0119\u0142\u0144\u015B\u017A\u017C\u010D\u0161";
  std::u16string greek, cyrillic;
  for (char16_t c = 0x03B1; c <= 0x03C9; ++c) greek.push_back(c);
  for (char16_t c = 0x0430; c <= 0x044F; ++c) cyrillic.push_back(c);
  return {{latin}, {latin1}, {extA}, {greek}, {cyrillic}};
}

// A .lgp file of `languages` x (`maxMsgId` + 1) strings, as the decompile
// command writes it with the signature option off.
std::string GenerateLgp(int languages, int maxMsgId, std::uint32_t seed) {
  std::mt19937 random(seed);
  const auto scripts = Scripts();
  std::string bytes = "\xFF\xFE";
  auto line = [&](const std::u16string& text) {
    AppendUtf16Le(text, bytes);
    AppendUtf16Le(u"\r\n", bytes);
  };
  auto ascii = [](const std::string& s) { return std::u16string(s.begin(), s.end()); };
  line(u";");
  line(u"; Header info");
  line(u";");
  line(u"PhoneType " + ascii(kPhoneType));
  line(u"AllLangs " + ascii(std::to_string(languages)));
  line(u"MaxMsgId " + ascii(std::to_string(maxMsgId)));
  line(u"LgPackId BENCH");
  line(u";");
  for (int l = 0; l < languages; ++l) {
    const Script& script = scripts[static_cast<std::size_t>(l) % scripts.size()];
    std::vector<std::u16string> words;
    for (int w = 0; w < 400; ++w) {
      std::u16string word;
      const int length = 2 + static_cast<int>(random() % 9);
      for (int i = 0; i < length; ++i) word.push_back(script.letters[random() % script.letters.size()]);
      if (w % 7 == 0) word[0] = static_cast<char16_t>(u'A' + random() % 26);
      words.push_back(word);
    }
    line(u";");
    line(u"; Language data");
    line(u";");
    line(u"LangId " + ascii(std::to_string(l)));
    for (int m = 0; m <= maxMsgId; ++m) {
      const std::size_t target = 3 + random() % 58;
      std::u16string text;
      while (text.size() < target) {
        if (!text.empty()) text.push_back(random() % 9 == 0 ? u',' : u' ');
        // Words follow a skewed distribution, the frequent ones short.
        const std::size_t index = static_cast<std::size_t>(std::pow(random() % 1000 / 1000.0, 2.5) * 400);
        text += words[index];
      }
      text.resize(target);
      if (text.back() == u' ') text.back() = u'.';
      line(u"String " + ascii(std::to_string(m)) + u", \"" + text + u"\"");
    }
  }
  return bytes;
}

struct Workspace {
  std::filesystem::path dir;
  Configuration config;
  std::filesystem::path lgp, flash, back;

  Workspace(int languages, int maxMsgId) {
    dir = std::filesystem::temp_directory_path() /
          ("tarvo-bench-" + std::to_string(languages) + "-" + std::to_string(maxMsgId));
    std::filesystem::create_directories(dir);
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 83,80\nTRANS 84,100\nTRANS 82,380\nTRANS 81,400\n") +
                              "PHONETYPE " + kPhoneType + "\n",
                          config);
    lgp = dir / "input.lgp";
    flash = dir / "flash.bin";
    back = dir / "back.lgp";
    std::ofstream(lgp, std::ios::binary) << GenerateLgp(languages, maxMsgId, 2024);
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

void BM_Compile(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  for (auto _ : state) {
    test::TestFrame frame;
    PivotRandom random;
    if (RunCompile(frame, w.config, random, w.lgp, w.flash).Outcome != CommandOutcome::Done) {
      state.SkipWithError(frame.messages.empty() ? "stopped" : frame.messages.back().Text.c_str());
      return;
    }
  }
  // The round trip must give the input back.
  test::TestFrame frame;
  frame.signatures = false;
  RunDecompile(frame, w.config, w.flash, w.back);
  if (ReadWholeFile(w.back) != ReadWholeFile(w.lgp)) state.SkipWithError("round trip differs");
  Report(state, w);
}

void BM_Decompile(benchmark::State& state) {
  Workspace w(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  test::TestFrame compileFrame;
  PivotRandom random;
  RunCompile(compileFrame, w.config, random, w.lgp, w.flash);
  for (auto _ : state) {
    test::TestFrame frame;
    frame.signatures = false;
    if (RunDecompile(frame, w.config, w.flash, w.back).Outcome != CommandOutcome::Done) {
      state.SkipWithError(frame.messages.empty() ? "stopped" : frame.messages.back().Text.c_str());
      return;
    }
  }
  if (ReadWholeFile(w.back) != ReadWholeFile(w.lgp)) state.SkipWithError("round trip differs");
  Report(state, w);
}

// Export of the last language against the first.
void BM_ExportPo(benchmark::State& state) {
  const int languages = static_cast<int>(state.range(0));
  Workspace w(languages, static_cast<int>(state.range(1)));
  const ExportPoOptions options{languages, 1, "xx", "bench"};
  for (auto _ : state) {
    test::TestFrame frame;
    if (RunExportPo(frame, options, w.lgp, w.dir / "out.po").Outcome != CommandOutcome::Done) {
      state.SkipWithError(frame.messages.empty() ? "stopped" : frame.messages.back().Text.c_str());
      return;
    }
  }
  Report(state, w);
}

// Import of a PO file in which every translation has changed.
void BM_ImportPo(benchmark::State& state) {
  const int languages = static_cast<int>(state.range(0));
  Workspace w(languages, static_cast<int>(state.range(1)));
  test::TestFrame exportFrame;
  RunExportPo(exportFrame, {languages, 1, "xx", "bench"}, w.lgp, w.dir / "out.po");
  PoCatalog catalog = ReadPoFile(w.dir / "out.po");
  for (PoEntry& entry : catalog.Entries) entry.Str += "!";
  WriteFileReplacing(w.dir / "edited.po", FormatPoFile(catalog));
  for (auto _ : state) {
    test::TestFrame frame;
    if (RunImportPo(frame, {languages, false}, w.lgp, w.dir / "edited.po", w.back).Outcome !=
        CommandOutcome::Done) {
      state.SkipWithError(frame.messages.empty() ? "stopped" : frame.messages.back().Text.c_str());
      return;
    }
  }
  Report(state, w);
}

// Small (1 x 100), medium (3 x 1000) and large (10 x 3000, about 30 000 strings).
BENCHMARK(BM_Compile)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decompile)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportPo)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportPo)->Args({1, 99})->Args({3, 999})->Args({10, 2999})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
