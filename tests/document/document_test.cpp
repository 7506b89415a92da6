#include "document/document.h"

#include <gtest/gtest.h>

#include <random>

#include "config/error.h"
#include "tests/support/lgp_text.h"
#include "tests/support/shipped_config.h"

namespace tarvo {
namespace {

Configuration Config() {
  Configuration config;
  LoadConfigurationText("TRANS 80,0\nTRANS 81,400\n", config);
  return config;
}

std::vector<std::uint8_t> Sample() {
  return test::LgpBytes({u"; a comment kept as it is",
                         u"PhoneType TEST, 200, 100000, 4, 6, 8, A, C, E, 10, 20, 12, 40, 256, 0",
                         u"AllLangs 2", u"MaxMsgId 3", u"LgPackId T", u"LangId 1", u"String 0, \"Open %d\"",
                         u"String 1, \"Close\"", u"String   2,  \"Menu<0A>\"", u"LangId 2",
                         u"String 0, \"Auki %d\"", u"String 2, \"\""});
}

std::string OpenError(std::vector<std::uint8_t> bytes) {
  try {
    Document::FromLgp(std::move(bytes), "pack.lgp", Config());
  } catch (const Error& e) {
    return e.what();
  }
  return "opened";
}

TEST(Document, OpensTextsByLanguageAndMessage) {
  const Document document = Document::FromLgp(Sample(), "pack.lgp", Config());
  EXPECT_EQ(document.LanguageCount(), 2u);
  EXPECT_EQ(document.MaxMsgId(), 3);
  EXPECT_EQ(document.LangId(1), 2);
  EXPECT_EQ(document.Text(0, 2), u"Menu<0A>");
  EXPECT_EQ(document.Text(1, 1), u"");
  EXPECT_EQ(document.Text(1, 99), u"");
  EXPECT_FALSE(document.IsModified());
  EXPECT_EQ(document.SaveBytes(), Sample());
}

TEST(Document, RefusesFilesThatAreNoLanguagePack) {
  EXPECT_EQ(OpenError({}), "Cannot open pack.lgp: the file is empty (0 bytes).");
  EXPECT_NE(OpenError({'A', 0, 'B', 0}).find("Cannot open pack.lgp: The LGpack file is not a UTF-16LE"),
            std::string::npos);
  EXPECT_NE(OpenError(test::LgpBytes({u"AllLangs 99999"})).find("Cannot open pack.lgp: Line 1"),
            std::string::npos);
}

TEST(Document, EditsUndoAndRedoInSteps) {
  Document document = Document::FromLgp(Sample(), "pack.lgp", Config());
  const std::uint64_t opened = document.Revision();
  document.Apply({{1, 1, u"Sulje"}, {1, 3, u"Uusi"}});
  document.Apply({{0, 0, u"Open %d"}});  // changes nothing: no step
  EXPECT_NE(document.Revision(), opened);
  EXPECT_EQ(document.ChangedCount(), 2u);
  EXPECT_TRUE(document.IsModified());
  document.Apply({{1, 1, u"Sulje ikkuna"}});
  document.Undo();
  EXPECT_EQ(document.Text(1, 1), u"Sulje");
  document.Undo();
  EXPECT_EQ(document.Text(1, 1), u"");
  EXPECT_FALSE(document.CanUndo());
  EXPECT_FALSE(document.IsModified());
  document.Redo();
  EXPECT_EQ(document.Text(1, 3), u"Uusi");
  EXPECT_TRUE(document.CanRedo());
  document.Apply({{0, 1, u"Shut"}});  // a new edit drops what was undone
  EXPECT_FALSE(document.CanRedo());
  EXPECT_THROW(document.Apply({{2, 0, u"x"}}), Error);
}

TEST(Document, SavesOnlyTheEditedTexts) {
  Document document = Document::FromLgp(Sample(), "pack.lgp", Config());
  document.Apply({{0, 2, u"Valikko\r\n"}, {1, 1, u"Sulje"}});
  EXPECT_EQ(document.Text(0, 2), u"Valikko<0D><0A>");
  const auto saved = document.SaveBytes();
  auto lines = test::LgpLines(Sample());
  lines[8] = u"String   2,  \"Valikko<0D><0A>\"";
  lines.insert(lines.begin() + 11, u"String 1, \"Sulje\"");
  EXPECT_EQ(test::LgpLines(saved), lines);
  document.MarkSaved();
  EXPECT_FALSE(document.IsModified());
  document.Undo();
  EXPECT_TRUE(document.IsModified());
  EXPECT_EQ(document.SaveBytes(), Sample());
  const Document reopened = Document::FromLgp(saved, "pack.lgp", Config());
  EXPECT_EQ(reopened.Text(1, 1), u"Sulje");
}

// Any sequence of edits, undos and redos saves a file that opens with the
// texts shown, and undoing everything gives the file back as it was read.
TEST(Document, RandomEditsSaveAsShownAndUndoToTheFileAsRead) {
  const Configuration config = Config();
  const std::u16string pool[] = {u"",       u"Auki",         u"say \"hi\"", u"\"",
                                 u"<0A>%d", u"\u0416\u03A9", u"a\r\nb",     u" "};
  std::mt19937 random(11);
  for (int run = 0; run < 30; ++run) {
    Document document = Document::FromLgp(Sample(), "pack.lgp", config);
    for (int op = 0; op < 12; ++op) {
      const auto pick = random() % 4;
      if (pick == 0) {
        document.Undo();
      } else if (pick == 1) {
        document.Redo();
      } else {
        std::vector<DocumentEdit> edits;
        for (auto n = 1 + random() % 3; n > 0; --n) {
          edits.push_back({random() % 2, static_cast<std::int32_t>(random() % 4), pool[random() % 8]});
        }
        document.Apply(edits);
      }
    }
    const Document reopened = Document::FromLgp(document.SaveBytes(), "pack.lgp", config);
    std::size_t changed = 0;
    for (std::size_t l = 0; l < 2; ++l) {
      for (std::int32_t m = 0; m <= 3; ++m) {
        ASSERT_EQ(reopened.Text(l, m), document.Text(l, m)) << "run " << run;
        ASSERT_EQ(reopened.Lgp().StringAt(static_cast<std::int32_t>(l), m),
                  document.Lgp().StringAt(static_cast<std::int32_t>(l), m));
        changed += document.IsChanged(l, m);
      }
    }
    EXPECT_EQ(document.ChangedCount(), changed);
    EXPECT_EQ(document.IsModified(), changed > 0);
    while (document.CanUndo()) document.Undo();
    EXPECT_EQ(document.SaveBytes(), Sample());
    EXPECT_FALSE(document.IsModified());
  }
}

class DocumentFromImage : public test::ShippedConfigTest {};

// The examples open as their decompiled text; what is no image is refused.
TEST_F(DocumentFromImage, OpensTheDecompiledTextOrRefuses) {
  for (const auto& [image, source] :
       {std::pair{"demo.bin", "demo.lgp"}, {"demo.lng", "demo-language-file.lgp"}}) {
    const Document document = Document::FromImage(Example(image), image, config_, false, false);
    EXPECT_TRUE(document.FromFlash());
    EXPECT_EQ(document.SaveBytes(), Example(source)) << image;
  }
  try {
    Document::FromImage(Example("demo.lgp"), "demo.lgp.bin", config_, true, false);
    ADD_FAILURE() << "opened";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "Cannot open demo.lgp.bin: Unknow phone's flash!");
  }
}

}  // namespace
}  // namespace tarvo
