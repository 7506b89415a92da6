// Property fuzz target: the bytes choose a character table, the strings of a
// small pack and the number form; decoding them into a .lgp file and reading
// it back must keep every text as the phone shows it (see
// tests/support/round_trip.h; the randomized test runs the same property
// through the decompile and compile commands).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "tests/support/round_trip.h"

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
  const std::string broken = tarvo::test::CheckTextRoundTrip(c);
  if (!broken.empty()) {
    std::fprintf(stderr, "%s\n%s", broken.c_str(), tarvo::test::Describe(c).c_str());
    __builtin_trap();
  }
  return 0;
}
