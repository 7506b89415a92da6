#include "tests/support/round_trip.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>

#include "codec/decode.h"
#include "codec/encode.h"
#include "compile/compile_command.h"
#include "config/error.h"
#include "config/text_utils.h"
#include "decompile/decompile_command.h"
#include "lgp/lgp_file.h"
#include "tests/support/lgp_text.h"
#include "tests/support/test_frame.h"

namespace tarvo::test {

namespace {

namespace fs = std::filesystem;

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*X", digits, value);
  return text;
}

void Save(const fs::path& path, const ByteString& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

ByteString Load(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::u16string Ascii(const std::string& text) { return {text.begin(), text.end()}; }

std::string Narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c)) : "\\u" + Hex(c, 4);
  return out;
}

// The case in which a second round with signatures still changes a string: its
// text begins with the escape <3C> of a "<" (behind nothing but escapes
// that set no window). That escape takes no window, so the first compile
// writes the window selector of the first character behind it, which parts
// the "<" from the text it was escaped for; the "<" then reads as a
// character, and the second compile writes the selector before it instead.
// A third round changes nothing, and the phone shows the same text.
bool BeginsWithEscapedLessThan(std::u16string_view text, const CharTable& table) {
  for (std::size_t p = 0; p + 3 < text.size() && text[p] == u'<' && text[p + 3] == u'>'; p += 4) {
    const int escape = EscapeAt(text, p);
    if (escape == 0) return false;
    const auto byte = static_cast<std::uint8_t>(escape);
    if (byte == 0x3C) return true;
    if (byte >= 0x91 || table.Knows(byte)) return false;
  }
  return false;
}

// The text between the quotation marks of a "String" line.
std::u16string_view QuotedText(std::u16string_view line) {
  const auto open = line.find(u'"');
  return open == std::u16string_view::npos || line.size() < open + 2 ? std::u16string_view()
                                                                     : line.substr(open + 1, line.size() - open - 2);
}

// The first line in which two .lgp files differ, or "" when they are equal.
std::string FirstDifference(const ByteString& expected, const ByteString& found) {
  if (expected == found) return {};
  const auto a = LgpLines(expected);
  const auto b = LgpLines(found);
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    const std::u16string x = i < a.size() ? a[i] : u"(none)";
    const std::u16string y = i < b.size() ? b[i] : u"(none)";
    if (x != y) return "line " + std::to_string(i + 1) + ": expected " + Narrow(x) + ", found " + Narrow(y);
  }
  return "the files differ in their line ends";
}

class Runner {
 public:
  Runner(const RoundTripCase& c, const fs::path& folder) : case_(c), folder_(folder) {
    LoadConfigurationText(c.trans + "PHONETYPE " + c.phoneType + "\n", config_);
  }

  // The .lgp file of the flash file, or nothing when the decompile fails.
  std::optional<ByteString> Decompile(const std::string& flash, bool signatures) {
    TestFrame frame;
    frame.signatures = signatures;
    frame.hexNumbers = case_.hexNumbers;
    const fs::path lgp = folder_ / "out.lgp";
    if (RunDecompile(frame, config_, folder_ / flash, lgp).Outcome != CommandOutcome::Done) return std::nullopt;
    return Load(lgp);
  }

  const CharTable& Table() const { return config_.Chars; }

  // Compiles `lgp` into a copy of the flash file `from` named `to`.
  bool Compile(const ByteString& lgp, const std::string& from, const std::string& to) {
    Save(folder_ / "in.lgp", lgp);
    Save(folder_ / to, Load(folder_ / from));
    TestFrame frame;
    PivotRandom random;
    return RunCompile(frame, config_, random, folder_ / "in.lgp", folder_ / to).Outcome == CommandOutcome::Done;
  }

 private:
  const RoundTripCase& case_;
  fs::path folder_;
  Configuration config_;
};

// An exception to the property: a byte 00 outside any window (base 0,
// or after an unknown selector of 91 or above) is written as "<00>", which
// is no escape and reads back as four characters; the selector before it,
// written as an escape because a control byte followed, then has a
// character behind it and reads back as silent. Such bytes become 01.
void AvoidBareZeros(ByteString& s, const std::vector<std::uint8_t>& selectors,
                    const std::vector<std::uint32_t>& bases) {
  std::int64_t base = 0;
  for (std::uint8_t& b : s) {
    if (b >= 0x80) {
      if (b >= 0x91) base = -1;
      const auto known = std::find(selectors.begin(), selectors.end(), b);
      if (known != selectors.end()) base = bases[static_cast<std::size_t>(known - selectors.begin())];
    } else if (b == 0 && base <= 0) {
      b = 1;
    }
  }
}

}  // namespace

