// The language packs the benchmarks work on: generated text in five
// scripts, or real translations where the machine has gettext catalogs.
#pragma once

#include <cstdint>
#include <string>

#include "lgp/unicode_line.h"

namespace tarvo::bench {

inline constexpr const char* kPhoneType = "BENCH, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0";
inline constexpr const char* kTables = "TRANS 80,0\nTRANS 83,80\nTRANS 84,100\nTRANS 82,380\nTRANS 81,400\n";

inline std::u16string ToUtf16(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// Writes .lgp lines as the decompile command does with the signature option off.
struct LgpWriter {
  std::string bytes = "\xFF\xFE";
  void Line(const std::u16string& text) {
    AppendUtf16Le(text, bytes);
    AppendUtf16Le(u"\r\n", bytes);
  }
  void Header(int languages, int maxMsgId) {
    for (const char* text : {";", "; Header info", ";"}) Line(ToUtf16(text));
    Line(u"PhoneType " + ToUtf16(kPhoneType));
    Line(u"AllLangs " + ToUtf16(std::to_string(languages)));
    Line(u"MaxMsgId " + ToUtf16(std::to_string(maxMsgId)));
    Line(u"LgPackId BENCH");
    Line(u";");
  }
  void Language(int l) {
    for (const char* text : {";", "; Language data", ";"}) Line(ToUtf16(text));
    Line(u"LangId " + ToUtf16(std::to_string(l)));
  }
  void String(int m, const std::u16string& text) { Line(u"String " + ToUtf16(std::to_string(m)) + u", \"" + text + u"\""); }
};

// The bytes of a .lgp file of `languages` x (`maxMsgId` + 1) generated strings.
std::string GenerateLgp(int languages, int maxMsgId, std::uint32_t seed);

// Real translations where the machine has them, else generated text; `real`
// tells which, and `names` gets the languages' locale names.
std::string RealisticLgp(int languages, int maxMsgId, bool& real, std::string* names = nullptr);

}  // namespace tarvo::bench
