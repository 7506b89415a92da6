// export-po and import-po from the command line: the PO file gettext's tools
// see, the edits that come back, and the refusals that write nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli.h"
#include "po/po_file.h"
#include "tests/support/lgp_text.h"
#include "tests/support/temp_dir.h"

namespace tarvo {
namespace {

const std::vector<std::u16string> kLines = {
    u";",
    u"; Header info",
    u";",
    u"AllLangs 3",
    u"MaxMsgId 6",
    u"LgPackId Test pack",
    u";",
    u"; Language data",              // 8
    u"LangId 1",                     // 9
    u"String 0, \"Menu\"",           // 10
    u"String 1, \"Say \"hi\"\"",     // 11
    u"String 2, \"\"",               // 12: empty source, left out
    u"String 3, \"Line<0A>break\"",  // 13
    u"String $4, \"Four\"",          // 14
    u"String 5, \"Five\"",           // 15
    u"String 6, \"Battery low\"",    // 16
    u"; Language data",              // 17
    u"LangId 9",                     // 18
    u"String 0, \"Men\u00fc\"",      // 19
    u"String 1, \"Sag \"hallo\"\"",  // 20
    u"String 2, \"nothing\"",        // 21
    u"String 3, \"\"",               // 22: empty translation
    u"String $4, \"Vier\"",          // 23: no line for message 5
    u"String 6, \"Akku schwach\"",   // 24
    u"LangId 4",                     // 25
    u"String 0, \"x\"",              // 26
};

class PoCommands : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Write(Path("pack.lgp"), test::LgpBytes(kLines));
  }

  int Run(std::vector<std::string> args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    out_.str(""), err_.str("");
    return RunCli(views, out_, err_);
  }

  // A PO file with the usual header and the given entries.
  void WritePo(const std::string& name, const std::string& entries) {
    WriteText(Path(name), "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n" + entries);
  }

  static int Tool(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }

  std::ostringstream out_, err_;
};

TEST_F(PoCommands, ExportsOneEntryPerMessageThatGettextAccepts) {
  ASSERT_EQ(Run({"export-po", "--language", "2", "--po-language", "de", Path("pack.lgp"), Path("de.po")}), 0)
      << err_.str();
  EXPECT_EQ(Tool(std::string(TARVO_MSGFMT) + " --check -o /dev/null '" + Path("de.po").string() + "'"), 0);

  const PoCatalog catalog = ReadPoFile(Path("de.po"));
  const std::vector<std::tuple<std::string, std::string, std::string>> expected = {
      {"0", "Menu", "Men\xC3\xBC"},
      {"1", "Say \"hi\"", "Sag \"hallo\""},
      {"3", "Line<0A>break", ""},
      {"4", "Four", "Vier"},
      {"5", "Five", ""},
      {"6", "Battery low", "Akku schwach"}};
  ASSERT_EQ(catalog.Entries.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    const PoEntry& entry = catalog.Entries[i];
    EXPECT_FALSE(entry.Context);  // no source text is shared
    EXPECT_EQ(entry.ExtractedComments, "Message " + std::get<0>(expected[i]) + "\n");
    EXPECT_EQ(entry.Id, std::get<1>(expected[i]));
    EXPECT_EQ(entry.Str, std::get<2>(expected[i]));
    EXPECT_FALSE(entry.Fuzzy || entry.Obsolete);
  }
  for (const auto& [field, value] :
       std::vector<std::pair<std::string, std::string>>{{"Content-Type", "text/plain; charset=UTF-8"},
                                                        {"Language", "de"},
                                                        {"Project-Id-Version", "Test pack"},
                                                        {"X-Generator", "tarvo-cli 1.35"},
                                                        {"X-LGpack-Source-LangId", "1"},
                                                        {"X-LGpack-LangId", "9"},
                                                        {"X-LGpack-Empty-Source-Left-Out", "1"}}) {
    EXPECT_EQ(PoHeaderField(catalog.Header, field), value) << field;
  }
  // Quotation marks inside texts are escaped by gettext's writer.
  const auto po = Read(Path("de.po"));
  EXPECT_NE(std::string(po.begin(), po.end()).find("msgstr \"Sag \\\"hallo\\\"\""), std::string::npos);

  // --source picks the msgid language; without --po-language there is no Language field.
  ASSERT_EQ(Run({"export-po", "--language", "1", "--source", "2", Path("pack.lgp"), Path("en.po")}), 0);
  const PoCatalog reverse = ReadPoFile(Path("en.po"));
  EXPECT_EQ(reverse.Entries.size(), 5u);  // messages 3 and 5 have no German text
  EXPECT_EQ(reverse.Entries[2].Id, "nothing");
  EXPECT_EQ(reverse.Entries[2].Str, "");
  EXPECT_FALSE(PoHeaderField(reverse.Header, "Language"));
  EXPECT_EQ(Tool(std::string(TARVO_MSGFMT) + " --check -o /dev/null '" + Path("en.po").string() + "'"), 0);
}

