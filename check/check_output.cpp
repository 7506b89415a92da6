#include "check/check_output.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <concepts>
#include <string>
#include <string_view>
#include <vector>

namespace tarvo {

namespace {

// Text put together piece by piece. A string stream would do, but would take
// the whole locale machinery into the WebAssembly module.
class TextOut {
 public:
  TextOut& operator<<(std::string_view text) {
    text_ += text;
    return *this;
  }
  TextOut& operator<<(std::integral auto number) {
    text_ += std::to_string(number);
    return *this;
  }
  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string YesNo(bool value) { return value ? "yes" : "no"; }

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string Entries(const std::array<std::int32_t, 5>& classes) {
  return std::to_string(classes[1]) + "/" + std::to_string(classes[2]) + "/" + std::to_string(classes[3]) +
         "/" + std::to_string(classes[4]);
}

// A table whose columns keep their usual width and grow to hold their
// longest entry with two spaces to spare. The last entry of a row runs free.
class Table {
 public:
  explicit Table(std::vector<std::size_t> widths) : widths_(std::move(widths)) {}
  void Row(std::vector<std::string> cells) { rows_.push_back(std::move(cells)); }

  void Print(TextOut& out) const {
    std::vector<std::size_t> widths = widths_;
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c + 1 < row.size() && c < widths.size(); ++c) {
        widths[c] = std::max(widths[c], row[c].size() + 2);
      }
    }
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c < row.size(); ++c) {
        out << (c + 1 < row.size() && c < widths.size() ? Pad(row[c], widths[c]) : row[c]);
      }
      out << "\n";
    }
  }

 private:
  std::vector<std::size_t> widths_;
  std::vector<std::vector<std::string>> rows_;
};

void PackingRow(Table& table, const char* name, const PackingSummary& packing) {
  if (!packing.Packed) {
    table.Row({name, "could not be laid out"});
    return;
  }
  const std::string spare = packing.Spare >= 0 ? std::to_string(packing.Spare) + " to spare"
                                               : std::to_string(-packing.Spare) + " over";
  std::string tables =
      YesNo(packing.TablesFitFirstBlock) + " (end at " + std::to_string(packing.TablesEnd) + ")";
  if (packing.OverlongStrings > 0)
    tables += ", " + std::to_string(packing.OverlongStrings) + " strings over 254 codes";
  table.Row({name, std::to_string(packing.PackLength), spare, std::to_string(packing.Blocks), tables});
}

std::string Verdict(const CheckReport& report) {
  if (report.Fits()) return "fits";
  if (report.FitsCompact()) return "fits only with --compact";
  const PackingSummary& s = report.Standard;
  const PackingSummary& c = report.Compact;
  if (s.Packed && c.Packed && s.Spare < 0 && c.Spare < 0) {
    return "does not fit (over by " + std::to_string(std::min(-s.Spare, -c.Spare)) + " bytes)";
  }
  return "does not fit (see the errors)";
}

const char* GroupTitle(ProblemGroup group) {
  switch (group) {
    case ProblemGroup::Error:
      return "Errors";
    case ProblemGroup::Warning:
      return "Warnings";
    case ProblemGroup::Consistency:
      return "Consistency";
  }
  return "";
}

nlohmann::json Optional(const auto& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

nlohmann::json PackingJson(const PackingSummary& packing) {
  if (!packing.Packed) return nullptr;
  return {{"packLength", packing.PackLength},
          {"spare", packing.Spare},
          {"blocks", packing.Blocks},
          {"tablesEnd", packing.TablesEnd},
          {"tablesFitFirstBlock", packing.TablesFitFirstBlock},
          {"overlongStrings", packing.OverlongStrings},
          {"fits", packing.Fits()}};
}

}  // namespace

std::string ProblemLine(const Problem& problem) {
  std::string where;
  auto add = [&](const std::string& part) { where += (where.empty() ? "" : ", ") + part; };
  if (problem.Line) add("line " + std::to_string(*problem.Line));
  if (problem.Message) add("string " + std::to_string(*problem.Message));
  if (problem.Language) add("language " + std::to_string(*problem.Language + 1));
  return where.empty() ? problem.Text : where + ": " + problem.Text;
}

