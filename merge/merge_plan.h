// Carrying a translation from an older pack to a newer one: each message of
// the new pack is matched with the old pack's message of the same reference
// text, whatever number it has there, and takes its translation.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "lgp/lgp_scan.h"

namespace tarvo {

// The new pack's side, by message number: one entry per message that takes
// part (0 to MaxMsgId), the empty text where the file has none.
struct MergeTarget {
  std::map<std::int32_t, std::u16string> Reference;  // the reference language
  std::map<std::int32_t, std::u16string> Texts;      // the language that receives the translation
};

enum class MergeDecision {
  CarriedSameNumber,  // same number, same reference text
  CarriedMoved,       // the reference text stands under another number in the old pack
  SourceChanged,      // the old message in its place has another reference text
  New,                // the reference text is nowhere in the old pack
};

struct MessageDecision {
  std::int32_t Message = 0;  // in the new pack
  MergeDecision Decision = MergeDecision::New;
  std::int32_t From = -1;  // the old message it was matched with; -1 for New
  // The reference text stands several times in the old pack with different
  // translations; the one whose neighbours line up was taken.
  bool Ambiguous = false;
};

struct MergeReport {
  std::vector<MessageDecision> Messages;  // one per message of the new pack, in number order
  std::vector<std::int32_t> Dropped;      // old messages whose reference text is nowhere in the new pack
  int Changed = 0;                        // texts of the new pack that the merge replaces
  int Unholdable = 0;  // carried texts with a character above U+7FFF, which the pack cannot hold
  bool Fuzzy = false;  // texts of changed sources were carried too

  int Count(MergeDecision decision) const;
  int AmbiguousCount() const;
};

struct MergePlan {
  std::map<std::int32_t, std::u16string> Texts;  // what to set in the new pack's language
  MergeReport Report;
};

// The old pack's two languages that take part, counted from 0 in `scan`.
struct MergeSource {
  std::span<const std::uint8_t> File;
  const LgpScan& Scan;
  std::size_t Reference = 0;
  std::size_t Language = 0;
};

// The plan of a merge; pure, so that a window can apply it to an open
// document as one step. An old text that is empty never replaces a new one.
// With `fuzzy`, messages whose source changed take the old translation too.
MergePlan PlanMerge(const MergeSource& old, const MergeTarget& target, bool fuzzy);

// The language of `scan` with the given LangId, counted from 0; of several,
// the one at `rank` among them (from 0). Nothing when the file has none.
std::optional<std::size_t> LanguageWithLangId(const LgpScan& scan, std::int32_t langId, std::size_t rank = 0);

// Where language `language` stands among the languages of `scan` with its LangId.
std::size_t LangIdRank(const LgpScan& scan, std::size_t language);

}  // namespace tarvo