RoundTripCase RandomRoundTripCase(const Draw& draw) {
  RoundTripCase c;
  // Up to four windows, each selector and each base once; a base-0 entry
  // most of the time, since texts that mix windows need one.
  std::vector<std::uint8_t> selectors;
  std::vector<std::uint32_t> bases;
  const std::uint32_t entries = draw(5);
  for (std::uint32_t i = 0; i < entries; ++i) {
    const auto selector = static_cast<std::uint8_t>(0x80 + draw(0x80));
    const std::uint32_t base = i == 0 && draw(4) != 0 ? 0 : 0x80 * draw(0x100);
    if (std::find(selectors.begin(), selectors.end(), selector) != selectors.end() ||
        std::find(bases.begin(), bases.end(), base) != bases.end()) {
      continue;
    }
    selectors.push_back(selector);
    bases.push_back(base);
    c.trans += "TRANS " + Hex(selector, 2) + "," + Hex(base, 4) + "\n";
  }

  static const char* const kTypes[] = {kFlashType, kBareType};
  c.phoneType = kTypes[draw(2)];
  const PhoneTypeRecord type = TypeOf(c.phoneType);
  const int languages = 1 + static_cast<int>(draw(3));
  const int maxMsgId = type.MaxMsgIdPos ? static_cast<int>(draw(6)) : type.DefaultMaxMsgId;
  c.hexNumbers = draw(4) == 0;

  static const char kTextBytes[] = "<<>0123456789ABCDEFabg ";
  for (int l = 0; l < languages; ++l) {
    c.plan.langIds.push_back(static_cast<std::uint8_t>(1 + l + draw(20)));
    std::vector<ByteString>& strings = c.plan.strings.emplace_back();
    for (int m = 0; m <= maxMsgId; ++m) {
      ByteString& s = strings.emplace_back();
      const std::uint32_t length = draw(4) == 0 ? 0 : draw(24);
      for (std::uint32_t i = 0; i < length; ++i) {
        switch (draw(4)) {
          case 0:
            s.push_back(selectors.empty() || draw(3) == 0 ? static_cast<std::uint8_t>(0x80 + draw(0x80))
                                                          : selectors[draw(static_cast<std::uint32_t>(selectors.size()))]);
            break;
          case 1:
            s.push_back(static_cast<std::uint8_t>(kTextBytes[draw(sizeof kTextBytes - 1)]));
            break;
          case 2:
            s.push_back(static_cast<std::uint8_t>(draw(0x20)));
            break;
          default:
            s.push_back(static_cast<std::uint8_t>(draw(0x80)));
        }
      }
      AvoidBareZeros(s, selectors, bases);
    }
  }
  return c;
}

std::string CheckRoundTrip(const RoundTripCase& c, const fs::path& folder) {
  const PhoneTypeRecord type = TypeOf(c.phoneType);
  PackPlan plan = c.plan;
  plan.imageSize = static_cast<std::size_t>(type.PackOffset) + 0x8000;
  Save(folder / "phone.bin", BuildImage(type, plan));
  Runner run(c, folder);

  const auto shown = run.Decompile("phone.bin", false);
  if (!shown) return "the pack does not decompile";

  // Without signatures: the same file again.
  if (!run.Compile(*shown, "phone.bin", "plain.bin")) return "the decompiled file does not compile";
  const auto plainAgain = run.Decompile("plain.bin", false);
  if (!plainAgain) return "the compiled pack does not decompile";
  if (auto d = FirstDifference(*shown, *plainAgain); !d.empty()) return "without signatures, " + d;

  // With signatures: the second round changes nothing, and the phone shows
  // the same texts after either round.
  const auto signed1 = run.Decompile("phone.bin", true);
  if (!signed1 || !run.Compile(*signed1, "phone.bin", "signed1.bin")) return "with signatures, the first round fails";
  const auto signed2 = run.Decompile("signed1.bin", true);
  if (!signed2 || !run.Compile(*signed2, "signed1.bin", "signed2.bin")) return "with signatures, the second round fails";
  const auto signed3 = run.Decompile("signed2.bin", true);
  if (!signed3) return "with signatures, the third decompile fails";
  if (auto d = FirstDifference(*signed2, *signed3); !d.empty()) {
    const auto lines0 = LgpLines(*signed1), lines2 = LgpLines(*signed2), lines3 = LgpLines(*signed3);
    for (std::size_t i = 0; i < lines2.size() && i < lines3.size() && i < lines0.size(); ++i) {
      if (lines2[i] != lines3[i] && !BeginsWithEscapedLessThan(QuotedText(lines0[i]), run.Table())) {
        return "with signatures, the second round changed " + d;
      }
    }
    if (!run.Compile(*signed3, "signed2.bin", "signed3.bin")) return "with signatures, the third round fails";
    const auto signed4 = run.Decompile("signed3.bin", true);
    if (!signed4) return "with signatures, the fourth decompile fails";
    if (auto d3 = FirstDifference(*signed3, *signed4); !d3.empty()) return "with signatures, the third round changed " + d3;
  }
  for (const char* flash : {"signed1.bin", "signed2.bin"}) {
    const auto shownNow = run.Decompile(flash, false);
    if (!shownNow) return std::string(flash) + " does not decompile";
    if (auto d = FirstDifference(*shown, *shownNow); !d.empty()) {
      return std::string("after compiling with signatures (") + flash + "), the phone shows another text in " + d;
    }
  }
  return {};
}

