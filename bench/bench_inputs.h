// The language packs the benchmarks work on: generated text in five
// scripts, or real translations where the machine has gettext catalogs.
#pragma once

#include <cstdint>
#include <string>

namespace tarvo::bench {

inline constexpr const char* kPhoneType = "BENCH, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0";
inline constexpr const char* kTables = "TRANS 80,0\nTRANS 83,80\nTRANS 84,100\nTRANS 82,380\nTRANS 81,400\n";

// Writes .lgp lines as the decompile command does with the signature option off.
struct LgpWriter {
  std::string bytes = "\xFF\xFE";
  void Line(const std::u16string& text);
  void Header(int languages, int maxMsgId);
  void Language(int l);
  void String(int m, const std::u16string& text);
};

// The bytes of a .lgp file of `languages` x (`maxMsgId` + 1) generated strings.
std::string GenerateLgp(int languages, int maxMsgId, std::uint32_t seed);

// Real translations where the machine has them, else generated text; `real`
// tells which, and `names` gets the languages' locale names.
std::string RealisticLgp(int languages, int maxMsgId, bool& real, std::string* names = nullptr);

}  // namespace tarvo::bench
