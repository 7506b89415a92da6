#include "check/lgp_check.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "check/check_output.h"
#include "check/text_checks.h"
#include "compile/compile_command.h"
#include "tests/support/lgp_text.h"
#include "tests/support/shipped_config.h"
#include "tests/support/test_frame.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {


// A clean file of two languages and three messages; line 4 is "LangId 1",
// lines 5 to 7 its strings, line 8 "LangId 2", lines 9 to 11 its strings.
std::vector<std::u16string> CleanLines() {
  return {u"PhoneType TESTFLASH, 100, 20000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 9",
          u"AllLangs 2",
          u"MaxMsgId 2",
          u"LangId 1",
          u"String 0, \"Call %s?<0A>Now\"",
          u"String 1, \"%1$s has %2$d\"",
          u"String 2, \"100%% done\"",
          u"LangId 2",
          u"String 0, \"\u0417\u0432\u043E\u043D\u0438\u0442\u044C %s?<0A>\"",
          u"String 1, \"%2$d at %1$s\"",
          u"String 2, \"100 %%\""};
}

class Checking : public ::testing::Test {
 protected:
  Checking() : table_(test::Table({{0x80, 0}, {0x81, 0x400}})) {}

  CheckReport Check(const std::vector<std::u16string>& lines, std::int32_t reference = 0) {
    return CheckLgp(test::LgpBytes(lines), table_, reference);
  }
  // The lines of the clean file with line `number` (from 1) replaced.
  static std::vector<std::u16string> With(int number, std::u16string line) {
    auto lines = CleanLines();
    lines[static_cast<std::size_t>(number - 1)] = std::move(line);
    return lines;
  }
  // The only problem of a report.
  static Problem Only(const CheckReport& report) {
    if (report.Problems.size() != 1u) {
      ADD_FAILURE() << report.Problems.size() << " problems";
      for (const Problem& p : report.Problems) ADD_FAILURE() << ProblemLine(p);
    }
    return report.Problems.empty() ? Problem{} : report.Problems.front();
  }

  CharTable table_;
};

TEST_F(Checking, ACleanFileFitsWithoutProblems) {
  const CheckReport report = Check(CleanLines());
  EXPECT_TRUE(report.Problems.empty()) << (report.Problems.empty() ? "" : ProblemLine(report.Problems[0]));
  EXPECT_TRUE(report.Fits());
  EXPECT_TRUE(report.FitsCompact());
  EXPECT_EQ(report.PhoneType, "TESTFLASH");
  EXPECT_EQ(report.Messages, 3);
  ASSERT_EQ(report.PerLanguage.size(), 2u);
  EXPECT_EQ(report.PerLanguage[1].LangId, 2);
  EXPECT_EQ(report.PerLanguage[1].Strings, 3);
  EXPECT_EQ(report.Standard.Blocks, 1);
  EXPECT_LE(report.Compact.PackLength, report.Standard.PackLength);
  EXPECT_EQ(report.Standard.Spare, 0x20000 - 1 - report.Standard.PackLength);
}

TEST_F(Checking, EachMistakeIsOneProblemAtItsLine) {
  const struct {
    int line;
    std::u16string text;
    ProblemGroup group;
    const char* kind;
    std::optional<std::int32_t> message, language;
  } cases[] = {
      {7, u"String 2, \"100%% done", ProblemGroup::Warning, "unclosed-quote", 2, 0},
      {7, u"Strnig 2, \"100%% done\"", ProblemGroup::Warning, "unknown-key", {}, {}},
      {7, u"String 3, \"100%% done\"", ProblemGroup::Warning, "beyond-maxmsgid", 3, 0},
      {7, u"String 2.0, \"100%% done\"", ProblemGroup::Warning, "loose-number", {}, {}},
      {7, u"String 2, \"100%% d\u0531ne\"", ProblemGroup::Warning, "no-window", 2, 0},
      {7, u"String 2, \"100%% <G1>\"", ProblemGroup::Warning, "false-escape", 2, 0},
      {10, u"String 1, \"%2$s at %1$s\"", ProblemGroup::Consistency, "conversions", 1, 1},
      {10, u"String 1, \"at %1$s\"", ProblemGroup::Consistency, "conversions", 1, 1},
      {9, u"String 0, \"\u0417\u0432\u043E\u043D\u0438\u0442\u044C %s?\"", ProblemGroup::Consistency,
       "control-escapes", 0, 1},
      {11, u"String 2, \"\"", ProblemGroup::Consistency, "empty-translation", 2, 1},
      {7, u"String 2, \"100%% d\U00010000ne\"", ProblemGroup::Error, "refused-line", {}, {}},
      {11, u"AllLangs 2", ProblemGroup::Warning, "strings-discarded", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind + std::string(" ") + Excerpt(c.text));
    const CheckReport report = Check(With(c.line, c.text));
    const Problem p = Only(report);
    EXPECT_EQ(p.Group, c.group);
    EXPECT_EQ(p.Kind, c.kind);
    EXPECT_EQ(p.Line, c.line);
    EXPECT_EQ(p.Message, c.message);
    EXPECT_EQ(p.Language, c.language);
    EXPECT_EQ(report.Fits(), c.group != ProblemGroup::Error);
  }
}

