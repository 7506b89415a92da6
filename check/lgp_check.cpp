#include "check/lgp_check.h"

#include <algorithm>
#include <cstdint>
#include <map>

#include "check/consistency.h"
#include "check/text_checks.h"
#include "compile/lgp_checks.h"
#include "compile/pack_languages.h"
#include "compile/pack_measure.h"
#include "compile/pack_writer.h"
#include "config/error.h"
#include "config/text_utils.h"
#include "flash/layout.h"
#include "lgp/lgp_file.h"

namespace tarvo {

namespace {

class Checker {
 public:
  Checker(const CharTable& table, std::int32_t reference) : table_(table) { report_.Reference = reference; }

  CheckReport Run(std::span<const std::uint8_t> file) {
    LgpDiagnostics diagnostics;
    try {
      switch (ReadLgpFile(file, table_, lgp_, {}, &diagnostics)) {
        case LgpReadStatus::EmptyFile:
          return Refused("not-lgp", "The file is empty (0 bytes).");
        case LgpReadStatus::NoByteOrderMark:
          return Refused("not-lgp", "The file does not begin with the UTF-16LE byte order mark (FF FE).");
        case LgpReadStatus::Read:
          break;
      }
    } catch (const Error& e) {
      for (const LgpWarning& w : diagnostics.Warnings) AddReaderWarning(w);
      Add({ProblemGroup::Error, "refused-line", diagnostics.FailedLine, {}, {}, e.what()});
      return Finish();
    }
    report_.Read = true;
    report_.PhoneType = lgp_.PhoneType.Name;
    report_.Languages = lgp_.AllLangs;
    report_.Messages = lgp_.MaxMsgId + 1;
    report_.PackSizeLimit = lgp_.PhoneType.PackSizeLimit;
    for (const LgpWarning& w : diagnostics.Warnings) AddReaderWarning(w);
    CheckTexts(diagnostics);
    CheckConsistency(diagnostics);
    FindInconsistencies(diagnostics);
    try {
      CheckDataModel(lgp_);
    } catch (const Error& e) {
      Add({ProblemGroup::Error, "data-model", {}, {}, {}, e.what()});
      return Finish();
    }
    Pack(diagnostics);
    return Finish();
  }

 private:
  CheckReport Refused(const char* kind, const std::string& text) {
    Add({ProblemGroup::Error, kind, {}, {}, {}, text});
    return Finish();
  }

  void Add(Problem problem) { report_.Problems.push_back(std::move(problem)); }

  void AddReaderWarning(const LgpWarning& w) {
    Add({ProblemGroup::Warning, w.Kind, w.Line, w.Message, w.Language, w.Text});
  }

  // Escape look-alikes and characters the phone cannot show, string by string.
  void CheckTexts(const LgpDiagnostics& diagnostics) {
    for (std::size_t l = 0; l < diagnostics.Sources.size(); ++l) {
      const auto language = static_cast<std::int32_t>(l);
      for (const auto& [message, source] : diagnostics.Sources[l]) {
        if (const auto piece = FindFalseEscape(source.Text)) {
          Add({ProblemGroup::Warning, "false-escape", source.Line, message, language,
               "\"" + Excerpt(*piece) +
                   "\" looks like an escape but is none (an escape is \"<\", two hexadecimal "
                   "digits from 01 to FF, \">\"); it is stored as the characters themselves."});
        }
        if (const auto c = FindUnselectableCharacter(source.Text, table_)) {
          const char16_t window = static_cast<char16_t>(*c - *c % 128);
          Add({ProblemGroup::Warning, "no-window", source.Line, message, language,
               "the character " + CodePointName(*c) + " lies in the window " + CodePointName(window) +
                   " to " + CodePointName(static_cast<char16_t>(window + 127)) +
                   ", which no TRANS entry selects; the phone shows another character there."});
        }
      }
    }
  }

