// What a merge did, for people (a summary and the listed messages) and for
// scripts (one JSON object).
#pragma once

#include <string>

#include "merge/merge_plan.h"

namespace tarvo {

constexpr int kMergeJsonVersion = 1;

// "Carried: 295 (same number 9, moved 286), ambiguous: 1, source changed: 1, new: 2, dropped: 1."
std::string MergeSummaryText(const MergeReport& report);

// One line per kind of listed message with their numbers, then the count of
// replaced texts and of texts the pack cannot hold; each line ends with "\n".
std::string MergeListText(const MergeReport& report);

std::string MergeReportJson(const MergeReport& report);

}  // namespace tarvo