TEST_F(Checking, TheReferenceLanguageCanBeChosen) {
  auto lines = With(5, u"String 0, \"Call\"");
  // Against language 1 the second language has a conversion and a line
  // break too many, against language 2 the first one lacks them.
  for (const std::int32_t reference : {0, 1}) {
    const CheckReport report = Check(lines, reference);
    ASSERT_EQ(report.Problems.size(), 2u);
    EXPECT_EQ(report.Problems[0].Kind, "conversions");
    EXPECT_EQ(report.Problems[1].Kind, "control-escapes");
    EXPECT_EQ(report.Problems[0].Language, 1 - reference);
    EXPECT_EQ(report.Problems[0].Line, reference == 0 ? 9 : 5);
  }
}

TEST_F(Checking, AStringOverTheLimitOfBothPackingsIsAnError) {
  std::u16string text;
  std::mt19937 random(4);
  for (int i = 0; i < 900; ++i) text.push_back(static_cast<char16_t>(u'!' + random() % 90));
  const CheckReport report = Check(With(11, u"String 2, \"" + text + u"\""));
  const auto error = std::find_if(report.Problems.begin(), report.Problems.end(),
                                  [](const Problem& p) { return p.Kind == "long-string"; });
  ASSERT_NE(error, report.Problems.end());
  EXPECT_EQ(error->Group, ProblemGroup::Error);
  EXPECT_EQ(error->Line, 11);
  EXPECT_EQ(report.Standard.OverlongStrings, 1);
  EXPECT_FALSE(report.Fits());
  EXPECT_FALSE(report.FitsCompact());
}

TEST_F(Checking, FilesTheReaderCannotTakeAreErrors) {
  EXPECT_EQ(Only(CheckLgp(test::Bytes({'A', 0}), table_)).Kind, "not-lgp");
  EXPECT_EQ(Only(CheckLgp({}, table_)).Kind, "not-lgp");
  const Problem p = Only(Check(With(5, u"String 0 \"no comma\"")));
  EXPECT_EQ(p.Kind, "refused-line");
  EXPECT_EQ(p.Line, 5);
}

TEST_F(Checking, TheJsonReportHasItsDocumentedKeys) {
  const auto json = nlohmann::json::parse(CheckReportJson(Check(With(7, u"String 2, \"open"))));
  EXPECT_EQ(json.at("version"), kCheckJsonVersion);
  EXPECT_TRUE(json.at("fits").is_boolean());
  EXPECT_TRUE(json.at("fitsCompact").is_boolean());
  EXPECT_EQ(json.at("packSizeLimit"), 0x20000);
  for (const char* packing : {"standard", "compact"}) {
    for (const char* key : {"packLength", "spare", "blocks"}) EXPECT_TRUE(json.at(packing).at(key).is_number());
  }
  ASSERT_EQ(json.at("languages").size(), 2u);
  const auto& language = json.at("languages")[1];
  EXPECT_EQ(language.at("number"), 2);
  EXPECT_EQ(language.at("langId"), 2);
  for (const char* key : {"strings", "phoneBytes", "standardBytes", "compactBytes"}) {
    EXPECT_TRUE(language.at(key).is_number()) << key;
  }
  ASSERT_EQ(json.at("problems").size(), 1u);
  const auto& problem = json.at("problems")[0];
  EXPECT_EQ(problem.at("severity"), "warning");
  EXPECT_EQ(problem.at("kind"), "unclosed-quote");
  EXPECT_EQ(problem.at("line"), 7);
  EXPECT_EQ(problem.at("message"), 2);
  EXPECT_EQ(problem.at("language"), 1);  // counted from 1
  EXPECT_TRUE(problem.at("text").is_string());

  const auto refused = nlohmann::json::parse(CheckReportJson(CheckLgp({}, table_)));
  EXPECT_TRUE(refused.at("problems")[0].at("line").is_null());
  EXPECT_TRUE(refused.at("standard").is_null());
  EXPECT_FALSE(refused.at("fits"));
}

