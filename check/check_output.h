// The check's report as text for a person and as JSON for scripts.
#pragma once

#include <cstddef>
#include <string>

#include "check/lgp_check.h"

namespace tarvo {

// The schema version of the JSON report; raised when a key changes meaning
// or goes away (new keys keep it).
inline constexpr int kCheckJsonVersion = 1;

// At most `perGroup` problems of each group (errors, warnings, consistency),
// each group closing with the count of the rest.
std::string CheckReportText(const CheckReport& report, std::size_t perGroup = 20);

// One line of the text report for one reference text translated differently.
std::string InconsistencyLine(const Inconsistency& inconsistency);

// One JSON object with every problem.
std::string CheckReportJson(const CheckReport& report);

// "line 12, string 4, language 2: " (the parts that apply), then the text.
std::string ProblemLine(const Problem& problem);

}  // namespace tarvo