  // Every language against the reference: conversions, control escapes and
  // text where the reference has some.
  void CheckConsistency(const LgpDiagnostics& diagnostics) {
    const std::int32_t reference = report_.Reference;
    if (reference < 0 || reference >= static_cast<std::int32_t>(diagnostics.Sources.size())) return;
    const auto& referenceSources = diagnostics.Sources[static_cast<std::size_t>(reference)];
    const std::string against = " than in language " + std::to_string(reference + 1);
    for (const auto& [message, expected] : referenceSources) {
      if (message > lgp_.MaxMsgId || expected.Text.empty()) continue;
      const auto expectedConversions = FindConversions(expected.Text);
      const int expectedEscapes = CountControlEscapes(expected.Text);
      for (std::size_t l = 0; l < diagnostics.Sources.size(); ++l) {
        const auto language = static_cast<std::int32_t>(l);
        if (language == reference) continue;
        const auto found = diagnostics.Sources[l].find(message);
        if (found == diagnostics.Sources[l].end() || found->second.Text.empty()) {
          std::optional<std::int64_t> line;
          if (found != diagnostics.Sources[l].end()) line = found->second.Line;
          Add({ProblemGroup::Consistency, "empty-translation", line, message, language,
               "string " + std::to_string(message) + " is empty, but language " +
                   std::to_string(reference + 1) + " has \"" + Excerpt(expected.Text) + "\"."});
          continue;
        }
        const LgpStringSource& source = found->second;
        const auto conversions = FindConversions(source.Text);
        if (!SameConversions(conversions, expectedConversions)) {
          Add({ProblemGroup::Consistency, "conversions", source.Line, message, language,
               "string " + std::to_string(message) + " has " + Written(conversions) + ", language " +
                   std::to_string(reference + 1) + " has " + Written(expectedConversions) + "."});
        }
        const int escapes = CountControlEscapes(source.Text);
        if (escapes != expectedEscapes) {
          Add({ProblemGroup::Consistency, "control-escapes", source.Line, message, language,
               "string " + std::to_string(message) + " has " + std::to_string(escapes) +
                   " control escapes (such as <0A>), " + (escapes < expectedEscapes ? "fewer" : "more") +
                   against + " (" + std::to_string(expectedEscapes) + ")."});
        }
      }
    }
  }

  // Each language against itself: one reference text translated differently.
  void FindInconsistencies(const LgpDiagnostics& diagnostics) {
    const std::int32_t reference = report_.Reference;
    if (reference < 0 || reference >= static_cast<std::int32_t>(diagnostics.Sources.size())) return;
    const auto textIn = [](const std::map<std::int32_t, LgpStringSource>& sources) {
      return [&sources](std::int32_t message) -> std::u16string_view {
        const auto found = sources.find(message);
        return found == sources.end() ? std::u16string_view() : std::u16string_view(found->second.Text);
      };
    };
    const auto& referenceSources = diagnostics.Sources[static_cast<std::size_t>(reference)];
    for (std::size_t l = 0; l < diagnostics.Sources.size(); ++l) {
      if (static_cast<std::int32_t>(l) == reference) continue;
      const auto& sources = diagnostics.Sources[l];
      for (const auto& group :
           InconsistentGroups(lgp_.MaxMsgId + 1, textIn(referenceSources), textIn(sources))) {
        Inconsistency inconsistency{
            static_cast<std::int32_t>(l), Excerpt(referenceSources.at(group.front()).Text, SIZE_MAX), {}};
        for (const std::int32_t message : group) {
          const LgpStringSource& source = sources.at(message);
          inconsistency.Messages.push_back({message, source.Line, Excerpt(source.Text, SIZE_MAX)});
        }
        report_.Inconsistencies.push_back(std::move(inconsistency));
      }
    }
  }

  static std::string Written(const std::vector<Conversion>& conversions) {
    if (conversions.empty()) return "no conversions";
    std::string text;
    for (const Conversion& c : conversions) text += (text.empty() ? "" : " ") + c.Written;
    return "the conversions \"" + text + "\"";
  }

  void Pack(const LgpDiagnostics& diagnostics) {
    report_.PerLanguage.resize(static_cast<std::size_t>(lgp_.AllLangs));
    for (std::int32_t l = 0; l < lgp_.AllLangs; ++l) {
      LanguageSummary& summary = report_.PerLanguage[static_cast<std::size_t>(l)];
      summary.LangId = lgp_.LangIds[static_cast<std::size_t>(l)];
      for (std::int32_t m = 0; m <= lgp_.MaxMsgId; ++m) {
        const PhoneBytes& s = lgp_.StringAt(l, m);
        summary.Strings += s.empty() ? 0 : 1;
        summary.PhoneBytes += static_cast<std::int64_t>(s.size());
      }
    }
    // A fresh generator, as a fresh compile starts with.
    PivotRandom random;
    const auto standardLengths = PackWith(PackingStrategy::Standard, random, report_.Standard);
    const auto compactLengths = PackWith(PackingStrategy::Compact, random, report_.Compact);
    ReportOverlong(diagnostics, standardLengths, compactLengths);
    if (report_.Standard.Packed && report_.Compact.Packed && !report_.Standard.Fits() &&
        !report_.Compact.Fits()) {
      const bool tables = !report_.Standard.TablesFitFirstBlock && !report_.Compact.TablesFitFirstBlock;
      const bool size = report_.Standard.Spare < 0 && report_.Compact.Spare < 0;
      if (tables) {
        Add({ProblemGroup::Error,
             "tables-too-large",
             {},
             {},
             {},
             "the header, tables and dictionaries end at offset " +
                 std::to_string(report_.Compact.TablesEnd) +
                 " even with the compact packing, beyond the first 16 KB block (16383)."});
      }
      if (size) {
        Add({ProblemGroup::Error,
             "pack-too-large",
             {},
             {},
             {},
             "the pack is over PackSizeLimit " + std::to_string(report_.PackSizeLimit) +
                 " with both packings: by " + std::to_string(-report_.Standard.Spare) +
                 " bytes standard, by " + std::to_string(-report_.Compact.Spare) + " bytes compact."});
      }
    }
  }

