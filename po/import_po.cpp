#include "po/import_po.h"

#include <cstdio>
#include <map>

#include "config/error.h"
#include "config/file_io.h"
#include "config/text_utils.h"
#include "frame/run_command.h"
#include "lgp/lgp_scan.h"
#include "po/po_text.h"

namespace tarvo {

namespace {

// The message number a text names: plain decimal digits, 0 to MaxMsgId.
std::optional<std::int32_t> MessageNumber(std::string_view text, std::int32_t maxMsgId) {
  if (text.empty() || text.size() > 5) return std::nullopt;
  std::int32_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    number = number * 10 + (c - '0');
  }
  if (number > maxMsgId) return std::nullopt;
  return number;
}

// The text after "Message " of the extracted comment line that names the
// entry's message; nothing without one.
std::optional<std::string_view> CommentedNumber(std::string_view comments) {
  constexpr std::string_view kPrefix = "Message ";
  while (!comments.empty()) {
    const auto end = std::min(comments.find('\n'), comments.size());
    const std::string_view line = comments.substr(0, end);
    if (line.starts_with(kPrefix)) return line.substr(kPrefix.size());
    comments.remove_prefix(std::min(end + 1, comments.size()));
  }
  return std::nullopt;
}

}  // namespace

ImportResult ImportCatalog(std::span<const std::uint8_t> lgp, const PoCatalog& catalog,
                           const ImportPoOptions& options, const std::string& poName) {
  const LgpScan scan = ScanLgp(lgp);
  const std::size_t language = LanguageIndex(scan, options.Language);
  auto fail = [&](const PoEntry& entry, const std::string& what) {
    const std::string where =
        entry.Line != 0 ? "Line " + std::to_string(entry.Line) + " of the PO file \"" + poName + "\""
                        : "The PO file \"" + poName + "\"";
    throw Error(where + ": " + what);
  };

  ImportResult result;
  std::map<std::int32_t, std::u16string> texts;
  std::map<std::int32_t, std::size_t> seen;  // message number, line of its entry
  for (const PoEntry& entry : catalog.Entries) {
    if (entry.Obsolete) continue;
    if (entry.Fuzzy && !options.Fuzzy) {
      ++result.Summary.FuzzySkipped;
      continue;
    }
    // The msgctxt names the number where a source text is shared, and in
    // every entry of files from earlier versions; else the comment does.
    const auto commented = CommentedNumber(entry.ExtractedComments);
    const auto message = entry.Context ? MessageNumber(*entry.Context, scan.MaxMsgId)
                         : commented   ? MessageNumber(*commented, scan.MaxMsgId)
                                       : std::nullopt;
    const std::string range = " from 0 to " + std::to_string(scan.MaxMsgId) + ".";
    if (!message) {
      fail(entry, entry.Context ? "the msgctxt \"" + *entry.Context + "\" is not a message number" + range
                  : commented   ? "the comment \"#. Message " + std::string(*commented) +
                                    "\" does not name a message number" + range
                              : "the entry has neither a msgctxt nor a comment \"#. Message N\"; one of "
                                "them must give a message number" +
                                    range);
    }
    if (const auto [at, added] = seen.emplace(*message, entry.Line); !added) {
      fail(entry, "message " + std::to_string(*message) + " has a second entry (the first is at line " +
                      std::to_string(at->second) + ").");
    }
    if (entry.Plural) fail(entry, "the entry has plural forms, which an LGpack text cannot have.");
    if (entry.Str.empty()) {
      ++result.Summary.LeftEmpty;
      continue;
    }
    const std::u16string current = scan.Text(lgp, language, *message);
    // A text that exports as this very msgstr stays as it is, byte for byte.
    if (PoTextOf(current) == entry.Str) {
      ++result.Summary.Unchanged;
      continue;
    }
    auto converted = LgpTextOf(entry.Str);
    if (const auto* bad = std::get_if<UnholdableCharacter>(&converted)) {
      fail(entry, bad->CodePoint ? "the msgstr holds the character " + CodePointName(*bad->CodePoint) +
                                       ", which the LGpack file cannot hold (characters above U+7FFF cannot)."
                                 : "the msgstr is not UTF-8 text.");
    }
    std::u16string& text = std::get<std::u16string>(converted);
    if (text == current) {
      ++result.Summary.Unchanged;
      continue;
    }
    texts.emplace(*message, std::move(text));
    ++result.Summary.Changed;
  }
  result.Lgp = texts.empty() ? std::vector<std::uint8_t>(lgp.begin(), lgp.end())
                             : EditLgpTexts(lgp, scan, language, texts);
  return result;
}

std::string SummaryText(const ImportSummary& summary) {
  return "Strings changed: " + std::to_string(summary.Changed) +
         ", unchanged: " + std::to_string(summary.Unchanged) +
         ", left empty: " + std::to_string(summary.LeftEmpty) +
         ", fuzzy entries skipped: " + std::to_string(summary.FuzzySkipped) + ".";
}

CommandResult RunImportPo(CommandFrame& frame, const ImportPoOptions& options,
                          const std::filesystem::path& lgpPath, const std::filesystem::path& poPath,
                          const std::filesystem::path& outputPath) {
  FrameLock lock(frame);
  return RunCommand(frame, "Not enough memory to import \"" + DisplayPath(poPath) + "\".", [&] {
    frame.SetStatusText("Reading...");
    const std::vector<std::uint8_t> lgp = ReadWholeFile(lgpPath);
    const PoCatalog catalog = ReadPoFile(poPath);
    const ImportResult result = ImportCatalog(lgp, catalog, options, DisplayPath(poPath));
    frame.SetStatusText("Writing...");
    WriteFileReplacing(outputPath, result.Lgp);
    frame.ShowMessage({SummaryText(result.Summary), "Import", MessageKind::Notice});
    return CommandResult{};
  });
}

}  // namespace tarvo
