#include "check/check_output.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>

namespace tarvo {

namespace {

std::string YesNo(bool value) { return value ? "yes" : "no"; }

std::string Pad(std::string text, std::size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string Entries(const std::array<std::int32_t, 5>& classes) {
  return std::to_string(classes[1]) + "/" + std::to_string(classes[2]) + "/" + std::to_string(classes[3]) + "/" +
         std::to_string(classes[4]);
}

void PackingLine(std::ostream& out, const char* name, const PackingSummary& packing) {
  out << Pad(name, 10);
  if (!packing.Packed) {
    out << "could not be laid out\n";
    return;
  }
  const std::string spare = packing.Spare >= 0 ? std::to_string(packing.Spare) + " to spare"
                                               : std::to_string(-packing.Spare) + " over";
  out << Pad(std::to_string(packing.PackLength), 13) << Pad(spare, 16) << Pad(std::to_string(packing.Blocks), 8)
      << YesNo(packing.TablesFitFirstBlock) << " (end at " << packing.TablesEnd << ")";
  if (packing.OverlongStrings > 0) out << ", " << packing.OverlongStrings << " strings over 254 codes";
  out << "\n";
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

nlohmann::json Optional(const auto& value) { return value ? nlohmann::json(*value) : nlohmann::json(nullptr); }

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
  std::ostringstream out;
  if (report.Read) {
    out << "Phone type:     " << report.PhoneType << "\n"
        << "Languages:      " << report.Languages << "\n"
        << "Messages:       " << report.Messages << " (0 to " << report.Messages - 1 << ")\n"
        << "PackSizeLimit:  " << report.PackSizeLimit << " bytes\n\n";
    if (report.Standard.Packed || report.Compact.Packed) {
      out << "Packing   Pack length  Bytes           Blocks  Tables in first block\n";
      PackingLine(out, "standard", report.Standard);
      PackingLine(out, "compact", report.Compact);
      out << "\n";
    }
  }
  out << "Verdict: " << Verdict(report) << "\n";

  if (!report.PerLanguage.empty()) {
    out << "\nLanguage  LangId  Strings  Phone bytes  Standard  Compact   Entries of 1/2/3/4 bytes (standard, compact)\n";
    for (std::size_t l = 0; l < report.PerLanguage.size(); ++l) {
      const LanguageSummary& language = report.PerLanguage[l];
      out << Pad(std::to_string(l + 1), 10) << Pad(std::to_string(language.LangId), 8)
          << Pad(std::to_string(language.Strings), 9) << Pad(std::to_string(language.PhoneBytes), 13)
          << Pad(std::to_string(language.StandardBytes), 10) << Pad(std::to_string(language.CompactBytes), 10)
          << Entries(language.StandardEntries) << ", " << Entries(language.CompactEntries) << "\n";
    }
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
    for (std::size_t i = 0; i < problems.size() && i < perGroup; ++i) out << "  " << ProblemLine(*problems[i]) << "\n";
    if (problems.size() > perGroup) {
      out << "  ... and " << problems.size() - perGroup << " more (--json lists them all)\n";
    }
  }
  return out.str();
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
  };
  // Texts from the file may hold anything; never let a stray byte stop the report.
  return json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

}  // namespace tarvo
