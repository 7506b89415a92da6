#include "memory/po_memory.h"

#include <charconv>
#include <variant>

#include "config/error.h"
#include "po/po_file.h"
#include "po/po_text.h"

namespace tarvo {

namespace {

std::int32_t NumberIn(std::string_view text) {
  std::int32_t number = -1;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && number >= 0 ? number : -1;
}

std::int32_t MessageOf(const PoEntry& entry) {
  if (entry.Context) return NumberIn(*entry.Context);
  constexpr std::string_view kPrefix = "Message ";
  std::string_view comments = entry.ExtractedComments;
  while (!comments.empty()) {
    const std::size_t end = std::min(comments.find('\n'), comments.size());
    if (const std::string_view line = comments.substr(0, end); line.starts_with(kPrefix)) {
      return NumberIn(line.substr(kPrefix.size()));
    }
    comments.remove_prefix(std::min(end + 1, comments.size()));
  }
  return -1;
}

}  // namespace

std::vector<MemoryEntry> PoMemoryEntries(const std::filesystem::path& path, const std::string& name,
                                         std::int32_t langId, std::int32_t sourceLangId) {
  const PoCatalog catalog = ReadPoFile(path);
  for (const auto& [field, wanted] :
       {std::pair{"X-LGpack-LangId", langId}, std::pair{"X-LGpack-Source-LangId", sourceLangId}}) {
    const auto value = PoHeaderField(catalog.Header, field);
    if (value && NumberIn(*value) != wanted) {
      throw Error(name + " has " + field + " " + *value + ", not " + std::to_string(wanted) + ".");
    }
  }
  std::vector<MemoryEntry> entries;
  for (const PoEntry& entry : catalog.Entries) {
    if (entry.Obsolete || entry.Fuzzy || entry.Plural || entry.Str.empty()) continue;
    auto source = LgpTextOf(entry.Id);
    auto target = LgpTextOf(entry.Str);
    auto* sourceText = std::get_if<std::u16string>(&source);
    auto* targetText = std::get_if<std::u16string>(&target);
    if (!sourceText || !targetText || sourceText->empty()) continue;
    entries.push_back({std::move(*sourceText), std::move(*targetText), name, MessageOf(entry)});
  }
  return entries;
}

}  // namespace tarvo
