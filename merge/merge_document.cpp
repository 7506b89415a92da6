#include "merge/merge_document.h"

#include <algorithm>

#include "config/error.h"
#include "merge/merge_lgp.h"
#include "merge/merge_report.h"

namespace tarvo {

namespace {

MergeLanguage Wanted(const Document& document, std::size_t index, const char* role) {
  const std::int32_t langId = document.LangId(index);
  std::size_t rank = 0;
  for (std::size_t l = 0; l < index; ++l) rank += document.LangId(l) == langId ? 1 : 0;
  return {langId, rank, index, role};
}

}  // namespace

DocumentMerge PlanDocumentMerge(std::span<const std::uint8_t> oldFile, const std::string& oldName,
                                const Document& document, std::size_t language, std::size_t reference,
                                bool fuzzy) {
  if (language >= document.LanguageCount() || reference >= document.LanguageCount()) {
    throw Error("\"" + document.Name() + "\" has no such language to carry a translation into.");
  }
  const LgpScan oldScan = ScanNamed(oldFile, oldName);
  auto oldLanguage = [&](std::size_t index, const char* role) {
    return OldLanguage(oldScan, Wanted(document, index, role), oldName, document.Name(), "nothing was carried.");
  };
  const MergeSource old{oldFile, oldScan, oldLanguage(reference, "the reference language"),
                        oldLanguage(language, "language")};
  MergeTarget target;
  for (std::int32_t m = 0; m < document.MessageCount(); ++m) {
    target.Reference.emplace(m, document.Text(reference, m));
    target.Texts.emplace(m, document.Text(language, m));
  }
  MergePlan plan = PlanMerge(old, target, fuzzy);
  DocumentMerge merge;
  for (auto& [message, text] : plan.Texts) {
    if (!document.CanEdit(language, message)) {
      ++merge.NotEditable;
      continue;
    }
    merge.Edits.push_back({language, message, std::move(text)});
  }
  merge.Report = std::move(plan.Report);
  merge.Report.Changed -= merge.NotEditable;
  return merge;
}

std::string DocumentMergeText(const DocumentMerge& merge) {
  std::string text = MergeSummaryText(merge.Report) + "\n" + MergeListText(merge.Report);
  if (merge.NotEditable > 0) {
    text += std::to_string(merge.NotEditable) +
            " carried texts were left out: their messages have no line in the file and cannot be added.\n";
  }
  while (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

}  // namespace tarvo
