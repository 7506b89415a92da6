#include "merge/merge_lgp.h"

#include "config/error.h"
#include "po/po_text.h"

namespace tarvo {

namespace {

std::size_t LanguageNumbered(const LgpScan& scan, std::int32_t number, const std::string& name) {
  try {
    return LanguageIndex(scan, number);
  } catch (const Error& e) {
    throw Error("\"" + name + "\": " + e.what());
  }
}

MergeTarget TargetOf(std::span<const std::uint8_t> file, const LgpScan& scan, std::size_t reference,
                     std::size_t language) {
  MergeTarget target;
  for (std::int32_t m = 0; m <= scan.MaxMsgId; ++m) {
    target.Reference.emplace(m, scan.Text(file, reference, m));
    target.Texts.emplace(m, scan.Text(file, language, m));
  }
  return target;
}

}  // namespace

LgpScan ScanNamed(std::span<const std::uint8_t> file, const std::string& name) {
  try {
    return ScanLgp(file);
  } catch (const Error& e) {
    throw Error("\"" + name + "\": " + e.what());
  }
}

std::size_t OldLanguage(const LgpScan& oldScan, const MergeLanguage& wanted, const std::string& oldName,
                        const std::string& newName, const char* consequence) {
  const auto found = LanguageWithLangId(oldScan, wanted.LangId, wanted.Rank);
  if (found) return *found;
  if (const auto first = LanguageWithLangId(oldScan, wanted.LangId)) return *first;
  throw Error("\"" + oldName + "\" has no language with LangId " + std::to_string(wanted.LangId) + " (" +
              wanted.Role + " " + std::to_string(wanted.Index + 1) + " of \"" + newName + "\"); " +
              consequence);
}

MergeResult MergeLgp(std::span<const std::uint8_t> oldFile, const std::string& oldName,
                     std::span<const std::uint8_t> newFile, const std::string& newName,
                     const MergeOptions& options) {
  const LgpScan newScan = ScanNamed(newFile, newName);
  const LgpScan oldScan = ScanNamed(oldFile, oldName);
  const std::size_t language = LanguageNumbered(newScan, options.Language, newName);
  const std::size_t reference = LanguageNumbered(newScan, options.Reference, newName);
  auto oldLanguage = [&](std::size_t index, const char* role) {
    const MergeLanguage wanted{newScan.Languages[index].LangId, LangIdRank(newScan, index), index, role};
    return OldLanguage(oldScan, wanted, oldName, newName, "nothing was written.");
  };
  const MergeSource old{oldFile, oldScan, oldLanguage(reference, "the reference language"),
                        oldLanguage(language, "language")};
  MergePlan plan = PlanMerge(old, TargetOf(newFile, newScan, reference, language), options.Fuzzy);
  MergeResult result;
  result.Lgp = plan.Texts.empty() ? std::vector<std::uint8_t>(newFile.begin(), newFile.end())
                                  : EditLgpTexts(newFile, newScan, language, plan.Texts);
  result.Report = std::move(plan.Report);
  return result;
}

}  // namespace tarvo