TEST_F(Checking, TextReportShowsTwentyProblemsOfEachGroupAndCountsTheRest) {
  auto lines = CleanLines();
  for (int i = 0; i < 25; ++i) lines.push_back(u"Bogus line");
  const std::string text = CheckReportText(Check(lines));
  EXPECT_NE(text.find("Warnings (25):"), std::string::npos);
  EXPECT_NE(text.find("line 31: "), std::string::npos);
  EXPECT_EQ(text.find("line 32: "), std::string::npos);
  EXPECT_NE(text.find("... and 5 more"), std::string::npos);
  EXPECT_NE(text.find("Verdict: fits\n"), std::string::npos);
}

// The header gives each figure in full, from the smallest to the largest a
// report can hold; a file that was not read gets the verdict alone.
TEST_F(Checking, TextReportHeaderGivesEveryFigureInFull) {
  struct Case {
    std::int32_t languages, messages;
    std::int64_t limit;
    const char* header;
  };
  const Case cases[] = {
      {2, 3, 131072, "Languages:      2\nMessages:       3 (0 to 2)\nPackSizeLimit:  131072 bytes\n"},
      {1, 1, 0, "Languages:      1\nMessages:       1 (0 to 0)\nPackSizeLimit:  0 bytes\n"},
      {255, 32768, INT64_MAX,
       "Languages:      255\nMessages:       32768 (0 to 32767)\nPackSizeLimit:  9223372036854775807 bytes\n"},
  };
  for (const Case& c : cases) {
    CheckReport report = Check(CleanLines());
    report.Languages = c.languages;
    report.Messages = c.messages;
    report.PackSizeLimit = c.limit;
    const std::string text = CheckReportText(report);
    EXPECT_TRUE(text.starts_with("Phone type:     " + report.PhoneType + "\n" + c.header + "\n")) << text;
  }
  CheckReport unread = Check(CleanLines());
  unread.Read = false;
  EXPECT_TRUE(CheckReportText(unread).starts_with("Verdict: ")) << CheckReportText(unread);
}

// Every column starts where its heading does, however long its figures.
TEST_F(Checking, TextReportColumnsAreAsWideAsTheirLongestEntry) {
  for (const std::int64_t big : {std::int64_t{7}, std::int64_t{1026684}, std::int64_t{123456789012}}) {
    CheckReport report = Check(CleanLines());
    report.Standard.Spare = big;
    report.Compact.Spare = -big;
    report.Compact.PackLength = big * 1000;
    report.Standard.Blocks = static_cast<std::int32_t>(big % 100000000);
    report.PerLanguage[0].PhoneBytes = big * 100;
    report.PerLanguage[1].CompactBytes = big;
    auto starts = [](const std::string& line) {  // where each cell begins, after two spaces
      std::vector<std::size_t> at = {0};
      for (std::size_t i = 2; i < line.size(); ++i) {
        if (line[i] != ' ' && line[i - 1] == ' ' && line[i - 2] == ' ') at.push_back(i);
      }
      return at;
    };
    const std::string text = CheckReportText(report);
    std::istringstream again(text);
    std::vector<std::string> lines;
    for (std::string line; std::getline(again, line);) lines.push_back(line);
    for (const char* heading : {"Packing ", "Language "}) {
      const auto head = std::find_if(lines.begin(), lines.end(),
                                     [&](const std::string& l) { return l.starts_with(heading); });
      ASSERT_NE(head, lines.end()) << text;
      const std::vector<std::size_t> columns = starts(*head);
      for (auto row = head + 1; row != lines.end() && !row->empty(); ++row) {
        const std::vector<std::size_t> cells = starts(*row);
        EXPECT_EQ(cells, columns) << text;
      }
    }
  }
}

