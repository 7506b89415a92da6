// Export of one language of a .lgp file to a PO file, against a source language.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "frame/command_frame.h"
#include "po/po_file.h"

namespace tarvo {

struct ExportPoOptions {
  std::int32_t Language = 0;  // the translation, counted from 1
  std::int32_t Source = 1;    // the msgid texts, counted from 1
  std::string PoLanguage;     // the header's "Language", when not empty
  std::string Generator;      // the header's "X-Generator"
};

// One entry per message 0 to MaxMsgId whose source text is not empty, with
// the extracted comment "Message N"; msgid and msgstr the texts as the file
// holds them between the quotation marks, and msgctxt the message number
// where messages share a source text. Texts a PO file cannot hold, and
// languages the file does not have, are an Error.
PoCatalog ExportCatalog(std::span<const std::uint8_t> lgp, const ExportPoOptions& options);

// The command: reads the .lgp, writes the PO file only when all went well.
CommandResult RunExportPo(CommandFrame& frame, const ExportPoOptions& options,
                          const std::filesystem::path& lgpPath, const std::filesystem::path& poPath);

}  // namespace tarvo
