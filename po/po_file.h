// PO files through gettext's own library: reading entries, writing a catalog.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvo {

// One entry; texts are as the PO file holds them after unquoting (UTF-8 in
// the files this program writes and reads).
struct PoEntry {
  std::optional<std::string> Context;  // msgctxt
  std::string Id;                      // msgid
  std::string Str;                     // msgstr
  std::string ExtractedComments;       // the "#." lines without their mark, each ending in "\n"
  bool Fuzzy = false;
  bool Obsolete = false;
  bool Plural = false;   // has msgid_plural
  std::size_t Line = 0;  // where it begins in the file (its msgctxt or msgid line); 0 when unknown
};

struct PoCatalog {
  std::string Header;  // the header entry's msgstr, "Field: value" lines
  std::string HeaderComment;
  std::vector<PoEntry> Entries;  // in file order, without the header entry
};

// Reads a PO file. What gettext's library cannot parse is an Error naming
// the file and line; nothing is printed.
PoCatalog ReadPoFile(const std::filesystem::path& path);

// The header entry's text made of fields in the given order.
std::string PoHeader(const std::vector<std::pair<std::string, std::string>>& fields);

// The bytes of a PO file holding the catalog, as gettext's library writes it.
std::vector<std::uint8_t> FormatPoFile(const PoCatalog& catalog);

// The value of a header field, if the header has it.
std::optional<std::string> PoHeaderField(const std::string& header, const std::string& field);

}  // namespace tarvo