TEST_F(PoCommands, AnUnchangedPoFileGivesBackTheLgpByteForByte) {
  for (const char* language : {"1", "2", "3"}) {
    ASSERT_EQ(Run({"export-po", "--language", language, Path("pack.lgp"), Path("t.po")}), 0) << err_.str();
    ASSERT_EQ(Run({"import-po", "--language", language, Path("pack.lgp"), Path("t.po"), Path("back.lgp")}), 0)
        << err_.str();
    EXPECT_EQ(Read(Path("back.lgp")), Read(Path("pack.lgp"))) << "language " << language;
  }
  EXPECT_EQ(err_.str(), "Strings changed: 0, unchanged: 1, left empty: 5, fuzzy entries skipped: 0.\n");

  // The demo pack, with an escape, accents and an empty source text, in place.
  std::filesystem::copy_file(std::filesystem::path(TARVO_SOURCE_DIR) / "examples/demo.lgp", Path("demo.lgp"));
  const auto demo = Read(Path("demo.lgp"));
  for (const char* language : {"2", "3", "4"}) {
    ASSERT_EQ(Run({"export-po", "--language", language, Path("demo.lgp"), Path("demo.po")}), 0) << err_.str();
    ASSERT_EQ(Run({"import-po", "--language", language, Path("demo.lgp"), Path("demo.po"), Path("demo.lgp")}),
              0);
    EXPECT_EQ(Read(Path("demo.lgp")), demo) << "language " << language;
  }
}

TEST_F(PoCommands, ImportsEditedEntriesAndSkipsFuzzyEmptyAndObsoleteOnes) {
  WritePo("edited.po",
          "msgctxt \"0\"\nmsgid \"Menu\"\nmsgstr \"Hauptmen\xC3\xBC\"\n\n"
          "msgctxt \"1\"\nmsgid \"Say \\\"hi\\\"\"\nmsgstr \"Sag \\\"hallo\\\"\"\n\n"
          "#, fuzzy\nmsgctxt \"3\"\nmsgid \"Line<0A>break\"\nmsgstr \"Zeilen\\numbruch\\r\"\n\n"
          "msgctxt \"4\"\nmsgid \"Four\"\nmsgstr \"\"\n\n"
          "msgctxt \"5\"\nmsgid \"Five\"\nmsgstr \"F\xC3\xBCnf\"\n\n"
          "#~ msgctxt \"6\"\n#~ msgid \"Battery low\"\n#~ msgstr \"Obsolete\"\n");
  ASSERT_EQ(Run({"import-po", "--language", "2", Path("pack.lgp"), Path("edited.po"), Path("out.lgp")}), 0)
      << err_.str();
  EXPECT_EQ(err_.str(), "Strings changed: 2, unchanged: 1, left empty: 1, fuzzy entries skipped: 1.\n");
  auto expected = kLines;
  expected[18] = u"String 0, \"Hauptmen\u00fc\"";
  expected.insert(expected.begin() + 23, u"String $5, \"F\u00fcnf\"");
  EXPECT_EQ(Read(Path("out.lgp")), test::LgpBytes(expected));

  ASSERT_EQ(
      Run({"import-po", "--fuzzy", "--language", "2", Path("pack.lgp"), Path("edited.po"), Path("out.lgp")}),
      0);
  EXPECT_EQ(err_.str(), "Strings changed: 3, unchanged: 1, left empty: 1, fuzzy entries skipped: 0.\n");
  expected[21] = u"String 3, \"Zeilen<0A>umbruch<0D>\"";
  EXPECT_EQ(Read(Path("out.lgp")), test::LgpBytes(expected));
}