std::string CheckReportText(const CheckReport& report, std::size_t perGroup) {
  TextOut out;
  if (report.Read) {
    out << "Phone type:     " << report.PhoneType << "\n"
        << "Languages:      " << report.Languages << "\n"
        << "Messages:       " << report.Messages << " (0 to " << report.Messages - 1 << ")\n"
        << "PackSizeLimit:  " << report.PackSizeLimit << " bytes\n\n";
    if (report.Standard.Packed || report.Compact.Packed) {
      Table table({10, 13, 16, 8});
      table.Row({"Packing", "Pack length", "Bytes", "Blocks", "Tables in first block"});
      PackingRow(table, "standard", report.Standard);
      PackingRow(table, "compact", report.Compact);
      table.Print(out);
      out << "\n";
    }
  }
  out << "Verdict: " << Verdict(report) << "\n";

  if (!report.PerLanguage.empty()) {
    Table table({10, 8, 9, 13, 10, 10});
    table.Row({"Language", "LangId", "Strings", "Phone bytes", "Standard", "Compact",
               "Entries of 1/2/3/4 bytes (standard, compact)"});
    for (std::size_t l = 0; l < report.PerLanguage.size(); ++l) {
      const LanguageSummary& language = report.PerLanguage[l];
      table.Row({std::to_string(l + 1), std::to_string(language.LangId), std::to_string(language.Strings),
                 std::to_string(language.PhoneBytes), std::to_string(language.StandardBytes),
                 std::to_string(language.CompactBytes),
                 Entries(language.StandardEntries) + ", " + Entries(language.CompactEntries)});
    }
    out << "\n";
    table.Print(out);
  }

  for (const ProblemGroup group : {ProblemGroup::Error, ProblemGroup::Warning, ProblemGroup::Consistency}) {
    std::vector<const Problem*> problems;
    for (const Problem& p : report.Problems) {
      if (p.Group == group) problems.push_back(&p);
    }
    if (problems.empty()) continue;
    out << "\n" << GroupTitle(group);
    if (group == ProblemGroup::Consistency) out << " with language " << report.Reference + 1;
    out << " (" << problems.size() << "):\n";
    for (std::size_t i = 0; i < problems.size() && i < perGroup; ++i)
      out << "  " << ProblemLine(*problems[i]) << "\n";
    if (problems.size() > perGroup) {
      out << "  ... and " << problems.size() - perGroup << " more (--json lists them all)\n";
    }
  }
  const auto& inconsistencies = report.Inconsistencies;
  if (!inconsistencies.empty()) {
    out << "\nInconsistent translations of one text of language " << report.Reference + 1 << " ("
        << inconsistencies.size() << "):\n";
    for (std::size_t i = 0; i < inconsistencies.size() && i < perGroup; ++i) {
      out << "  " << InconsistencyLine(inconsistencies[i]) << "\n";
    }
    if (inconsistencies.size() > perGroup) {
      out << "  ... and " << inconsistencies.size() - perGroup << " more (--json lists them all)\n";
    }
  }
  return out.Take();
}

// "language 2: "Save" is "Speichern" (string 4, line 30), "Sichern" (string 9, line 41)."
std::string InconsistencyLine(const Inconsistency& inconsistency) {
  std::string line =
      "language " + std::to_string(inconsistency.Language + 1) + ": \"" + inconsistency.Reference + "\" is";
  for (std::size_t i = 0; i < inconsistency.Messages.size(); ++i) {
    const InconsistentMessage& m = inconsistency.Messages[i];
    line += (i == 0 ? " \"" : ", \"") + m.Text + "\" (string " + std::to_string(m.Message) + ", line " +
            std::to_string(m.Line) + ")";
  }
  return line + ".";
}

std::string CheckReportJson(const CheckReport& report) {
  nlohmann::json languages = nlohmann::json::array();
  for (std::size_t l = 0; l < report.PerLanguage.size(); ++l) {
    const LanguageSummary& language = report.PerLanguage[l];
    auto entries = [](const std::array<std::int32_t, 5>& classes) {
      return nlohmann::json::array({classes[1], classes[2], classes[3], classes[4]});
    };
    languages.push_back({{"number", l + 1},
                         {"langId", language.LangId},
                         {"strings", language.Strings},
                         {"phoneBytes", language.PhoneBytes},
                         {"standardBytes", language.StandardBytes},
                         {"compactBytes", language.CompactBytes},
                         {"standardEntries", entries(language.StandardEntries)},
                         {"compactEntries", entries(language.CompactEntries)}});
  }
  nlohmann::json problems = nlohmann::json::array();
  for (const Problem& p : report.Problems) {
    std::optional<std::int32_t> language;
    if (p.Language) language = *p.Language + 1;
    problems.push_back({{"severity", p.GetSeverity() == Severity::Error ? "error" : "warning"},
                        {"kind", p.Kind},
                        {"line", Optional(p.Line)},
                        {"message", Optional(p.Message)},
                        {"language", Optional(language)},
                        {"text", p.Text}});
  }
  nlohmann::json inconsistent = nlohmann::json::array();
  for (const Inconsistency& inconsistency : report.Inconsistencies) {
    nlohmann::json messages = nlohmann::json::array();
    for (const InconsistentMessage& m : inconsistency.Messages) {
      messages.push_back({{"message", m.Message}, {"line", m.Line}, {"text", m.Text}});
    }
    inconsistent.push_back({{"language", inconsistency.Language + 1},
                            {"reference", inconsistency.Reference},
                            {"messages", messages}});
  }
  const nlohmann::json json = {
      {"version", kCheckJsonVersion},
      {"fits", report.Fits()},
      {"fitsCompact", report.FitsCompact()},
      {"phoneType", report.Read ? nlohmann::json(report.PhoneType) : nlohmann::json(nullptr)},
      {"languageCount", report.Languages},
      {"messages", report.Messages},
      {"packSizeLimit", report.PackSizeLimit},
      {"reference", report.Reference + 1},
      {"standard", PackingJson(report.Standard)},
      {"compact", PackingJson(report.Compact)},
      {"languages", languages},
      {"problems", problems},
      {"inconsistent", inconsistent},
  };
  // Texts from the file may hold anything; never let a stray byte stop the report.
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tarvo