namespace {

using Texts = std::vector<std::vector<std::u16string>>;

Texts DecodeAll(const std::vector<std::vector<ByteString>>& strings, const CharTable& table, bool signatures) {
  Texts texts;
  for (const auto& language : strings) {
    auto& decoded = texts.emplace_back();
    for (const ByteString& s : language) decoded.push_back(DecodePhoneString(s, table, signatures));
  }
  return texts;
}

// The phone bytes the reader makes of the texts' "String" lines.
std::optional<std::vector<std::vector<ByteString>>> ReadBack(const Texts& texts, const CharTable& table,
                                                             bool hexNumbers) {
  std::vector<std::u16string> lines = {u"AllLangs " + Ascii(std::to_string(texts.size())),
                                       u"MaxMsgId " + Ascii(std::to_string(texts.at(0).size() - 1))};
  for (const auto& language : texts) {
    lines.push_back(u"LangId 1");
    for (std::size_t m = 0; m < language.size(); ++m) {
      const std::string number = hexNumbers ? "$" + Hex(static_cast<std::uint32_t>(m), 1) : std::to_string(m);
      lines.push_back(u"String " + Ascii(number) + u", \"" + language[m] + u"\"");
    }
  }
  LgpFile lgp;
  try {
    if (ReadLgpFile(LgpBytes(lines), table, lgp) != LgpReadStatus::Read) return std::nullopt;
  } catch (const Error&) {
    return std::nullopt;
  }
  std::vector<std::vector<ByteString>> strings(texts.size());
  for (std::size_t l = 0; l < texts.size(); ++l) {
    for (std::size_t m = 0; m < texts[l].size(); ++m) {
      strings[l].push_back(lgp.StringAt(static_cast<std::int32_t>(l), static_cast<std::int32_t>(m)));
    }
  }
  return strings;
}

std::string FirstDifference(const Texts& expected, const Texts& found) {
  for (std::size_t l = 0; l < expected.size(); ++l) {
    for (std::size_t m = 0; m < expected[l].size(); ++m) {
      if (expected[l][m] != found[l][m]) {
        return "string " + std::to_string(m) + " of language " + std::to_string(l + 1) + ": expected " +
               Narrow(expected[l][m]) + ", found " + Narrow(found[l][m]);
      }
    }
  }
  return {};
}

}  // namespace

std::string CheckTextRoundTrip(const RoundTripCase& c) {
  Configuration config;
  LoadConfigurationText(c.trans, config);
  const CharTable& table = config.Chars;
  const auto& phone = c.plan.strings;

  const Texts shown = DecodeAll(phone, table, false);
  const auto plain = ReadBack(shown, table, c.hexNumbers);
  if (!plain) return "the decoded texts do not read back";
  if (auto d = FirstDifference(shown, DecodeAll(*plain, table, false)); !d.empty()) return "without signatures, " + d;

  const Texts signed0Texts = DecodeAll(phone, table, true);
  const auto signed1 = ReadBack(signed0Texts, table, c.hexNumbers);
  if (!signed1) return "with signatures, the first round does not read back";
  const Texts signed2Texts = DecodeAll(*signed1, table, true);
  const auto signed2 = ReadBack(signed2Texts, table, c.hexNumbers);
  if (!signed2) return "with signatures, the second round does not read back";
  const Texts signed3Texts = DecodeAll(*signed2, table, true);
  if (auto d = FirstDifference(signed2Texts, signed3Texts); !d.empty()) {
    for (std::size_t l = 0; l < signed2Texts.size(); ++l) {
      for (std::size_t m = 0; m < signed2Texts[l].size(); ++m) {
        if (signed2Texts[l][m] != signed3Texts[l][m] && !BeginsWithEscapedLessThan(signed0Texts[l][m], table)) {
          return "with signatures, the second round changed " + d;
        }
      }
    }
    const auto signed3 = ReadBack(signed3Texts, table, c.hexNumbers);
    if (!signed3) return "with signatures, the third round does not read back";
    if (auto d3 = FirstDifference(signed3Texts, DecodeAll(*signed3, table, true)); !d3.empty()) {
      return "with signatures, the third round changed " + d3;
    }
  }
  for (const auto* strings : {&*signed1, &*signed2}) {
    if (auto d = FirstDifference(shown, DecodeAll(*strings, table, false)); !d.empty()) {
      return "after compiling with signatures, the phone shows another text in " + d;
    }
  }
  return {};
}

std::string Describe(const RoundTripCase& c) {
  std::string text = c.trans + "PHONETYPE " + c.phoneType + (c.hexNumbers ? "\nhex numbers" : "") + "\n";
  for (std::size_t l = 0; l < c.plan.strings.size(); ++l) {
    text += "LangId " + std::to_string(c.plan.langIds[l]) + "\n";
    for (std::size_t m = 0; m < c.plan.strings[l].size(); ++m) {
      text += "  " + std::to_string(m) + ":";
      for (std::uint8_t b : c.plan.strings[l][m]) text += " " + Hex(b, 2);
      text += "\n";
    }
  }
  return text;
}

}  // namespace tarvo::test
