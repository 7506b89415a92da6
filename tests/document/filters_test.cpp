#include "document/filters.h"

#include <gtest/gtest.h>

#include <random>

#include "document/document.h"
#include "document/measure.h"
#include "tests/support/lgp_text.h"

namespace tarvo {
namespace {

using Numbers = std::vector<std::int32_t>;

Configuration Config() {
  Configuration config;
  LoadConfigurationText("TRANS 80,0\nTRANS 81,400\nTRANS 83,80\n", config);
  return config;
}

// Language 1 is the reference, language 2 its translation.
Document Sample(const Configuration& config) {
  return Document::FromLgp(
      test::LgpBytes({u"PhoneType TEST, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0",
                      u"AllLangs 2",
                      u"MaxMsgId 7",
                      u"LgPackId T",
                      u"LangId 1",
                      u"String 0, \"%d files\"",
                      u"String 1, \"Line<0A>break\"",
                      u"String 2, \"Open\"",
                      u"String 3, \"Close\"",
                      u"String 4, \"Menu\"",
                      u"String 5, \"%1$s of %2$d\"",
                      u"String 6, \"Greek\"",
                      u"String $7, \"Call\"",
                      u"LangId 2",
                      u"String 0, \"%s tiedostoa\"",
                      u"String 1, \"Rivinvaihto\"",
                      u"String 2, \"Open\"",
                      u"String 4, \"Valikko <0G>\"",
                      u"String 5, \"%2$d / %1$s\"",
                      u"String 6, \"\u03B1\u0370\"",
                      u"String 7, \"Soita\""}),
      "sample.lgp", config);
}

std::vector<std::string> Kinds(const std::vector<MessageProblem>& problems) {
  std::vector<std::string> kinds;
  for (const MessageProblem& p : problems) kinds.push_back(p.Kind);
  return kinds;
}

// Problems belong to a language and message, whatever line holds its text.
TEST(MessageProblems, FollowTheTextRulesPerMessage) {
  const Configuration config = Config();
  Document document = Sample(config);
  const std::vector<std::pair<std::int32_t, std::vector<std::string>>> expected = {{0, {"conversions"}},
                                                                                   {1, {"control-escapes"}},
                                                                                   {2, {}},
                                                                                   {3, {}},
                                                                                   {4, {"false-escape"}},
                                                                                   {5, {}},
                                                                                   {6, {"no-window"}},
                                                                                   {7, {}}};
  for (const auto& [message, kinds] : expected) {
    EXPECT_EQ(Kinds(MessageProblems(document, 1, message, 0, config.Chars)), kinds) << "message " << message;
  }
  EXPECT_EQ(MessageProblems(document, 1, 0, 0, config.Chars)[0].Text,
            "The conversions differ from the reference: this text has \"%s\", the reference \"%d\".");
  EXPECT_TRUE(MessageProblems(document, 0, 0, 0, config.Chars).empty());  // the reference itself

  document.Apply({{1, 3, u"Sulje \U0001F600"}, {1, 0, u"%d tiedostoa"}});
  EXPECT_EQ(Kinds(MessageProblems(document, 1, 3, 0, config.Chars)), std::vector<std::string>{"above-7fff"});
  EXPECT_TRUE(document.CannotEncode(1, 3));
  EXPECT_TRUE(MessageProblems(document, 1, 0, 0, config.Chars).empty());
  // Saved and opened again, the text is still there and still marked.
  const Document reopened = Document::FromLgp(document.SaveBytes(), "sample.lgp", config);
  EXPECT_EQ(reopened.Text(1, 3), u"Sulje \U0001F600");
  EXPECT_TRUE(reopened.CannotEncode(1, 3));
}

TEST(MessageProblems, OverlongTextsWithTheMeasuresDictionaries) {
  const Configuration config = Config();
  Document document = Sample(config);
  std::u16string text;
  std::mt19937 random(4);
  for (int i = 0; i < 700; ++i) text.push_back(static_cast<char16_t>(u'A' + random() % 58));
  document.Apply({{1, 3, text}});
  const DocumentMeasure measure = MeasureDocument(TakeSnapshot(document, PivotRandom()));
  EXPECT_EQ(measure.Standard.Overlong, 1);
  EXPECT_EQ(Kinds(MessageProblems(document, 1, 3, 0, config.Chars, &measure)),
            std::vector<std::string>{"long-string"});
  EXPECT_EQ(FindMessages(document, {1, 0, MessageFilter::Overlong, {}}, config.Chars, &measure), Numbers{3});
  EXPECT_TRUE(FindMessages(document, {1, 0, MessageFilter::Overlong, {}}, config.Chars).empty());
}

TEST(FindMessages, FiltersAndSearches) {
  const Configuration config = Config();
  Document document = Sample(config);
  document.Apply({{1, 7, u"Soita nyt"}});
  const struct {
    MessageFilter filter;
    std::u16string search;
    Numbers expected;
  } cases[] = {
      {MessageFilter::All, u"", {0, 1, 2, 3, 4, 5, 6, 7}},
      {MessageFilter::Untranslated, u"", {3}},
      {MessageFilter::SameAsReference, u"", {2}},
      {MessageFilter::WithProblems, u"", {0, 1, 4, 6}},
      {MessageFilter::Changed, u"", {7}},
      {MessageFilter::All, u"valikko", {4}},  // either case
      {MessageFilter::All, u"OPEN", {2}},     // the reference's text too
      {MessageFilter::All, u"5", {5}},        // a message number
      {MessageFilter::All, u" $7 ", {7}},     // in hex
      {MessageFilter::All, u"\u0391", {6}},   // Greek capital alpha
      {MessageFilter::WithProblems, u"%", {0}},
      {MessageFilter::All, u"no such text", {}},
  };
  for (const auto& c : cases) {
    MessageQuery query{1, 0, c.filter, c.search};
    EXPECT_EQ(FindMessages(document, query, config.Chars), c.expected)
        << static_cast<int>(c.filter) << " " << std::string(c.search.begin(), c.search.end());
  }
  MessageQuery exact{1, 0, MessageFilter::All, u"open", false, true};
  EXPECT_TRUE(FindMessages(document, exact, config.Chars).empty());
  EXPECT_TRUE(NeedsWork(document, 1, 0, 3, config.Chars));
  EXPECT_FALSE(NeedsWork(document, 1, 0, 7, config.Chars));

  const MessageCounts counts = CountMessages(document, 1, 0, config.Chars);
  EXPECT_EQ(counts.WithReference, 8);
  EXPECT_EQ(counts.Translated, 7);
  EXPECT_EQ(counts.WithProblems, 4);
  EXPECT_EQ(counts.Changed, 1);
}

TEST(ReplaceAll, OneUndoStepWithACount) {
  const Configuration config = Config();
  Document document = Sample(config);
  EXPECT_EQ(ReplaceOccurrences(u"aAaa", u"aa", u"b", false), u"bb");
  EXPECT_EQ(CountOccurrences(u"aaa", u"aa", true), 1u);
  Replacement replacement = ReplaceAll(document, 1, u"I", u"ii", false);
  EXPECT_EQ(replacement.Count, 6u);  // tIedostoa, RIvInvaIhto, ValIkko, SoIta
  document.Apply(std::move(replacement.Edits));
  EXPECT_EQ(document.Text(1, 1), u"Riiviinvaiihto");
  EXPECT_EQ(document.Text(0, 1), u"Line<0A>break");  // other languages stay
  document.Undo();
  EXPECT_EQ(document.Text(1, 1), u"Rivinvaihto");
  EXPECT_FALSE(document.CanUndo());
  const Numbers only{7};
  EXPECT_EQ(ReplaceAll(document, 1, u"i", u"", true, only).Edits.size(), 1u);
  EXPECT_EQ(ReplaceAll(document, 1, u"", u"x", true).Count, 0u);
}

}  // namespace
}  // namespace tarvo
