#include "po/export_po.h"

#include <unordered_map>

#include "config/error.h"
#include "config/file_io.h"
#include "frame/run_command.h"
#include "config/utf8.h"
#include "lgp/lgp_scan.h"
#include "po/po_text.h"

namespace tarvo {

namespace {

std::string PoText(const LgpScan& scan, std::span<const std::uint8_t> lgp, std::size_t language,
                   std::int32_t message) {
  auto text = PoTextOf(scan.Text(lgp, language, message));
  if (!text) {
    throw Error(
        "Line " + std::to_string(scan.Languages[language].Texts.at(message).Line) +
        " of the LGpack file: the text holds U+0000 or a lone surrogate, which a PO file cannot hold.");
  }
  return std::move(*text);
}

// The extracted comment that carries an entry's message number.
std::string MessageComment(std::int32_t message) { return "Message " + std::to_string(message) + "\n"; }

}  // namespace

PoCatalog ExportCatalog(std::span<const std::uint8_t> lgp, const ExportPoOptions& options) {
  const LgpScan scan = ScanLgp(lgp);
  const std::size_t source = LanguageIndex(scan, options.Source);
  const std::size_t target = LanguageIndex(scan, options.Language);

  // An empty msgid is the header's: such a message has no entry.
  std::vector<std::pair<std::int32_t, std::string>> sources;
  std::unordered_map<std::string, int> uses;
  int leftOut = 0;
  for (std::int32_t message = 0; message <= scan.MaxMsgId; ++message) {
    std::string id = PoText(scan, lgp, source, message);
    if (id.empty()) {
      ++leftOut;
      continue;
    }
    ++uses[id];
    sources.emplace_back(message, std::move(id));
  }
  // gettext's tools match entries by msgctxt and msgid: a msgctxt only where
  // a source text is shared lets msgmerge carry every other translation when
  // the messages are renumbered. The comment names the number for import.
  PoCatalog catalog;
  for (auto& [message, id] : sources) {
    const std::string number = std::to_string(message);
    PoEntry entry{uses[id] > 1 ? std::optional(number) : std::nullopt, std::move(id),
                  PoText(scan, lgp, target, message), MessageComment(message)};
    catalog.Entries.push_back(std::move(entry));
  }

  const std::string sourceLangId = std::to_string(scan.Languages[source].LangId);
  const std::string targetLangId = std::to_string(scan.Languages[target].LangId);
  std::vector<std::pair<std::string, std::string>> fields = {
      {"Project-Id-Version", Utf16ToUtf8(scan.LgPackId).value_or("")},
      {"MIME-Version", "1.0"},
      {"Content-Type", "text/plain; charset=UTF-8"},
      {"Content-Transfer-Encoding", "8bit"},
  };
  if (!options.PoLanguage.empty()) fields.emplace_back("Language", options.PoLanguage);
  fields.insert(fields.end(), {{"X-Generator", options.Generator},
                               {"X-LGpack-Source-Language", std::to_string(options.Source)},
                               {"X-LGpack-Source-LangId", sourceLangId},
                               {"X-LGpack-Language", std::to_string(options.Language)},
                               {"X-LGpack-LangId", targetLangId},
                               {"X-LGpack-Empty-Source-Left-Out", std::to_string(leftOut)}});
  catalog.Header = PoHeader(fields);
  catalog.HeaderComment = "Language " + std::to_string(options.Language) + " (LangId " + targetLangId +
                          ") against language " + std::to_string(options.Source) + " (LangId " +
                          sourceLangId + "), messages 0 to " + std::to_string(scan.MaxMsgId) + ".\n" +
                          std::to_string(leftOut) + (leftOut == 1 ? " message" : " messages") +
                          " with an empty source text left out.\n";
  return catalog;
}

CommandResult RunExportPo(CommandFrame& frame, const ExportPoOptions& options,
                          const std::filesystem::path& lgpPath, const std::filesystem::path& poPath) {
  FrameLock lock(frame);
  return RunCommand(frame, "Not enough memory to export \"" + DisplayPath(lgpPath) + "\".", [&] {
    frame.SetStatusText("Reading...");
    const std::vector<std::uint8_t> lgp = ReadWholeFile(lgpPath);
    const std::vector<std::uint8_t> po = FormatPoFile(ExportCatalog(lgp, options));
    frame.SetStatusText("Writing...");
    WriteFileReplacing(poPath, po);
    return CommandResult{};
  });
}

}  // namespace tarvo
