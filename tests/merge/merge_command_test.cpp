// tarvo-cli merge and the PO route through gettext's own msgmerge, on a
// translated pack and its successor that inserts a message at number 10.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "config/configuration.h"
#include "merge/merge_document.h"
#include "merge/merge_lgp.h"
#include "merge/merge_report.h"
#include "po/po_file.h"
#include "tests/support/cli_run.h"
#include "tests/support/lgp_text.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

// 4 languages (LangIds 1, 5, 6, 7) of messages 0 to 299 (old) or 0 to 300
// with "Inserted" at 10 (new); language 2 translated in the old pack except
// every hundredth message, untranslated ("?") in the new.
std::vector<std::uint8_t> ScenarioPack(bool newer) {
  const int count = newer ? 301 : 300;
  std::vector<std::u16string> lines = {u"AllLangs 4", u"MaxMsgId " + test::U(std::to_string(count - 1))};
  for (int l = 0; l < 4; ++l) {
    lines.push_back(u"LangId " + test::U(std::to_string(l == 0 ? 1 : l + 4)));
    for (int m = 0; m < count; ++m) {
      const int old = newer && m > 10 ? m - 1 : m;
      std::string text = "Setting " + std::to_string(old * 7) + " of the phone";
      if (newer && m == 10) text = "Inserted";
      if (l == 1) text = newer ? "?" : old % 100 == 0 ? "" : "Ustawienie " + std::to_string(old * 7);
      if (l > 1) text = "L" + std::to_string(l) + " " + text;
      lines.push_back(u"String " + test::U(std::to_string(m)) + u", \"" + test::U(text) + u"\"");
    }
  }
  return test::LgpBytes(lines);
}

class MergeCommand : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Write(Path("old.lgp"), ScenarioPack(false));
    Write(Path("new.lgp"), ScenarioPack(true));
  }
  int Run(const std::vector<std::string>& args) {
    const test::CliRun run = test::RunCliCaptured(args);
    out_ = run.Out, err_ = run.Err;
    return run.Status;
  }
  static int Tool(const std::string& command) { return std::system((command + " 2>/dev/null").c_str()); }
  std::string P(const char* name) const { return Path(name).string(); }
  std::string out_, err_;
};

TEST_F(MergeCommand, CarriesEveryTranslationAcrossTheRenumberingAsMsgmergeDoes) {
  ASSERT_EQ(Run({"merge", "--language", "2", P("old.lgp"), P("new.lgp"), P("merged.lgp")}), 0) << err_;
  EXPECT_EQ(err_,
            "Carried: 300 (same number 10, moved 290), ambiguous: 0, source changed: 0, new: 1, dropped: 0.\n"
            "New: 10.\nTexts replaced: 297.\n");
  const auto lines = test::LgpLines(Read(Path("merged.lgp")));
  EXPECT_EQ(lines[305 + 11], u"String 11, \"Ustawienie 70\"");
  EXPECT_EQ(lines[305 + 101], u"String 101, \"?\"");  // untranslated before, kept

  // The PO route: msgmerge carries all 297 exactly, and the import gives the same file.
  ASSERT_EQ(Run({"export-po", "--language", "2", P("old.lgp"), P("old.po")}), 0);
  ASSERT_EQ(Run({"export-po", "--language", "2", P("new.lgp"), P("new.po")}), 0);
  EXPECT_EQ(Tool(std::string(TARVO_MSGFMT) + " --check -o /dev/null " + P("new.po")), 0);
  ASSERT_EQ(Tool(std::string(TARVO_MSGMERGE) + " --quiet -o " + P("msgmerged.po") + " " + P("old.po") + " " +
                 P("new.po")),
            0);
  int carried = 0;
  for (const PoEntry& entry : ReadPoFile(Path("msgmerged.po")).Entries) {
    if (entry.Obsolete || entry.Id == "Inserted") continue;
    EXPECT_FALSE(entry.Fuzzy) << entry.Id;
    carried += entry.Str.starts_with("Ustawienie");
  }
  EXPECT_EQ(carried, 297);
  ASSERT_EQ(Run({"import-po", "--language", "2", P("new.lgp"), P("msgmerged.po"), P("imported.lgp")}), 0);
  EXPECT_EQ(Read(Path("imported.lgp")), Read(Path("merged.lgp")));
}

// Also where languages share a LangId: each is matched by its place among them.
TEST_F(MergeCommand, CarryingIntoAnOpenDocumentGivesTheCommandsBytes) {
  auto openable = [](std::vector<std::uint8_t> pack) {
    auto lines = test::LgpLines(pack);
    lines.insert(lines.begin(), u"PhoneType TEST, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0");
    return test::LgpBytes(lines);
  };
  const std::vector<std::uint8_t> oldPack = openable(ScenarioPack(false)), newPack = openable(ScenarioPack(true));
  Configuration config;
  LoadConfigurationText("TRANS 80,0\nTRANS 81,400\n", config);
  for (const auto& [language, reference] : {std::pair{2, 1}, std::pair{3, 4}, std::pair{1, 2}}) {
    SCOPED_TRACE(language);
    const MergeResult command = MergeLgp(oldPack, "old.lgp", newPack, "new.lgp", {language, reference});
    Document document = Document::FromLgp(newPack, "new.lgp", config);
    const DocumentMerge merge = PlanDocumentMerge(oldPack, "old.lgp", document, language - 1, reference - 1);
    EXPECT_EQ(MergeSummaryText(merge.Report), MergeSummaryText(command.Report));
    document.Apply(merge.Edits);
    EXPECT_EQ(document.SaveBytes(), command.Lgp);
  }
}

