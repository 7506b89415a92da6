// What the compile reader and the layout-keeping scanner make of one .lgp
// file, in one form, so that tests and fuzz targets can require them to agree.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "config/error.h"
#include "config/text_utils.h"
#include "lgp/lgp_file.h"
#include "lgp/lgp_scan.h"

namespace tarvo::test {

struct LgpReading {
  std::string Refusal;  // the Error's text, "not read" without the byte order mark, empty when read
  std::int32_t MaxMsgId = 0;
  std::u16string LgPackId;
  std::vector<std::int32_t> LangIds;  // of the languages with a section
  std::vector<std::map<std::int32_t, std::u16string>> Texts;  // by language with a section, then message
  bool TextsBeyondSections = false;

  bool operator==(const LgpReading&) const = default;
  static LgpReading Refused(std::string why) {
    LgpReading reading;
    reading.Refusal = std::move(why);
    return reading;
  }

  // "max=3 id=Pack [7] 0=a 1=b [8] 26=c", with '?' for characters beyond ASCII; or the refusal.
  std::string Summary() const {
    if (!Refusal.empty()) return Refusal;
    const auto ascii = [](std::u16string_view text) {
      std::string out;
      for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
      return out;
    };
    std::string out = "max=" + std::to_string(MaxMsgId) + " id=" + ascii(LgPackId);
    for (std::size_t l = 0; l < Texts.size(); ++l) {
      out += " [" + std::to_string(LangIds[l]) + "]";
      for (const auto& [message, text] : Texts[l]) out += " " + std::to_string(message) + "=" + ascii(text);
    }
    return TextsBeyondSections ? out + " and texts beyond the sections" : out;
  }
};

inline LgpReading ReadByReader(std::span<const std::uint8_t> file, const CharTable& table) {
  LgpReading reading;
  LgpFile lgp;
  LgpDiagnostics diagnostics;
  try {
    if (ReadLgpFile(file, table, lgp, {}, &diagnostics) != LgpReadStatus::Read) return LgpReading::Refused("not read");
  } catch (const Error& e) {
    return LgpReading::Refused(e.what());
  }
  reading.MaxMsgId = lgp.MaxMsgId;
  reading.LgPackId = Latin1ToUtf16(lgp.LgPackId);
  const auto sections = static_cast<std::size_t>(std::max(std::min(lgp.LangCount, lgp.AllLangs), 0));
  for (std::size_t l = 0; l < diagnostics.Sources.size(); ++l) {
    if (l >= sections) {
      reading.TextsBeyondSections |= !diagnostics.Sources[l].empty();
      continue;
    }
    reading.LangIds.push_back(lgp.LangIds[l]);
    auto& texts = reading.Texts.emplace_back();
    for (const auto& [message, source] : diagnostics.Sources[l]) texts[message] = source.Text;
  }
  return reading;
}

inline LgpReading ReadByScanner(std::span<const std::uint8_t> file) {
  LgpReading reading;
  LgpScan scan;
  try {
    scan = ScanLgp(file);
  } catch (const Error& e) {
    const bool marked = file.size() >= 2 && file[0] == 0xFF && file[1] == 0xFE;
    return LgpReading::Refused(marked ? e.what() : "not read");
  }
  // The scanner keeps texts that the reader refuses to encode.
  if (!scan.CompileRefusal.empty()) return LgpReading::Refused(scan.CompileRefusal);
  reading.MaxMsgId = scan.MaxMsgId;
  reading.LgPackId = scan.LgPackId;
  for (std::size_t l = 0; l < scan.Languages.size(); ++l) {
    reading.LangIds.push_back(scan.Languages[l].LangId);
    auto& texts = reading.Texts.emplace_back();
    for (const auto& [message, line] : scan.Languages[l].Texts) texts[message] = scan.Text(file, l, message);
  }
  return reading;
}

}  // namespace tarvo::test
