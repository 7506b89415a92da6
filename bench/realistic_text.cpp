#include "bench/realistic_text.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>

namespace tarvo::bench {

namespace {

// Languages with many catalogs in Debian, in Latin, Latin-1, Latin
// Extended-A, Greek and Cyrillic script.
constexpr const char* kPreferred[] = {"de", "fr", "es", "ru", "el", "pl", "it", "cs", "uk", "sv",
                                      "pt_BR", "nl", "tr", "hu", "ro", "da", "fi", "sk", "bg", "pt"};

std::optional<std::uint32_t> Word(const std::string& file, std::size_t at, bool swap) {
  if (at + 4 > file.size()) return std::nullopt;
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const auto byte = static_cast<std::uint8_t>(file[at + static_cast<std::size_t>(swap ? i : 3 - i)]);
    value = (value << 8) | byte;
  }
  return value;
}

// msgid -> msgstr of one UTF-8 .mo file (first plural form); empty when the
// file is not a UTF-8 catalog.
std::map<std::string, std::string> ReadCatalog(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::map<std::string, std::string> entries;
  const auto magic = Word(file, 0, false);
  if (!magic || (*magic != 0x950412de && *magic != 0xde120495)) return entries;
  const bool swap = *magic == 0xde120495;
  const auto count = Word(file, 8, swap), originals = Word(file, 12, swap), translations = Word(file, 16, swap);
  if (!count || !originals || !translations) return entries;
  auto text = [&](std::uint32_t table, std::uint32_t i) -> std::optional<std::string> {
    const auto length = Word(file, std::size_t{table} + 8 * std::size_t{i}, swap);
    const auto offset = Word(file, std::size_t{table} + 8 * std::size_t{i} + 4, swap);
    if (!length || !offset || std::size_t{*offset} + *length > file.size()) return std::nullopt;
    return file.substr(*offset, *length);
  };
  for (std::uint32_t i = 0; i < *count; ++i) {
    const auto id = text(*originals, i), str = text(*translations, i);
    if (!id || !str) return {};
    if (id->empty()) {
      std::string header = *str;
      std::transform(header.begin(), header.end(), header.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
      if (header.find("charset=utf-8") == std::string::npos) return {};
      continue;
    }
    entries.emplace(*id, str->substr(0, str->find('\0')));
  }
  return entries;
}

// One line of UTF-16 text, or nothing where the translation is unfit.
std::optional<std::u16string> Clean(const std::string& utf8, const std::function<bool(char16_t)>& printable) {
  std::u16string text;
  for (std::size_t i = 0; i < utf8.size();) {
    const auto lead = static_cast<std::uint8_t>(utf8[i]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 0;
    if (length == 0 || i + length > utf8.size()) return std::nullopt;
    std::uint32_t code = length == 1 ? lead : lead & (length == 2 ? 0x1F : 0x0F);
    for (std::size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<std::uint8_t>(utf8[i + k]) & 0x3F);
    i += length;
    // Typography that a phone's character set lacks, as translators write it there.
    switch (code) {
      case u'\n': case u'\t': code = u' '; break;
      case 0x2018: case 0x2019: case 0x201A: case 0x201C: case 0x201D: case 0x201E: code = u'\''; break;
      case 0x2013: case 0x2014: code = u'-'; break;
      case 0x2026: text += u".."; code = u'.'; break;
      default: break;
    }
    if (code == u' ' && (text.empty() || text.back() == u' ')) continue;
    if (code == u'<' || code < 0x20 || code > 0xFFFF || !printable(static_cast<char16_t>(code))) return std::nullopt;
    text.push_back(static_cast<char16_t>(code));
  }
  while (!text.empty() && text.back() == u' ') text.pop_back();
  if (text.empty() || text.size() > 120) return std::nullopt;
  return text;
}

}  // namespace

TranslatedTexts ReadTranslatedTexts(const std::filesystem::path& localeDir, int languages, int messages,
                                    const std::function<bool(char16_t)>& printable) {
  TranslatedTexts result;
  std::vector<std::map<std::string, std::u16string>> found;
  for (const char* language : kPreferred) {
    if (static_cast<int>(found.size()) == languages) break;
    std::error_code error;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(localeDir / language / "LC_MESSAGES", error)) {
      if (entry.path().extension() == ".mo") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::map<std::string, std::u16string> texts;
    for (const auto& file : files) {
      for (const auto& [id, str] : ReadCatalog(file)) {
        if (const auto text = Clean(str, printable)) texts.emplace(id, *text);
      }
    }
    if (static_cast<int>(texts.size()) < messages) continue;
    result.Languages.push_back(language);
    found.push_back(std::move(texts));
  }
  if (static_cast<int>(found.size()) < languages) return {};

  // The messages every language translates first, then each language's others.
  std::vector<std::string> shared;
  for (const auto& [id, text] : found[0]) {
    if (std::all_of(found.begin(), found.end(), [&id = id](const auto& texts) { return texts.count(id) != 0; })) {
      shared.push_back(id);
    }
  }
  if (static_cast<int>(shared.size()) > messages) shared.resize(static_cast<std::size_t>(messages));
  const std::set<std::string> taken(shared.begin(), shared.end());
  for (const auto& texts : found) {
    std::vector<std::u16string> list;
    for (const std::string& id : shared) list.push_back(texts.at(id));
    for (auto it = texts.begin(); static_cast<int>(list.size()) < messages && it != texts.end(); ++it) {
      if (taken.count(it->first) == 0) list.push_back(it->second);
    }
    result.Texts.push_back(std::move(list));
  }
  return result;
}

}  // namespace tarvo::bench