// The pack lengths that the check gives are the lengths that compile writes.
class CheckAgainstCompile : public test::ShippedConfigTest {
 protected:

  CommandOutcome Compile(const std::vector<std::uint8_t>& lgp, const char* target, PackingStrategy strategy) {
    Write(Path("in.lgp"), lgp);
    test::TestFrame frame;
    PivotRandom fresh;
    return RunCompile(frame, config_, fresh, Path("in.lgp"), Path(target), strategy).Outcome;
  }
};

TEST_F(CheckAgainstCompile, LanguageFileLengthsMatchBothPackings) {
  const auto lgp = Example("demo-language-file.lgp");
  const CheckReport report = CheckLgp(lgp, config_.Chars);
  ASSERT_TRUE(report.Fits());
  for (const auto strategy : {PackingStrategy::Standard, PackingStrategy::Compact}) {
    ASSERT_EQ(Compile(lgp, "out.lng", strategy), CommandOutcome::Done);
    // The file: the language name, 00, the pack, then 0A.
    const auto file = Read(Path("out.lng"));
    const auto nameEnd = std::find(file.begin(), file.end(), 0) - file.begin();
    const auto packLength = static_cast<std::int64_t>(file.size()) - nameEnd - 2;
    EXPECT_EQ(packLength, (strategy == PackingStrategy::Standard ? report.Standard : report.Compact).PackLength);
  }
}

TEST_F(CheckAgainstCompile, TheLimitFallsWhereCompileDrawsIt) {
  const auto original = test::LgpLines(Example("demo.lgp"));
  // The phone type's third item is PackSizeLimit, in hexadecimal.
  auto withLimit = [&](std::int64_t limit) {
    auto lines = original;
    for (auto& line : lines) {
      if (!line.starts_with(u"PhoneType")) continue;
      const auto second = line.find(u',', line.find(u',') + 1);
      const auto third = line.find(u',', second + 1);
      char hex[16];
      std::snprintf(hex, sizeof hex, " %llX", static_cast<long long>(limit));
      line = line.substr(0, second + 1) + test::U(hex) + line.substr(third);
    }
    return test::LgpBytes(lines);
  };
  // Limits below 16384 leave room for one block table entry, whatever the limit.
  const CheckReport full = CheckLgp(withLimit(16383), config_.Chars);
  ASSERT_LT(full.Compact.PackLength, full.Standard.PackLength);
  struct Case {
    std::int64_t limit;
    bool fits, fitsCompact;
  } cases[] = {
      {full.Standard.PackLength + 1, true, true},  // the last record ends just before the limit
      {full.Standard.PackLength, false, true},
      {full.Compact.PackLength + 1, false, true},
      {full.Compact.PackLength, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    const auto lgp = withLimit(c.limit);
    const CheckReport report = CheckLgp(lgp, config_.Chars);
    EXPECT_EQ(report.PackSizeLimit, c.limit);
    EXPECT_EQ(report.Fits(), c.fits);
    EXPECT_EQ(report.FitsCompact(), c.fitsCompact);
    Write(Path("flash.bin"), Example("demo.bin"));
    EXPECT_EQ(Compile(lgp, "flash.bin", PackingStrategy::Compact) == CommandOutcome::Done, c.fitsCompact);
    Write(Path("flash.bin"), Example("demo.bin"));
    test::TestFrame frame;
    frame.defaultAnswer = MessageAnswer::Cancel;  // no compact pack in place of the standard one
    Write(Path("in.lgp"), lgp);
    PivotRandom fresh;
    EXPECT_EQ(RunCompile(frame, config_, fresh, Path("in.lgp"), Path("flash.bin")).Outcome == CommandOutcome::Done,
              c.fits);
    if (c.fits == c.fitsCompact && !c.fits) {
      EXPECT_TRUE(std::any_of(report.Problems.begin(), report.Problems.end(),
                              [](const Problem& p) { return p.Kind == "pack-too-large"; }));
    }
  }
}

}  // namespace
}  // namespace tarvo