TEST_F(PoCommands, RefusesBadInputAndWritesNothing) {
  const std::string header = "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n";
  const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
      {"not_a_number", header + "msgctxt \"abc\"\nmsgid \"Menu\"\nmsgstr \"x\"\n",
       "Line 4 of the PO file \"" + Path("in.po").string() +
           "\": the msgctxt \"abc\" is not a message number from 0 to 6."},
      {"beyond_max_msg_id",
       header + "msgctxt \"0\"\nmsgid \"a\"\nmsgstr \"b\"\n\nmsgctxt \"7\"\nmsgid \"Menu\"\nmsgstr \"x\"\n",
       "Line 8 of the PO file"},
      {"no_msgctxt", header + "msgid \"Menu\"\nmsgstr \"x\"\n", "Line 4 of the PO file"},
      {"twice",
       header + "msgctxt \"1\"\nmsgid \"a\"\nmsgstr \"b\"\n\nmsgctxt \"1\"\nmsgid \"c\"\nmsgstr \"d\"\n",
       "message 1 has a second entry (the first is at line 4)"},
      {"above_7fff", header + "msgctxt \"1\"\nmsgid \"a\"\nmsgstr \"ok \xE8\x80\x80\"\n",
       "Line 4 of the PO file \"" + Path("in.po").string() +
           "\": the msgstr holds the character U+8000, which the LGpack file cannot hold"},
      {"plural",
       header + "msgctxt \"1\"\nmsgid \"a\"\nmsgid_plural \"as\"\nmsgstr[0] \"b\"\nmsgstr[1] \"bs\"\n",
       "Line 4 of the PO file \"" + Path("in.po").string() + "\": the entry has plural forms"},
      {"unparsable", header + "msgctxt \"1\"\nmsgid \"a\"\nmsgstr \"unterminated\n", "of the PO file"},
      {"latin1", "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=ISO-8859-1\\n\"\n", "ISO-8859-1"},
  };
  Write(Path("existing.lgp"), {0xFF, 0xFE, 'o', 0});
  for (const auto& [name, po, message] : cases) {
    WriteText(Path("in.po"), po);
    for (const char* output : {"existing.lgp", "new.lgp"}) {
      EXPECT_EQ(Run({"import-po", "--language", "2", Path("pack.lgp"), Path("in.po"), Path(output)}), 1)
          << name;
      EXPECT_NE(err_.str().find(message), std::string::npos) << name << ": " << err_.str();
    }
    EXPECT_EQ(Read(Path("existing.lgp")), std::vector<std::uint8_t>({0xFF, 0xFE, 'o', 0})) << name;
    EXPECT_FALSE(std::filesystem::exists(Path("new.lgp"))) << name;
    // In place, the input stays as it was.
    EXPECT_EQ(Run({"import-po", "--language", "2", Path("pack.lgp"), Path("in.po"), Path("pack.lgp")}), 1);
    EXPECT_EQ(Read(Path("pack.lgp")), test::LgpBytes(kLines)) << name;
  }
  for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
    EXPECT_EQ(entry.path().string().find(".tmp-"), std::string::npos) << entry.path();
  }
  // A language the file does not have, for either command; an input that is no .lgp.
  WritePo("in.po", "");
  EXPECT_EQ(Run({"import-po", "--language", "4", Path("pack.lgp"), Path("in.po"), Path("new.lgp")}), 1);
  EXPECT_EQ(err_.str(), "The LGpack file has no language 4 (its languages are numbered 1 to 3).\n");
  EXPECT_EQ(Run({"export-po", "--language", "1", "--source", "0", Path("pack.lgp"), Path("new.po")}), 1);
  EXPECT_EQ(Run({"export-po", "--language", "1", Path("in.po"), Path("new.po")}), 1);
  EXPECT_NE(err_.str().find("byte order mark"), std::string::npos);
  EXPECT_EQ(Run({"import-po", "--language", "1", Path("pack.lgp"), Path("none.po"), Path("new.lgp")}), 1);
  EXPECT_FALSE(std::filesystem::exists(Path("new.lgp")));
  EXPECT_FALSE(std::filesystem::exists(Path("new.po")));
}

