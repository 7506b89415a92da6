// Spell checking with Debian's own dictionaries: which words are looked at,
// what is never marked, suggestions and the personal word list.
#include "spelling/spell_checker.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "config/error.h"

namespace tarvo {
namespace {

std::filesystem::path Dictionary(const std::string& name) {
  for (const InstalledDictionary& d : InstalledDictionaries()) {
    if (d.Name == name) return d.Affix;
  }
  ADD_FAILURE() << "the dictionary " << name
                << " is not installed (scripts/install-dependencies.sh installs it)";
  return {};
}

std::vector<std::u16string> Words(std::u16string_view text, const std::vector<WordSpan>& spans) {
  std::vector<std::u16string> words;
  for (const WordSpan& w : spans) words.emplace_back(text.substr(w.Begin, w.Length));
  return words;
}

TEST(CheckableWords, LeaveOutEscapesConversionsAndNumbers) {
  const std::pair<std::u16string, std::vector<std::u16string>> cases[] = {
      {u"Call %s now<0A>again", {u"Call", u"now", u"again"}},
      {u"%1$dmin<81>Ülker", {u"min", u"Ülker"}},
      {u"MP3 3G don't e-mail 'quoted'", {u"don't", u"e-mail", u"quoted"}},
      {u"Привет, мир!", {u"Привет", u"мир"}},
      {u"<3C>tag", {u"tag"}},
  };
  for (const auto& [text, words] : cases) EXPECT_EQ(Words(text, CheckableWords(text)), words);
}

TEST(SpellChecker, MarksOnlyUnknownWordsThatTheReferenceLacks) {
  SpellChecker english(Dictionary("en_US"));
  const std::u16string text = u"Teh %s mesage<0A>from Nokia wiht 3 files";
  EXPECT_EQ(Words(text, MisspeltWords(english, text, u"Nokia %s")),
            (std::vector<std::u16string>{u"Teh", u"mesage", u"wiht"}));
  const auto suggestions = english.Suggestions(u"mesage");
  EXPECT_NE(std::find(suggestions.begin(), suggestions.end(), u"message"), suggestions.end());

  english.AddWord(u"Tarvo");
  EXPECT_TRUE(english.IsCorrect(u"Tarvo"));
  const SpellChecker copy = english;  // for another thread: the same dictionary and words
  EXPECT_TRUE(copy.IsCorrect(u"Tarvo"));
  EXPECT_FALSE(copy.IsCorrect(u"Tarvoo"));

  const SpellChecker german(Dictionary("de_DE"));
  EXPECT_EQ(Words(u"Alle Nachricten löschen?", MisspeltWords(german, u"Alle Nachricten löschen?", u"")),
            std::vector<std::u16string>{u"Nachricten"});
}

TEST(SpellChecker, EveryDictionaryTheScriptsInstallLoads) {
  for (const char* name : {"en_US", "de_DE", "fr_FR", "es_ES", "it_IT", "pl_PL", "ru_RU", "pt_PT"}) {
    EXPECT_NO_THROW(SpellChecker{Dictionary(name)}) << name;
  }
}

TEST(SpellChecker, AMissingDictionaryIsNamed) {
  try {
    SpellChecker checker("/nonexistent/xx_XX.aff");
    FAIL();
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("xx_XX.aff"), std::string::npos);
  }
}

TEST(WordList, KeepsEveryWord) {
  const std::unordered_set<std::u16string> words = {u"Tarvo", u"Żółw", u"LGpack"};
  const auto parsed = ParseWordList(FormatWordList(words));
  EXPECT_EQ(std::unordered_set<std::u16string>(parsed.begin(), parsed.end()), words);
  EXPECT_EQ(ParseWordList("a\r\n\nb"), (std::vector<std::u16string>{u"a", u"b"}));
}

}  // namespace
}  // namespace tarvo
