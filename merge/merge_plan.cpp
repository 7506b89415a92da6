#include "merge/merge_plan.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>
#include <unordered_map>

namespace tarvo {

namespace {

// The old pack's texts, indexed by message number.
struct OldTexts {
  std::vector<std::u16string> Reference, Translation;
};

OldTexts ReadOld(const MergeSource& old) {
  const auto count = static_cast<std::size_t>(std::max(old.Scan.MaxMsgId + 1, 0));
  OldTexts texts{std::vector<std::u16string>(count), std::vector<std::u16string>(count)};
  for (std::size_t m = 0; m < count; ++m) {
    const auto message = static_cast<std::int32_t>(m);
    texts.Reference[m] = old.Scan.Text(old.File, old.Reference, message);
    texts.Translation[m] = old.Scan.Text(old.File, old.Language, message);
  }
  return texts;
}

bool Unholdable(std::u16string_view text) {
  return std::any_of(text.begin(), text.end(), [](char16_t c) { return c > 0x7FFF; });
}

// Where a message of the new pack would stand in the old one, judged by the
// nearest messages before and after it whose reference text is unique in
// both packs: its number less the shift of each.
class Alignment {
 public:
  explicit Alignment(const std::vector<std::optional<std::int32_t>>& shifts)
      : before_(shifts.size()), after_(shifts.size()) {
    std::optional<std::int32_t> last;
    for (std::size_t i = 0; i < shifts.size(); ++i) {
      before_[i] = last;
      if (shifts[i]) last = shifts[i];
    }
    last.reset();
    for (std::size_t i = shifts.size(); i-- > 0;) {
      after_[i] = last;
      if (shifts[i]) last = shifts[i];
    }
  }

  // The old numbers in question for the i-th new message, the likelier first.
  std::vector<std::int32_t> Expected(std::size_t i, std::int32_t message) const {
    std::vector<std::int32_t> expected;
    if (before_[i]) expected.push_back(message - *before_[i]);
    if (after_[i] && (!before_[i] || *after_[i] != *before_[i])) expected.push_back(message - *after_[i]);
    if (expected.empty()) expected.push_back(message);
    return expected;
  }

