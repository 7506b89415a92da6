// The native half of bench/wasm_bench.mjs: `tarvo_bench --paired DIR` reads
// the inputs of --write-inputs from DIR, then runs one call for each line of
// standard input and answers its time in milliseconds. The module's run and
// the native one follow each other within milliseconds, so that the spells
// in which this machine runs slower fall on both alike.
#include "bench/paired_native.h"

#include <chrono>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_frame.h"
#include "compile/compile_command.h"
#include "config/configuration.h"
#include "config/file_io.h"
#include "decompile/decompile_command.h"
#include "document/document.h"
#include "document/measure.h"

namespace tarvo::bench {

namespace {

struct PairedInputs {
  Configuration config;
  std::vector<std::uint8_t> lgp, image;
};

std::vector<std::uint8_t> Compile(const PairedInputs& in, PackingStrategy strategy) {
  BenchFrame frame;
  PivotRandom random;
  const FlashSource flash{"flash.bin", [&in] { return in.image; }};
  return CompileImage(frame, in.lgp, flash, in.config, random, strategy).Image;
}

}  // namespace

int ServePaired(const std::filesystem::path& dir) {
  PairedInputs in;
  const std::vector<std::uint8_t> ini = ReadWholeFile(dir / "tarvo.ini");
  LoadConfigurationText(std::string(ini.begin(), ini.end()), in.config);
  in.lgp = ReadWholeFile(dir / "realistic.lgp");
  in.image = ReadWholeFile(dir / "flash.bin");

  // What a call needs beforehand, made at its first use, outside its time.
  std::vector<std::uint8_t> compiled;
  std::optional<Document> document;
  const PivotRandom random;
  int round = 0;

  std::string call;
  while (std::getline(std::cin, call)) {
    if (call == "decompile" && compiled.empty()) compiled = Compile(in, PackingStrategy::Standard);
    if (call == "measure" && !document) {
      document = Document::FromLgp(in.lgp, "realistic.lgp", in.config);
      MeasureDocument(TakeSnapshot(*document, random));
    }
    const auto start = std::chrono::steady_clock::now();
    if (call == "compile standard") {
      Compile(in, PackingStrategy::Standard);
    } else if (call == "compile compact") {
      Compile(in, PackingStrategy::Compact);
    } else if (call == "decompile") {
      // As tarvo-cli and the module run it: on a frame, with its progress.
      BenchFrame frame;
      DecompileOnFrame(frame, compiled, "flash.bin", in.config);
    } else if (call == "measure") {
      // A word added to a message of the last language, as the module's run does.
      const std::int32_t message = 1000 + round++ % 1000;
      const std::size_t last = document->LanguageCount() - 1;
      document->Apply({{last, message, document->Text(last, message) + u" x"}});
      MeasureDocument(TakeSnapshot(*document, random));
    } else {
      std::cerr << "unknown call: " << call << "\n";
      return 2;
    }
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    std::cout << took.count() << std::endl;
  }
  return 0;
}

}  // namespace tarvo::bench
