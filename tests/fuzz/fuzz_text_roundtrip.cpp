// Property fuzz target: the bytes choose a character table, a small pack and
// the decompile options; decompiling it and compiling it back must keep
// every text as the phone shows it (see tests/support/round_trip.h).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/round_trip.h"

namespace {

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    // In memory where the system offers it: the commands sync what they write.
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    auto path = base / ("tarvo-fuzz-text-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(Folder(), ignored);
    });
    return path;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::size_t at = 0;
  // One input byte per choice of up to 256 values, two for larger ones;
  // zeros once the input is used up.
  const tarvo::test::Draw draw = [&](std::uint32_t limit) -> std::uint32_t {
    std::uint32_t value = 0;
    for (int i = 0; i < (limit > 256 ? 2 : 1); ++i) value = value * 256 + (at < size ? data[at++] : 0);
    return limit ? value % limit : 0;
  };
  const tarvo::test::RoundTripCase c = tarvo::test::RandomRoundTripCase(draw);
  const std::string broken = tarvo::test::CheckRoundTrip(c, Folder());
  if (!broken.empty()) {
    std::fprintf(stderr, "%s\n%s", broken.c_str(), tarvo::test::Describe(c).c_str());
    __builtin_trap();
  }
  return 0;
}