 private:
  std::vector<std::optional<std::int32_t>> before_, after_;
};

// Of old messages, the one nearest to an expected number; the lower on a tie.
std::int32_t Nearest(const std::vector<std::int32_t>& candidates, const std::vector<std::int32_t>& expected) {
  auto distance = [&](std::int32_t c) {
    std::int64_t best = INT64_MAX;
    for (std::int32_t e : expected) best = std::min<std::int64_t>(best, std::llabs(std::int64_t{c} - e));
    return best;
  };
  return *std::min_element(candidates.begin(), candidates.end(),
                           [&](std::int32_t a, std::int32_t b) { return distance(a) < distance(b); });
}

}  // namespace

int MergeReport::Count(MergeDecision decision) const {
  return static_cast<int>(std::count_if(Messages.begin(), Messages.end(),
                                        [&](const MessageDecision& d) { return d.Decision == decision; }));
}

int MergeReport::AmbiguousCount() const {
  return static_cast<int>(
      std::count_if(Messages.begin(), Messages.end(), [](const MessageDecision& d) { return d.Ambiguous; }));
}

std::optional<std::size_t> LanguageWithLangId(const LgpScan& scan, std::int32_t langId, std::size_t rank) {
  for (std::size_t l = 0; l < scan.Languages.size(); ++l) {
    if (scan.Languages[l].LangId == langId && rank-- == 0) return l;
  }
  return std::nullopt;
}

std::size_t LangIdRank(const LgpScan& scan, std::size_t language) {
  const auto same = [&](const LgpSection& s) { return s.LangId == scan.Languages[language].LangId; };
  return static_cast<std::size_t>(
      std::count_if(scan.Languages.begin(), scan.Languages.begin() + static_cast<std::ptrdiff_t>(language), same));
}

MergePlan PlanMerge(const MergeSource& old, const MergeTarget& target, bool fuzzy) {
  const OldTexts oldTexts = ReadOld(old);
  const auto oldCount = static_cast<std::int32_t>(oldTexts.Reference.size());
  auto oldReference = [&](std::int32_t m) -> const std::u16string& { return oldTexts.Reference[m]; };

  // Every old message by its reference text (ascending numbers), and how
  // often each reference text stands in the new pack.
  std::unordered_map<std::u16string_view, std::vector<std::int32_t>> oldByText;
  oldByText.reserve(oldTexts.Reference.size());
  for (std::int32_t m = 0; m < oldCount; ++m) {
    if (!oldReference(m).empty()) oldByText[oldReference(m)].push_back(m);
  }
  std::unordered_map<std::u16string_view, int> newCount;
  newCount.reserve(target.Reference.size());
  for (const auto& [message, text] : target.Reference) {
    if (!text.empty()) ++newCount[text];
  }
  auto occurrences = [&](std::u16string_view text) -> const std::vector<std::int32_t>* {
    if (text.empty()) return nullptr;
    const auto found = oldByText.find(text);
    return found == oldByText.end() ? nullptr : &found->second;
  };

  // The shift of each message whose reference text is unique in both packs.
  std::vector<std::optional<std::int32_t>> shifts;
  for (const auto& [message, text] : target.Reference) {
    const auto* found = occurrences(text);
    const bool unique = found && found->size() == 1 && newCount[text] == 1;
    shifts.push_back(unique ? std::optional(message - found->front()) : std::nullopt);
  }
  const Alignment alignment(shifts);

  MergePlan plan;
  MergeReport& report = plan.Report;
  report.Fuzzy = fuzzy;
  std::vector<bool> claimed(oldTexts.Reference.size());  // old messages a changed source stands in for
  std::size_t i = 0;
  for (const auto& [message, text] : target.Reference) {
    const std::vector<std::int32_t> expected = alignment.Expected(i++, message);
    MessageDecision decision{message, MergeDecision::New, -1, false};
    auto carry = [&, message = message](std::int32_t from) {
      decision.Decision = from == message ? MergeDecision::CarriedSameNumber : MergeDecision::CarriedMoved;
      decision.From = from;
    };
    if (const auto* found = occurrences(text)) {
      const std::u16string& first = oldTexts.Translation[found->front()];
      const bool alike = std::all_of(found->begin(), found->end(),
                                     [&](std::int32_t m) { return oldTexts.Translation[m] == first; });
      if (alike && std::binary_search(found->begin(), found->end(), message)) {
        carry(message);
      } else {
        carry(Nearest(*found, expected));
        decision.Ambiguous = !alike && decision.From != message;
      }
    } else {
      // An empty reference text is matched only where its neighbours put it.
      auto inOld = [&](std::int32_t m) { return m >= 0 && m < oldCount; };
      if (text.empty()) {
        for (std::int32_t e : expected) {
          if (inOld(e) && oldReference(e).empty()) {
            carry(e);
            break;
          }
        }
      }
      // A changed source: the old message in its place has a text that the
      // new pack no longer has.
      for (std::int32_t e : expected) {
        if (decision.From >= 0) break;
        if (inOld(e) && !claimed[e] && !oldReference(e).empty() && !newCount.contains(oldReference(e))) {
          decision.Decision = MergeDecision::SourceChanged;
          decision.From = e;
          claimed[e] = true;
        }
      }
    }
    report.Messages.push_back(decision);

    const bool takes = decision.Decision == MergeDecision::CarriedSameNumber ||
                       decision.Decision == MergeDecision::CarriedMoved ||
                       (fuzzy && decision.Decision == MergeDecision::SourceChanged);
    if (!takes) continue;
    const std::u16string& carried = oldTexts.Translation[decision.From];
    if (Unholdable(carried)) ++report.Unholdable;
    const auto current = target.Texts.find(message);
    const bool same = current == target.Texts.end() ? carried.empty() : current->second == carried;
    if (!carried.empty() && !same) {
      plan.Texts.emplace(message, carried);
      ++report.Changed;
    }
  }

  for (std::int32_t m = 0; m < oldCount; ++m) {
    if (!oldReference(m).empty() && !claimed[m] && !newCount.contains(oldReference(m)))
      report.Dropped.push_back(m);
  }
  return plan;
}

}  // namespace tarvo
