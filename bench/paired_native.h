// One call at a time for bench/wasm_bench.mjs, which runs the module's beside it.
#pragma once

#include <filesystem>

namespace tarvo::bench {

// Answers each line of standard input ("compile standard", "compile compact",
// "decompile", "measure") with the time of one such call in milliseconds.
int ServePaired(const std::filesystem::path& dir);

}  // namespace tarvo::bench