TEST_F(PoCommands, GettextToolsEditAndMergeTheExportedFiles) {
  ASSERT_EQ(Run({"export-po", "--language", "2", Path("pack.lgp"), Path("old.po")}), 0);
  // A newer pack: message 6 has a new source text and no German text yet.
  auto newer = kLines;
  newer[15] = u"String 6, \"Battery is low\"";
  newer[23] = u"String 6, \"\"";
  Write(Path("new.lgp"), test::LgpBytes(newer));
  ASSERT_EQ(Run({"export-po", "--language", "2", Path("new.lgp"), Path("new.po")}), 0);
  ASSERT_EQ(Tool(std::string(TARVO_MSGMERGE) + " --quiet -o '" + Path("merged.po").string() + "' '" +
                 Path("old.po").string() + "' '" + Path("new.po").string() + "'"),
            0);
  ASSERT_EQ(
      Run({"import-po", "--fuzzy", "--language", "2", Path("new.lgp"), Path("merged.po"), Path("out.lgp")}),
      0);
  EXPECT_EQ(test::LgpLines(Read(Path("out.lgp")))[23], u"String 6, \"Akku schwach\"");

  ASSERT_EQ(Tool(std::string(TARVO_MSGFILTER) + " -i '" + Path("old.po").string() + "' -o '" +
                 Path("filtered.po").string() + "' sed -e s/schwach/leer/"),
            0);
  ASSERT_EQ(Run({"import-po", "--language", "2", Path("pack.lgp"), Path("filtered.po"), Path("out.lgp")}), 0);
  auto expected = kLines;
  expected[23] = u"String 6, \"Akku leer\"";
  EXPECT_EQ(Read(Path("out.lgp")), test::LgpBytes(expected));
}

TEST_F(PoCommands, UsageErrorsNameWhatIsMissing) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"export-po", "a.lgp", "b.po"}, "export-po needs --language N"},
      {{"import-po", "--language", "1", "a.lgp", "b.po"}, "expected three file names"},
      {{"export-po", "--language", "one", "a.lgp", "b.po"}, "--language needs a number"},
      {{"export-po", "--language", "1", "a.lgp", "b.po", "--po-language"},
       "--po-language needs a language code"},
      {{"import-po", "--language", "1", "--source", "2", "a", "b", "c"},
       "unknown option \"--source\" for import-po"},
      {{"export-po", "--config", "x.ini", "--language", "1", "a", "b"},
       "unknown option \"--config\" for export-po"},
  };
  for (const auto& [args, problem] : cases) {
    EXPECT_EQ(Run(args), 2) << problem;
    EXPECT_TRUE(err_.str().starts_with("tarvo-cli: " + problem + "\n\nUsage:\n")) << err_.str();
  }
  EXPECT_EQ(Run({"import-po", "--help"}), 0);
  EXPECT_NE(out_.str().find("--fuzzy"), std::string::npos);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.str().find("tarvo-cli export-po --language N"), std::string::npos);
}

}  // namespace
}  // namespace tarvo
