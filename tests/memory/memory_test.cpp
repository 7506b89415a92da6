// The translation memory: scores, the index against a plain scan, the
// suggestions for a document's message and memories from other files.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "check/text_checks.h"
#include "config/error.h"
#include "memory/memory_index.h"
#include "memory/po_memory.h"
#include "memory/suggestions.h"
#include "tests/support/lgp_text.h"
#include "tests/support/temp_dir.h"

namespace tarvo {
namespace {

TEST(SimilarityScore, CountsEscapesAndConversionsAsOneUnit) {
  struct Case {
    std::u16string a, b;
    int score;
  };
  const Case cases[] = {
      {u"Save", u"Save", 100},
      {u"Delete all messages?", u"Delete all messages", 95},  // 1 of 20
      {u"Delete", u"Delete all", 60},
      {u"Line<0A>break", u"Line break", 90},  // the escape is one unit against the space
      {u"%1$s files", u"%d files", 85},       // one conversion for another: 1 of 7
      {u"<0A>", u"<0B>", 0},
      {u"", u"abc", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SimilarityScore(c.a, c.b), c.score) << Excerpt(c.a);
    EXPECT_EQ(SimilarityScore(c.b, c.a), c.score);
  }
}

TEST(TextDifference, GivesBackBothTexts) {
  const auto pieces = TextDifference(u"Delete all<0A>messages", u"Delete every<0A>message");
  std::u16string from, to;
  for (const DiffPiece& p : pieces) {
    if (p.Kind != DiffKind::Added) from += p.Text;
    if (p.Kind != DiffKind::Removed) to += p.Text;
  }
  EXPECT_EQ(from, u"Delete all<0A>messages");
  EXPECT_EQ(to, u"Delete every<0A>message");
  EXPECT_EQ(pieces.front().Kind, DiffKind::Same);
  EXPECT_EQ(pieces.back().Kind, DiffKind::Removed);
  EXPECT_EQ(pieces.back().Text, u"s");
}

// Exact first, then by score, nothing under the minimum: the same as
// scoring every text, whatever the index leaves out.
TEST(MemoryIndex, FindsWhatAScanOfEveryTextFinds) {
  std::vector<MemoryEntry> entries;
  const char16_t* words[] = {u"Delete", u"all", u"messages", u"Save", u"file", u"<0A>", u"%d", u"?", u"call"};
  std::mt19937 random(7);
  for (int i = 0; i < 400; ++i) {
    std::u16string text;
    // Every fourth text is longer than 64 units: the distance takes several words of bits.
    const int n = 1 + static_cast<int>(random() % 5) + (i % 4 == 0 ? 14 : 0);
    for (int w = 0; w < n; ++w) {
      text += (w ? u" " : u"") + std::u16string(words[random() % std::size(words)]);
    }
    entries.push_back({text, u"t" + text, "", i});
  }
  const MemoryIndex index(entries);
  for (int q = 0; q < 60; ++q) {
    const std::u16string& query = entries[random() % entries.size()].Source + (q % 3 ? u"" : u"s");
    std::vector<std::pair<int, std::size_t>> expected;
    for (std::size_t e = 0; e < entries.size(); ++e) {
      const int score = SimilarityScore(query, entries[e].Source);
      if (score >= 70) expected.emplace_back(score, e);
    }
    const auto found = index.Find(query);
    ASSERT_EQ(found.size(), expected.size()) << Excerpt(query);
    std::vector<std::pair<int, std::size_t>> got;
    for (std::size_t i = 0; i < found.size(); ++i) {
      if (i > 0) EXPECT_GE(found[i - 1].Score, found[i].Score);
      got.emplace_back(found[i].Score, found[i].Entry);
    }
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected) << Excerpt(query);
  }
}

// Texts of one to four units, too short for most of the index's trigrams,
// at every bound the panel and the editor ask with.
TEST(MemoryIndex, FindsShortTextsAtEveryMinimum) {
  const char16_t* pieces[] = {u"O", u"K", u"k", u"<0A>", u"%d", u"\u0416", u"\U0001F600", u"a"};
  std::vector<MemoryEntry> entries;
  std::mt19937 random(11);
  for (int i = 0; i < 300; ++i) {
    std::u16string text;
    for (int n = 1 + static_cast<int>(random() % 4); n > 0; --n) text += pieces[random() % std::size(pieces)];
    entries.push_back({text, u"t", "", i});
  }
  const MemoryIndex index(entries);
  for (const int minimum : {1, 34, 50, 67, 75, 100}) {
    for (int q = 0; q < 20; ++q) {
      const std::u16string& query = entries[random() % entries.size()].Source;
      std::vector<std::size_t> expected, got;
      for (std::size_t e = 0; e < entries.size(); ++e) {
        if (SimilarityScore(query, entries[e].Source) >= minimum) expected.push_back(e);
      }
      for (const MemoryMatch& match : index.Find(query, minimum)) got.push_back(match.Entry);
      std::sort(got.begin(), got.end());
      EXPECT_EQ(got, expected) << Excerpt(query) << " at " << minimum;
    }
  }
}

std::u16string U16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::vector<std::u16string> Pack(const std::u16string& langIds, std::vector<std::u16string> reference,
                                 std::vector<std::u16string> translation, const char16_t* phone = u"TEST") {
  std::vector<std::u16string> lines = {
      std::u16string(phone) + u", 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0", u"AllLangs 2",
      u"MaxMsgId " + U16(std::to_string(reference.size() - 1)), u"LgPackId T"};
  lines[0] = u"PhoneType " + lines[0];
  for (int l = 0; l < 2; ++l) {
    lines.push_back(u"LangId " + std::u16string(1, langIds[static_cast<std::size_t>(l)]));
    const auto& texts = l == 0 ? reference : translation;
    for (std::size_t m = 0; m < texts.size(); ++m) {
      lines.push_back(u"String " + U16(std::to_string(m)) + u", \"" + texts[m] + u"\"");
    }
  }
  return lines;
}

TEST(Suggestions, ExactThenSimilarFromTheDocumentAndOtherPacks) {
  const Configuration config;
  const Document document = Document::FromLgp(
      test::LgpBytes(Pack(
          u"12", {u"Delete all", u"Delete all messages?", u"Delete all", u"Save", u"Delete all messages"},
          {u"", u"Alle Nachrichten löschen?", u"Alle löschen", u"Sichern", u""})),
      "open.lgp", config);
  // Another pack with its languages the other way round.
  const auto other = LgpMemoryEntries(
      test::LgpBytes(Pack(u"21", {u"Alles löschen", u"Speichern"}, {u"Delete all", u"Save"})), "old.lgp",
      config, document, 1, 0);
  ASSERT_EQ(other.size(), 2u);
  const std::vector<MemoryIndex> memories{MemoryIndex(other)};
  const MemoryIndex own = DocumentMemory(document, 0);

  const auto forDelete = Suggest(document, 1, 0, 0, own, memories);
  ASSERT_EQ(forDelete.size(), 2u);
  EXPECT_EQ(forDelete[0].Target, u"Alle löschen");  // the document's first
  EXPECT_EQ(forDelete[0].Message, 2);
  EXPECT_EQ(forDelete[1].Target, u"Alles löschen");
  EXPECT_EQ(forDelete[1].Origin, "old.lgp");
  EXPECT_EQ(forDelete[1].Score, 100);

  const auto forMessages = Suggest(document, 1, 0, 4, own, memories);
  ASSERT_EQ(forMessages.size(), 1u);  // "Delete all" scores 52
  EXPECT_EQ(forMessages[0].Target, u"Alle Nachrichten löschen?");
  EXPECT_EQ(forMessages[0].Score, 95);
  ASSERT_FALSE(forMessages[0].Difference.empty());
  EXPECT_EQ(forMessages[0].Difference.back().Kind, DiffKind::Removed);

  // Its own text is no suggestion; the other memory's still is.
  const auto forSave = Suggest(document, 1, 0, 3, own, memories);
  ASSERT_EQ(forSave.size(), 1u);
  EXPECT_EQ(forSave[0].Target, u"Speichern");
}

TEST(Suggestions, AMemoryOfAnotherPhoneOrWithoutTheLanguagesIsRefusedByName) {
  const Configuration config;
  const Document document =
      Document::FromLgp(test::LgpBytes(Pack(u"12", {u"Save"}, {u"Sichern"})), "open.lgp", config);
  const auto refusal = [&](std::vector<std::uint8_t> bytes) {
    try {
      LgpMemoryEntries(std::move(bytes), "memory.lgp", config, document, 1, 0);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string();
  };
  EXPECT_NE(refusal(test::LgpBytes(Pack(u"12", {u"Save"}, {u"x"}, u"OTHER"))).find("phone type OTHER"),
            std::string::npos);
  EXPECT_NE(refusal(test::LgpBytes(Pack(u"13", {u"Save"}, {u"x"}))).find("no language with LangId 2"),
            std::string::npos);
  EXPECT_NE(refusal({0xFF, 0xFE, 'x'}).find("memory.lgp"), std::string::npos);
  EXPECT_NE(refusal({}).find("memory.lgp"), std::string::npos);
}

using PoMemory = test::TempDirTest;

TEST_F(PoMemory, TakesTranslatedEntriesOfItsLanguages) {
  const auto path = Path("de.po");
  std::ofstream(path) << "msgid \"\"\nmsgstr \"\"\n\"Content-Type: text/plain; charset=UTF-8\\n\"\n"
                         "\"X-LGpack-LangId: 2\\n\"\n\n"
                         "#. Message 7\nmsgid \"Save\"\nmsgstr \"Sichern\"\n\n"
                         "#, fuzzy\nmsgid \"Open\"\nmsgstr \"Auf\"\n\n"
                         "msgctxt \"9\"\nmsgid \"Line\\nbreak\"\nmsgstr \"Zeilen\\numbruch\"\n\n"
                         "msgid \"Close\"\nmsgstr \"\"\n";
  const auto entries = PoMemoryEntries(path, "de.po", 2, 1);
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].Target, u"Sichern");
  EXPECT_EQ(entries[0].Message, 7);
  EXPECT_EQ(entries[1].Source, u"Line<0A>break");
  EXPECT_EQ(entries[1].Message, 9);
  EXPECT_THROW(PoMemoryEntries(path, "de.po", 3, 1), Error);
  WriteText(Path("bad.po"), "msgid \"unclosed\nmsgstr");
  EXPECT_THROW(PoMemoryEntries(Path("bad.po"), "bad.po", 2, 1), Error);
}

}  // namespace
}  // namespace tarvo