TEST_F(MergeCommand, APackMergedWithItselfStaysByteForByte) {
  auto twins = test::LgpLines(Read(std::filesystem::path(TARVO_SOURCE_DIR) / "examples/demo.lgp"));
  Write(Path("demo.lgp"), test::LgpBytes(twins));
  std::replace(twins.begin(), twins.end(), std::u16string(u"LangId 9"), std::u16string(u"LangId 3"));
  Write(Path("twins.lgp"), test::LgpBytes(twins));
  for (const std::string& file : {P("demo.lgp"), P("twins.lgp")}) {
    const auto before = Read(file);
    for (const char* language : {"1", "2", "3", "4"}) {
      ASSERT_EQ(Run({"merge", "--json", "--language", language, file, file, file}), 0) << err_;
      EXPECT_EQ(Read(file), before) << file << ", language " << language;
      const auto json = nlohmann::json::parse(out_);
      EXPECT_EQ(json["version"], 1);
      EXPECT_EQ(json["new"].size() + json["sourceChanged"].size() + json["dropped"].size(), 0u);
    }
  }
}

TEST_F(MergeCommand, RefusesAndLeavesOutputUntouched) {
  auto other = test::LgpLines(ScenarioPack(false));
  std::replace(other.begin(), other.end(), std::u16string(u"LangId 5"), std::u16string(u"LangId 9"));
  Write(Path("other-ids.lgp"), test::LgpBytes(other));
  WriteText(Path("text.lgp"), "AllLangs 4\n");
  // clang-format off
  const std::vector<std::tuple<std::vector<std::string>, int, std::string>> cases = {
      {{"--language", "2", P("other-ids.lgp"), P("new.lgp")}, 1,
       "\"" + P("other-ids.lgp") + "\" has no language with LangId 5 (language 2 of \"" + P("new.lgp") + "\")"},
      {{"--language", "2", "--reference", "2", P("other-ids.lgp"), P("new.lgp")}, 1, "the reference language 2"},
      {{"--language", "2", "--reference", "5", P("old.lgp"), P("new.lgp")}, 1,
       "\"" + P("new.lgp") + "\": The LGpack file has no language 5"},
      {{"--language", "2", P("text.lgp"), P("new.lgp")}, 1, "\"" + P("text.lgp") + "\": The LGpack file is not"},
      {{"--language", "2", P("old.lgp"), P("text.lgp")}, 1, "\"" + P("text.lgp") + "\": The LGpack file is not"},
      {{"--language", "2", P("none.lgp"), P("new.lgp")}, 1, P("none.lgp")},
      {{P("old.lgp"), P("new.lgp")}, 2, "merge needs --language N"},
      {{"--language", "2", "--reference", "0", P("old.lgp"), P("new.lgp")}, 2, "--reference counts languages"},
  };
  // clang-format on
  WriteText(Path("out.lgp"), "untouched");
  const auto untouched = Read(Path("out.lgp")), newer = Read(Path("new.lgp"));
  for (const auto& [args, status, message] : cases) {
    for (const char* output : {"out.lgp", "new.lgp"}) {
      auto line = args;
      line.insert(line.begin(), "merge"), line.push_back(P(output));
      EXPECT_EQ(Run(line), status) << message;
      EXPECT_NE(err_.find(message), std::string::npos) << err_;
    }
    EXPECT_EQ(Read(Path("out.lgp")), untouched);
    EXPECT_EQ(Read(Path("new.lgp")), newer) << message;
  }
}

// msgctxt only where a source text is shared, the number in a comment; a
// text the pack cannot hold is carried and counted.
TEST_F(MergeCommand, ExportedPoFilesOfBothFormsRoundTripAndUnholdableTextsAreCounted) {
  auto lines = test::LgpLines(ScenarioPack(false));
  lines[3 + 7] = u"String 7, \"Setting 42 of the phone\"";  // the text of message 6
  lines[305 + 3] = u"String 3, \"Ustawienie \u8000\"";
  Write(Path("old.lgp"), test::LgpBytes(lines));
  ASSERT_EQ(Run({"merge", "--language", "2", P("old.lgp"), P("new.lgp"), P("merged.lgp")}), 0) << err_;
  EXPECT_NE(err_.find("(a character above U+7FFF), kept as they are: 1.\n"), std::string::npos);
  EXPECT_EQ(test::LgpLines(Read(Path("merged.lgp")))[305 + 3], lines[305 + 3]);
  ASSERT_EQ(Run({"export-po", "--language", "3", P("old.lgp"), P("new-form.po")}), 0);
  PoCatalog catalog = ReadPoFile(Path("new-form.po"));
  for (std::size_t m : {5, 6, 7}) {
    EXPECT_EQ(catalog.Entries[m].Context, m == 5 ? std::nullopt : std::optional(std::to_string(m)));
    EXPECT_EQ(catalog.Entries[m].ExtractedComments, "Message " + std::to_string(m) + "\n");
  }
  // The form of earlier versions: msgctxt the number, no comment.
  for (std::size_t m = 0; m < catalog.Entries.size(); ++m)
    catalog.Entries[m].Context = std::to_string(m), catalog.Entries[m].ExtractedComments.clear();
  Write(Path("old-form.po"), FormatPoFile(catalog));
  for (const char* po : {"new-form.po", "old-form.po"}) {
    ASSERT_EQ(Run({"import-po", "--language", "3", P("old.lgp"), P(po), P("back.lgp")}), 0) << err_;
    EXPECT_EQ(Read(Path("back.lgp")), Read(Path("old.lgp"))) << po;
  }
}

}  // namespace
}  // namespace tarvo
