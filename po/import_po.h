// Import of a translated PO file into one language of a .lgp file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "frame/command_frame.h"
#include "po/po_file.h"

namespace tarvo {

struct ImportPoOptions {
  std::int32_t Language = 0;  // counted from 1
  bool Fuzzy = false;         // take fuzzy entries too
};

struct ImportSummary {
  int Changed = 0;
  int Unchanged = 0;
  int LeftEmpty = 0;  // entries with an empty msgstr, whose text stays
  int FuzzySkipped = 0;
};

struct ImportResult {
  std::vector<std::uint8_t> Lgp;
  ImportSummary Summary;
};

// The .lgp with the catalog's translations as the texts of the language;
// only the texts that differ change. Each entry's message number is its
// msgctxt, or without one its comment "Message N". An entry that names no
// message number from 0 to MaxMsgId, a character above U+7FFF, or a language the
// file does not have is an Error naming the PO line (`poName` names the file).
ImportResult ImportCatalog(std::span<const std::uint8_t> lgp, const PoCatalog& catalog,
                           const ImportPoOptions& options, const std::string& poName);

// "Strings changed: 3, unchanged: 10, left empty: 2, fuzzy entries skipped: 1."
std::string SummaryText(const ImportSummary& summary);

// The command: OUTPUT (which may be the input) is replaced only when the
// whole import has succeeded.
CommandResult RunImportPo(CommandFrame& frame, const ImportPoOptions& options,
                          const std::filesystem::path& lgpPath, const std::filesystem::path& poPath,
                          const std::filesystem::path& outputPath);

}  // namespace tarvo
