// Two texts that used to change on a round trip through tarvo-cli: compile,
// decompile without signatures, compile the result and decompile again.
#include <gtest/gtest.h>

#include "tests/support/cli_run.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

class CliRoundTrip : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // 85 opens a window that starts at 0005, below the printable units.
    WriteText(Path("tarvo.ini"),
              std::string("TRANS 80,0\r\nTRANS 81,400\r\nTRANS 85,0005\r\nPHONETYPE ") + test::kBareType + "\r\n");
    test::PackPlan plan;
    plan.langIds = {1};
    plan.strings = {{{'x'}, {}, {}, {}, {}}};
    plan.imageSize = 0x1000;
    Write(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
  }

  int Run(std::vector<std::string> args) {
    args.insert(args.begin() + 1, {"--config", Path("tarvo.ini").string()});
    const test::CliRun run = test::RunCliCaptured(args);
    EXPECT_EQ(run.Err, "");
    return run.Status;
  }

  // Compiles a pack whose string 0 is `text`, then takes it twice through
  // decompile --no-signatures and compile; returns the string line of each
  // decompile.
  std::vector<std::u16string> RoundTrips(const std::u16string& text) {
    Write(Path("0.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kBareType), u"AllLangs 1", u"MaxMsgId 4",
                                         u"LangId 1", u"String 0, \"" + text + u"\""}));
    std::vector<std::u16string> lines;
    for (int round = 0; round < 2; ++round) {
      const std::string in = Path(std::to_string(round) + ".lgp");
      const std::string out = Path(std::to_string(round + 1) + ".lgp");
      EXPECT_EQ(Run({"compile", in, Path("flash.bin")}), 0);
      EXPECT_EQ(Run({"decompile", "--no-signatures", Path("flash.bin"), out}), 0);
      lines.push_back(test::LgpLines(Read(out)).at(12));
    }
    return lines;
  }
};

TEST_F(CliRoundTrip, LessThanBeforeHexDigitsStaysACharacter) {
  const std::u16string line = u"String 0, \"Press <3C>41> now\"";
  EXPECT_EQ(RoundTrips(u"Press <3C>41> now"), (std::vector<std::u16string>{line, line}));
}

TEST_F(CliRoundTrip, LineBreakThroughALowWindowBaseStaysInItsString) {
  // 08 05 behind the selector 85 are the units 000D 000A, a CR LF pair.
  const std::u16string line = u"String 0, \"<85><08><05>A\"";
  EXPECT_EQ(RoundTrips(u"<85><08><05><3C>"), (std::vector<std::u16string>{line, line}));
}

}  // namespace
}  // namespace tarvo
