// One reference text translated differently within a language: the core's
// groups, the document's filter, sentence and fix, and the check's report.
#include "check/consistency.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "check/check_output.h"
#include "check/lgp_check.h"
#include "document/consistency.h"
#include "document/filters.h"
#include "tests/support/lgp_text.h"

namespace tarvo {
namespace {

using Numbers = std::vector<std::int32_t>;

TEST(InconsistentGroups, OnlyDifferentNonEmptyTranslationsOfOneReferenceText) {
  struct Case {
    const char* name;
    std::vector<std::u16string> reference, translation;
    std::vector<Numbers> groups;
  };
  const Case cases[] = {
      {"two translations", {u"Save", u"Open", u"Save"}, {u"Speichern", u"Öffnen", u"Sichern"}, {{0, 2}}},
      {"the same translation", {u"Save", u"Save"}, {u"Sichern", u"Sichern"}, {}},
      {"an untranslated one is no difference",
       {u"Save", u"Save", u"Save"},
       {u"Sichern", u"", u"Sichern"},
       {}},
      {"empty reference texts share nothing", {u"", u""}, {u"A", u"B"}, {}},
      {"case matters", {u"Save", u"save"}, {u"A", u"B"}, {}},
      {"groups by first message",
       {u"B", u"A", u"B", u"A", u"A"},
       {u"1", u"x", u"2", u"x", u"y"},
       {{0, 2}, {1, 3, 4}}},
  };
  for (const Case& c : cases) {
    const auto at = [](const std::vector<std::u16string>& texts) {
      return [&texts](std::int32_t m) { return std::u16string_view(texts[static_cast<std::size_t>(m)]); };
    };
    EXPECT_EQ(
        InconsistentGroups(static_cast<std::int32_t>(c.reference.size()), at(c.reference), at(c.translation)),
        c.groups)
        << c.name;
  }
}

// Language 1 is the reference. Language 2 translates "Save" twice
// differently (0 and 2) and leaves it empty once (4); language 3 is consistent.
std::vector<std::u16string> Lines() {
  return {u"PhoneType TESTFLASH, 100, 20000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9",
          u"AllLangs 3",
          u"MaxMsgId 4",
          u"LangId 1",
          u"String 0, \"Save\"",
          u"String 1, \"Open\"",
          u"String 2, \"Save\"",
          u"String 3, \"Open\"",
          u"String 4, \"Save\"",
          u"LangId 2",
          u"String 0, \"Speichern\"",
          u"String 1, \"Öffnen\"",
          u"String 2, \"Sichern\"",
          u"String 3, \"Öffnen\"",
          u"LangId 3",
          u"String 0, \"Tallenna\"",
          u"String 2, \"Tallenna\""};
}

TEST(Inconsistency, TheDocumentFindsNamesAndMendsItInOneStep) {
  Configuration config;
  Document document = Document::FromLgp(test::LgpBytes(Lines()), "t.lgp", config);
  MessageQuery query{1, 0, MessageFilter::Inconsistent, {}, true, false};
  EXPECT_EQ(FindMessages(document, query, config.Chars), (Numbers{0, 2}));
  EXPECT_EQ(InconsistentMessages(document, 2, 0), Numbers{});
  EXPECT_EQ(InconsistentMessages(document, 1, 1), Numbers{});  // a language against itself

  const auto problem = InconsistencyProblem(document, 1, 0, 2);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->Text, "The same reference text is translated differently in 0 (\"Speichern\").");
  EXPECT_FALSE(InconsistencyProblem(document, 1, 0, 1));
  EXPECT_FALSE(InconsistencyProblem(document, 1, 0, 4));  // untranslated

  document.Apply(UseTranslationForAll(document, 1, 0, 2));
  for (const std::int32_t m : {0, 2, 4}) EXPECT_EQ(document.Text(1, m), u"Sichern") << m;
  EXPECT_EQ(document.Text(1, 1), u"Öffnen");
  EXPECT_TRUE(InconsistentMessages(document, 1, 0).empty());
  document.Undo();
  EXPECT_EQ(document.Text(1, 0), u"Speichern");
  EXPECT_EQ(document.Text(1, 4), u"");
  EXPECT_TRUE(UseTranslationForAll(document, 1, 0, 4).empty());  // nothing to give
}

TEST(Inconsistency, TheCheckReportsThemPerLanguageInTextAndJson) {
  const CharTable table;
  const CheckReport report = CheckLgp(test::LgpBytes(Lines()), table);
  ASSERT_EQ(report.Inconsistencies.size(), 1u);
  EXPECT_EQ(InconsistencyLine(report.Inconsistencies[0]),
            "language 2: \"Save\" is \"Speichern\" (string 0, line 11), \"Sichern\" (string 2, line 13).");
  const std::string text = CheckReportText(report);
  EXPECT_NE(text.find("Inconsistent translations of one text of language 1 (1):\n  language 2: "),
            std::string::npos)
      << text;

  const auto json = nlohmann::json::parse(CheckReportJson(report));
  EXPECT_EQ(json.at("version"), 1);
  EXPECT_TRUE(json.at("problems").is_array());
  const auto& inconsistent = json.at("inconsistent");
  ASSERT_EQ(inconsistent.size(), 1u);
  EXPECT_EQ(inconsistent[0].at("language"), 2);
  EXPECT_EQ(inconsistent[0].at("reference"), "Save");
  EXPECT_EQ(inconsistent[0].at("messages"),
            nlohmann::json::parse(R"([{"message":0,"line":11,"text":"Speichern"},
                                      {"message":2,"line":13,"text":"Sichern"}])"));
  // Against language 2 as the reference, language 1 and 3 are consistent.
  EXPECT_TRUE(nlohmann::json::parse(CheckReportJson(CheckLgp(test::LgpBytes(Lines()), table, 1)))
                  .at("inconsistent")
                  .empty());
}

}  // namespace
}  // namespace tarvo
