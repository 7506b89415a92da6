// The example files: they are what their sources and the shipped
// configuration make, and both demonstration flash types work.
#include <gtest/gtest.h>

#include "compile/compile_command.h"
#include "decompile/decompile_command.h"
#include "flash/identify.h"
#include "tests/support/lgp_text.h"
#include "tests/support/shipped_config.h"
#include "tests/support/test_frame.h"

namespace tarvo {
namespace {


class Examples : public test::ShippedConfigTest {
 protected:

  PivotRandom random_;
};

TEST_F(Examples, AreIdentifiedAsTheirDemonstrationTypes) {
  EXPECT_EQ(IdentifyFlash(Example("demo.bin"), "demo.bin", config_, true).TypeIndex, 0);
  const Identification lng = IdentifyFlash(Example("demo.lng"), "demo.lng", config_, true);
  EXPECT_EQ(lng.TypeIndex, 2);
  EXPECT_EQ(lng.LanguageName, u"<81>\u0420\u0443\u0441\u0441\u043A\u0438\u0439");
}

TEST_F(Examples, DecompileToTheirSourcesAndCompileBackToTheSameBytes) {
  struct Pair {
    const char* binary;
    const char* source;
  };
  for (const Pair& pair : {Pair{"demo.bin", "demo.lgp"}, Pair{"demo.lng", "demo-language-file.lgp"}}) {
    Write(Path(pair.binary), Example(pair.binary));
    test::TestFrame frame;
    frame.signatures = false;
    ASSERT_EQ(RunDecompile(frame, config_, Path(pair.binary), Path("out.lgp")).Outcome, CommandOutcome::Done);
    EXPECT_EQ(Read(Path("out.lgp")), Example(pair.source)) << pair.binary;

    // Each example was made by a program run of its own: the pivots start afresh.
    Write(Path("source.lgp"), Example(pair.source));
    PivotRandom fresh;
    ASSERT_EQ(RunCompile(frame, config_, fresh, Path("source.lgp"), Path(pair.binary)).Outcome,
              CommandOutcome::Done);
    EXPECT_EQ(Read(Path(pair.binary)), Example(pair.binary)) << pair.binary;
  }
}

// The byte-to-byte forms of the commands give what the file commands write.
TEST_F(Examples, PureCommandsGiveTheFileCommandsBytes) {
  DecompileOptions options;
  options.SaveLangSignatures = false;
  EXPECT_EQ(DecompileImage(Example("demo.bin"), "demo.bin", config_, options), Example("demo.lgp"));
  EXPECT_EQ(DecompileImage(Example("demo.lng"), "demo.lng", config_, options), Example("demo-language-file.lgp"));
  EXPECT_THROW(DecompileImage(Example("demo.lng"), "demo.bin", config_, options), UnknownFlashError);

  test::TestFrame frame;
  for (const auto strategy : {PackingStrategy::Standard, PackingStrategy::Compact}) {
    PivotRandom fresh;
    const FlashSource flash{"demo.bin", [&] { return Example("demo.bin"); }};
    const CompiledImage image = CompileImage(frame, Example("demo.lgp"), flash, config_, fresh, strategy);
    Write(Path("flash.bin"), Example("demo.bin"));
    Write(Path("in.lgp"), Example("demo.lgp"));
    PivotRandom again;
    ASSERT_EQ(RunCompile(frame, config_, again, Path("in.lgp"), Path("flash.bin"), strategy).Outcome,
              CommandOutcome::Done);
    EXPECT_EQ(image.Image, Read(Path("flash.bin")));
    EXPECT_FALSE(image.LanguageFile);

    PivotRandom third;
    ASSERT_EQ(RunCompileText(frame, config_, third, Example("demo-language-file.lgp"), "memory", Path("out.lng"),
                             strategy).Outcome,
              CommandOutcome::Done);
    PivotRandom fourth;
    const CompiledImage file = CompileImage(frame, Example("demo-language-file.lgp"), {}, config_, fourth, strategy);
    EXPECT_TRUE(file.LanguageFile);
    EXPECT_EQ(file.Image, Read(Path("out.lng")));
  }
}

TEST_F(Examples, TheTypeWithoutOptionalFieldsWorksToo) {
  // DEMO-B2: pack at 2000, messages 0 to 19 fixed by the type.
  std::vector<std::uint8_t> image(0x8000, 0xFF);
  image[0x2000] = image[0x2001] = 0xBB;
  image[0x2002] = image[0x2003] = 0;
  Write(Path("b2.bin"), image);
  std::vector<std::u16string> lines = {u"PhoneType DEMO-B2, 2000, 6000, 4, 6, 8, 0, A, C, E, 12, 0, 30, 128, 19",
                                       u"AllLangs 2", u"MaxMsgId 19", u"LgPackId B2", u"LangId 5", u"String 0, \"Zero\"",
                                       u"String 19, \"\u0391\u03C9\"", u"LangId 6", u"String 7, \"\u0416\""};
  Write(Path("b2.lgp"), test::LgpBytes(lines));
  test::TestFrame frame;
  ASSERT_EQ(RunCompile(frame, config_, random_, Path("b2.lgp"), Path("b2.bin")).Outcome, CommandOutcome::Done);
  frame.signatures = false;
  ASSERT_EQ(RunDecompile(frame, config_, Path("b2.bin"), Path("back.lgp")).Outcome, CommandOutcome::Done);
  const auto back = test::LgpLines(Read(Path("back.lgp")));
  ASSERT_EQ(back.size(), 8u + 2 * 24u);
  EXPECT_EQ(back[3], lines[0]);
  EXPECT_EQ(back[12], u"String 0, \"Zero\"");
  EXPECT_EQ(back[31], u"String 19, \"\u0391\u03C9\"");
  EXPECT_EQ(back[43], u"String 7, \"\u0416\"");
}

}  // namespace
}  // namespace tarvo
