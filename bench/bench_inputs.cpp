#include "bench/bench_inputs.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "bench/realistic_text.h"
#include "config/configuration.h"
#include "lgp/unicode_line.h"

namespace tarvo::bench {

namespace {

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

std::u16string Ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

void LgpWriter::Line(const std::u16string& text) {
  AppendUtf16Le(text, bytes);
  AppendUtf16Le(u"\r\n", bytes);
}

void LgpWriter::Header(int languages, int maxMsgId) {
  for (const char* text : {";", "; Header info", ";"}) Line(Ascii(text));
  Line(u"PhoneType " + Ascii(kPhoneType));
  Line(u"AllLangs " + Ascii(std::to_string(languages)));
  Line(u"MaxMsgId " + Ascii(std::to_string(maxMsgId)));
  Line(u"LgPackId BENCH");
  Line(u";");
}

void LgpWriter::Language(int l) {
  for (const char* text : {";", "; Language data", ";"}) Line(Ascii(text));
  Line(u"LangId " + Ascii(std::to_string(l)));
}

void LgpWriter::String(int m, const std::u16string& text) {
  Line(u"String " + Ascii(std::to_string(m)) + u", \"" + text + u"\"");
}

std::string GenerateLgp(int languages, int maxMsgId, std::uint32_t seed) {
  std::mt19937 random(seed);
  const auto scripts = Scripts();
  LgpWriter out;
  auto line = [&](const std::u16string& text) { out.Line(text); };
  auto ascii = Ascii;
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
  return out.bytes;
}

std::string RealisticLgp(int languages, int maxMsgId, bool& real, std::string* names) {
  static std::map<std::pair<int, int>, std::pair<bool, std::string>> made;  // read once per run
  auto& [wasReal, bytes] = made[{languages, maxMsgId}];
  if (!bytes.empty()) {
    real = wasReal;
    return bytes;
  }
  Configuration config;
  LoadConfigurationText(kTables, config);
  const auto texts = ReadTranslatedTexts("/usr/share/locale", languages, maxMsgId + 1, [&](char16_t c) {
    const auto& entries = config.Chars.Entries();
    return std::any_of(entries.begin(), entries.end(),
                       [&](const CharTableEntry& e) { return c >= e.base && c < e.base + 128; });
  });
  real = wasReal = !texts.Languages.empty();
  for (const auto& name : texts.Languages) {
    if (names) *names += (names->empty() ? "" : " ") + name;
  }
  if (!real) return bytes = GenerateLgp(languages, maxMsgId, 2025);
  LgpWriter out;
  out.Header(languages, maxMsgId);
  for (int l = 0; l < languages; ++l) {
    out.Language(l);
    for (int m = 0; m <= maxMsgId; ++m)
      out.String(m, texts.Texts[static_cast<std::size_t>(l)][static_cast<std::size_t>(m)]);
  }
  bytes = out.bytes;
  return bytes;
}

}  // namespace tarvo::bench