  // Codes per string and language before any cropping; empty when the
  // packing failed.
  using Lengths = std::vector<std::vector<std::size_t>>;

  Lengths PackWith(PackingStrategy strategy, PivotRandom& random, PackingSummary& summary) {
    PackingFigures figures = MeasurePacking(lgp_, strategy, random);
    if (!figures.Packed) {
      // Both packings lay out the same header, so say it once.
      const bool known = std::any_of(report_.Problems.begin(), report_.Problems.end(),
                                     [&](const Problem& p) { return p.Text == figures.Failure; });
      if (!known) Add({ProblemGroup::Error, "layout", {}, {}, {}, figures.Failure});
      return {};
    }
    const PackMeasure& measure = figures.Measure;
    summary.Packed = true;
    summary.PackLength = measure.Length;
    summary.Spare = measure.Spare();
    summary.Blocks = measure.Blocks;
    summary.TablesEnd = measure.DictionariesEnd;
    summary.TablesFitFirstBlock = measure.DictionariesEnd < kBlockSize;
    summary.OverlongStrings = figures.Overlong;
    for (std::size_t l = 0; l < figures.Languages.size(); ++l) {
      LanguageSummary& perLanguage = report_.PerLanguage[l];
      (strategy == PackingStrategy::Standard ? perLanguage.StandardBytes : perLanguage.CompactBytes) =
          figures.Payloads[l];
      (strategy == PackingStrategy::Standard ? perLanguage.StandardEntries : perLanguage.CompactEntries) =
          figures.Languages[l].Dict.ClassSize;
    }
    return std::move(figures.Codes);
  }

  void ReportOverlong(const LgpDiagnostics& diagnostics, const Lengths& standard, const Lengths& compact) {
    const std::size_t limit = kMaxPackedLength;
    for (std::size_t l = 0; l < standard.size(); ++l) {
      for (std::size_t m = 0; m < standard[l].size(); ++m) {
        if (standard[l][m] <= limit) continue;
        const auto message = static_cast<std::int32_t>(m);
        std::optional<std::int64_t> line;
        if (l < diagnostics.Sources.size()) {
          if (const auto found = diagnostics.Sources[l].find(message);
              found != diagnostics.Sources[l].end()) {
            line = found->second.Line;
          }
        }
        const bool compactFits = l < compact.size() && compact[l][m] <= limit;
        if (compactFits) {
          Add({ProblemGroup::Warning, "long-string", line, message, static_cast<std::int32_t>(l),
               "string " + std::to_string(m) + " packs to " + std::to_string(standard[l][m]) +
                   " codes with the standard packing, over 254; with the compact packing it takes " +
                   std::to_string(compact[l][m]) + "."});
        } else {
          const std::size_t least =
              l < compact.size() ? std::min(standard[l][m], compact[l][m]) : standard[l][m];
          Add({ProblemGroup::Error, "long-string", line, message, static_cast<std::int32_t>(l),
               "string " + std::to_string(m) + " packs to " + std::to_string(least) +
                   " codes even with the compact packing, over 254: shorten it."});
        }
      }
    }
  }

  CheckReport Finish() {
    auto order = [](const Problem& a, const Problem& b) {
      if (a.Group != b.Group) return a.Group < b.Group;
      return a.Line.value_or(0) < b.Line.value_or(0);
    };
    std::stable_sort(report_.Problems.begin(), report_.Problems.end(), order);
    return std::move(report_);
  }

  const CharTable& table_;
  LgpFile lgp_;
  CheckReport report_;
};

}  // namespace

bool CheckReport::HasErrors() const {
  return std::any_of(Problems.begin(), Problems.end(),
                     [](const Problem& p) { return p.Group == ProblemGroup::Error; });
}

CheckReport CheckLgp(std::span<const std::uint8_t> file, const CharTable& table, std::int32_t reference) {
  return Checker(table, reference).Run(file);
}

}  // namespace tarvo
