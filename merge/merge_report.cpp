#include "merge/merge_report.h"

#include <nlohmann/json.hpp>

namespace tarvo {

namespace {

std::string Listed(const std::string& title, const std::vector<std::string>& items) {
  if (items.empty()) return {};
  std::string line = title + ": ";
  for (std::size_t i = 0; i < items.size(); ++i) line += (i ? ", " : "") + items[i];
  return line + ".\n";
}

std::vector<std::string> Numbers(const MergeReport& report, auto wanted, const char* from) {
  std::vector<std::string> items;
  for (const MessageDecision& d : report.Messages) {
    if (!wanted(d)) continue;
    items.push_back(std::to_string(d.Message));
    if (from) items.back() += " (" + std::string(from) + " " + std::to_string(d.From) + ")";
  }
  return items;
}

}  // namespace

std::string MergeSummaryText(const MergeReport& report) {
  const int same = report.Count(MergeDecision::CarriedSameNumber);
  const int moved = report.Count(MergeDecision::CarriedMoved);
  return "Carried: " + std::to_string(same + moved) + " (same number " + std::to_string(same) + ", moved " +
         std::to_string(moved) + "), ambiguous: " + std::to_string(report.AmbiguousCount()) +
         ", source changed: " + std::to_string(report.Count(MergeDecision::SourceChanged)) +
         ", new: " + std::to_string(report.Count(MergeDecision::New)) +
         ", dropped: " + std::to_string(report.Dropped.size()) + ".";
}

std::string MergeListText(const MergeReport& report) {
  auto is = [](MergeDecision decision) {
    return [=](const MessageDecision& d) { return d.Decision == decision; };
  };
  std::vector<std::string> dropped;
  for (std::int32_t m : report.Dropped) dropped.push_back(std::to_string(m));
  std::string text =
      Listed("Ambiguous", Numbers(
                              report, [](const MessageDecision& d) { return d.Ambiguous; }, "from")) +
      Listed(report.Fuzzy ? "Source changed, translation carried" : "Source changed, new text kept",
             Numbers(report, is(MergeDecision::SourceChanged), "was")) +
      Listed("New", Numbers(report, is(MergeDecision::New), nullptr)) + Listed("Dropped", dropped);
  text += "Texts replaced: " + std::to_string(report.Changed) + ".\n";
  if (report.Unholdable > 0) {
    text += "Carried texts the pack cannot hold (a character above U+7FFF), kept as they are: " +
            std::to_string(report.Unholdable) + ".\n";
  }
  return text;
}

std::string MergeReportJson(const MergeReport& report) {
  nlohmann::ordered_json moved = nlohmann::ordered_json::array(), ambiguous = nlohmann::ordered_json::array(),
                         changed = nlohmann::ordered_json::array(), added = nlohmann::ordered_json::array();
  for (const MessageDecision& d : report.Messages) {
    const nlohmann::ordered_json pair = {{"message", d.Message}, {"from", d.From}};
    if (d.Decision == MergeDecision::CarriedMoved) moved.push_back(pair);
    if (d.Ambiguous) ambiguous.push_back(pair);
    if (d.Decision == MergeDecision::SourceChanged) changed.push_back(pair);
    if (d.Decision == MergeDecision::New) added.push_back(d.Message);
  }
  const int same = report.Count(MergeDecision::CarriedSameNumber);
  const nlohmann::ordered_json json = {
      {"version", kMergeJsonVersion},
      {"carried",
       {{"total", same + static_cast<int>(moved.size())}, {"sameNumber", same}, {"moved", moved.size()}}},
      {"moved", moved},
      {"ambiguous", ambiguous},
      {"sourceChanged", changed},
      {"sourceChangedCarried", report.Fuzzy},
      {"new", added},
      {"dropped", report.Dropped},
      {"replaced", report.Changed},
      {"unholdable", report.Unholdable},
  };
  return json.dump(2) + "\n";
}

}  // namespace tarvo
