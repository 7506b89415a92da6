// The decision for each message of a newer pack, in one table of the ways
// a firmware changes its messages.
#include <gtest/gtest.h>

#include "merge/merge_plan.h"
#include "tests/support/lgp_text.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

struct Case {
  const char* name;
  std::vector<std::u16string> oldReference;
  std::vector<std::u16string> oldTranslation;  // "t" and the reference text where empty
  std::vector<std::u16string> newReference;
  // Per new message: "=" same number, "m3" moved from 3, "a3" ambiguous from
  // 3, "c3" source changed in place of 3, "n" new.
  std::vector<std::string> decisions;
  std::vector<std::int32_t> dropped;
  bool fuzzy = false;
};

std::string Code(const MessageDecision& d) {
  const std::string from = std::to_string(d.From);
  if (d.Decision == MergeDecision::CarriedMoved) return (d.Ambiguous ? "a" : "m") + from;
  if (d.Decision == MergeDecision::SourceChanged) return "c" + from;
  return d.Decision == MergeDecision::New ? "n" : d.Ambiguous ? "?" : "=";
}

std::vector<std::uint8_t> Pack(const Case& c) {
  std::vector<std::u16string> lines = {u"AllLangs 2",
                                       u"MaxMsgId " + test::U(std::to_string(c.oldReference.size() - 1))};
  for (int l = 0; l < 2; ++l) {
    lines.push_back(l == 0 ? u"LangId 1" : u"LangId 7");
    for (std::size_t m = 0; m < c.oldReference.size(); ++m) {
      std::u16string text = m < c.oldTranslation.size() ? c.oldTranslation[m] : u"";
      if (l == 0 || text.empty()) text = (l == 0 ? u"" : u"t") + c.oldReference[m];
      lines.push_back(u"String " + test::U(std::to_string(m)) + u", \"" + text + u"\"");
    }
  }
  return test::LgpBytes(lines);
}

TEST(PlanMerge, DecidesEachMessageByItsReferenceTextAndItsNeighbours) {
  // clang-format off
  const std::vector<Case> cases = {
      {"unchanged", {u"A", u"B", u"C"}, {}, {u"A", u"B", u"C"}, {"=", "=", "="}, {}},
      {"renumbered", {u"A", u"B", u"C", u"D"}, {}, {u"B", u"A", u"C", u"D"}, {"m1", "m0", "=", "="}, {}},
      {"inserted", {u"A", u"B", u"C", u"D"}, {}, {u"A", u"B", u"X", u"C", u"D"}, {"=", "=", "n", "m2", "m3"}, {}},
      {"deleted", {u"A", u"B", u"C", u"D", u"E"}, {}, {u"A", u"B", u"D", u"E"}, {"=", "=", "m3", "m4"}, {2}},
      {"changed source", {u"A", u"B", u"C", u"D"}, {}, {u"A", u"B", u"Z", u"D"}, {"=", "=", "c2", "="}, {}},
      {"changed after a shift", {u"A", u"B", u"C", u"D"}, {}, {u"X", u"A", u"B", u"Z", u"D"},
       {"n", "m0", "m1", "c2", "m3"}, {}},
      {"changed, carried fuzzy", {u"A", u"B", u"C"}, {}, {u"A", u"Z", u"C"}, {"=", "c1", "="}, {}, true},
      {"replaced and dropped", {u"A", u"B", u"C"}, {}, {u"A", u"C", u"Y"}, {"=", "m2", "n"}, {1}},
      {"duplicate, one translation", {u"A", u"OK", u"B", u"OK"}, {}, {u"X", u"A", u"OK", u"B", u"OK"},
       {"n", "m0", "m1", "m2", "m3"}, {}},
      {"duplicate, two translations", {u"A", u"OK", u"B", u"OK", u"C"}, {u"", u"k1", u"", u"k2"},
       {u"X", u"A", u"OK", u"B", u"OK", u"C"}, {"n", "m0", "a1", "m2", "a3", "m4"}, {}},
      {"duplicate in place", {u"A", u"OK", u"OK", u"B"}, {u"", u"k1", u"k2"}, {u"A", u"OK", u"OK", u"B"},
       {"=", "=", "=", "="}, {}},
      {"empty reference", {u"A", u"", u"B"}, {u"", u"e"}, {u"X", u"A", u"", u"B"}, {"n", "m0", "m1", "m2"}, {}},
  };
  // clang-format on
  for (const Case& c : cases) {
    const auto file = Pack(c);
    const LgpScan scan = ScanLgp(file);
    MergeTarget target;
    for (std::size_t m = 0; m < c.newReference.size(); ++m) {
      target.Reference[static_cast<std::int32_t>(m)] = c.newReference[m];
      target.Texts[static_cast<std::int32_t>(m)] = u"untranslated";
    }
    const MergePlan plan = PlanMerge({file, scan, 0, 1}, target, c.fuzzy);
    std::vector<std::string> decisions;
    for (const MessageDecision& d : plan.Report.Messages) {
      decisions.push_back(Code(d));
      // Exactly the carried messages take the old translation.
      const bool takes = d.From >= 0 && (d.Decision != MergeDecision::SourceChanged || c.fuzzy);
      const auto set = plan.Texts.find(d.Message);
      EXPECT_EQ(set != plan.Texts.end() ? set->second : u"", takes ? scan.Text(file, 1, d.From) : u"")
          << c.name << ", message " << d.Message;
    }
    EXPECT_EQ(decisions, c.decisions) << c.name;
    EXPECT_EQ(plan.Report.Dropped, c.dropped) << c.name;
    EXPECT_EQ(plan.Report.Changed, static_cast<int>(plan.Texts.size())) << c.name;
  }
}

}  // namespace
}  // namespace tarvo
