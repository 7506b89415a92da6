// The promise of decompile and compile to the user: a pack decompiled and
// compiled back, unchanged, shows every text as it was. Shared by the
// randomized test and the fuzz target.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

#include "tests/support/pack_builder.h"

namespace tarvo::test {

struct RoundTripCase {
  std::string trans;          // the TRANS lines of the configuration
  const char* phoneType = kFlashType;
  PackPlan plan;
  bool hexNumbers = false;
};

// A value from 0 to limit - 1.
using Draw = std::function<std::uint32_t(std::uint32_t limit)>;

// A small pack under a sane character table: one entry per selector and per
// base, every base a multiple of 80 (hexadecimal), a few languages and short
// strings of bytes that favour the table's selectors, "<", ">" and
// hexadecimal digits. (Two selectors of one window would break the property:
// before a character of that window the compile writes both, and the first,
// followed by a selector, then reads as an escape.) A byte 00 outside any
// window is left out: it is written as "<00>", which is no escape.
RoundTripCase RandomRoundTripCase(const Draw& draw);

// Runs the round trips in `folder` and returns what broke, or "" when:
//  - without signatures, decompile -> compile -> decompile gives the same
//    .lgp file again;
//  - with signatures, a second compile and decompile changes no byte of the
//    .lgp file (the first compile may add the window selector that a
//    string's first character looks for, which the phone does not show);
//    only a string that begins with the escape <3C> may change once more,
//    and the third round changes nothing (round_trip.cpp tells why);
//  - the text the phone shows (the decompile without signatures) is the same
//    after either round.
std::string CheckRoundTrip(const RoundTripCase& c, const std::filesystem::path& folder);

// The same property with the pack left out, for speed: the phone bytes of
// every string go through the decoder into the "String" lines of a .lgp file
// in memory, and its reader turns them back into phone bytes. (Packing keeps
// those bytes exactly: every compile reads its pack back before writing.)
std::string CheckTextRoundTrip(const RoundTripCase& c);

// The case as text, for a failure report.
std::string Describe(const RoundTripCase& c);

}  // namespace tarvo::test
