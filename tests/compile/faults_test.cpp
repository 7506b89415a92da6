// Files that cannot be read or written, and inputs that change under the
// command: each is reported with the path and the reason, the frame is
// unlocked, no input is damaged and nothing half written is left behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>

#include "cli/cli.h"
#include "config/error.h"
#include "config/file_io.h"
#include "compile/compile_command.h"
#include "decompile/decompile_command.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_frame.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

// File permissions do not hold for root: a root test process acts as an
// ordinary user while one of these exists.
class AsOrdinaryUser {
 public:
  AsOrdinaryUser() : wasRoot_(::geteuid() == 0) {
    if (wasRoot_) {
      EXPECT_EQ(::setegid(65534), 0);
      EXPECT_EQ(::seteuid(65534), 0);
    }
  }
  ~AsOrdinaryUser() {
    if (wasRoot_) {
      EXPECT_EQ(::seteuid(0), 0);
      EXPECT_EQ(::setegid(0), 0);
    }
  }
  AsOrdinaryUser(const AsOrdinaryUser&) = delete;
  AsOrdinaryUser& operator=(const AsOrdinaryUser&) = delete;

 private:
  bool wasRoot_;
};

class Faults : public test::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    LoadConfigurationText(std::string("TRANS 80,0\nTRANS 81,400\nPHONETYPE ") + test::kBareType + "\nPHONETYPE " +
                              test::kLangType + "\n",
                          config_);
    test::PackPlan plan;
    plan.langIds = {1, 2};
    plan.strings = test::RandomStrings(1, 2, 4, 30);
    plan.imageSize = 0x2000;
    image_ = test::BuildImage(test::TypeOf(test::kBareType), plan);
    Write(Path("flash.bin"), image_);
    Write(Path("in.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kBareType),
                                          u"AllLangs 1", u"MaxMsgId 4", u"LangId 3", u"String 0, \"Hello\""}));
    Write(Path("lang.lgp"), test::LgpBytes({u"PhoneType LNGFILE, -1, 8000, 4, 6, 8, 0, A, C, E, 12, 0, 36, 128, 3",
                                            u"AllLangs 1", u"MaxMsgId 3", u"LangId 3", u"String 0, \"Hi\""}));
  }

  CommandResult Decompile(const std::filesystem::path& flash, const std::filesystem::path& lgp) {
    frame_ = {};
    return RunDecompile(frame_, config_, flash, lgp);
  }
  CommandResult Compile(const std::filesystem::path& lgp, const std::filesystem::path& flash) {
    frame_ = {};
    return RunCompile(frame_, config_, random_, lgp, flash);
  }
  // The one message shown names the path and holds the reason.
  void ExpectReported(const std::filesystem::path& path, const char* reason) {
    ASSERT_EQ(frame_.messages.size(), 1u);
    EXPECT_NE(frame_.messages[0].Text.find(path.string()), std::string::npos) << frame_.messages[0].Text;
    EXPECT_NE(frame_.messages[0].Text.find(reason), std::string::npos) << frame_.messages[0].Text;
    EXPECT_EQ(frame_.LastStatus(), "Stopped!");
    EXPECT_FALSE(frame_.locked);
  }
  void ExpectNoTemporaryFiles(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << entry.path();
    }
  }

  Configuration config_;
  PivotRandom random_;
  test::TestFrame frame_;
  std::vector<std::uint8_t> image_;
};

TEST_F(Faults, DecompileIntoAFolderWithoutWritePermission) {
  std::filesystem::create_directory(Path("locked"));
  std::filesystem::permissions(Path("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                                   std::filesystem::perms::others_read |
                                                   std::filesystem::perms::others_exec);
  {
    AsOrdinaryUser user;
    EXPECT_EQ(Decompile(Path("flash.bin"), Path("locked") / "out.lgp").Outcome, CommandOutcome::Failed);
  }
  ExpectReported(Path("locked") / "out.lgp", "Permission denied");
  EXPECT_TRUE(std::filesystem::is_empty(Path("locked")));
  EXPECT_EQ(Read(Path("flash.bin")), image_);
}

TEST_F(Faults, DecompileOntoAFullDisk) {
  EXPECT_EQ(Decompile(Path("flash.bin"), "/dev/full").Outcome, CommandOutcome::Failed);
  ExpectReported("/dev/full", "No space left on device");
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST_F(Faults, DecompileBelowAFileThatIsNoFolder) {
  EXPECT_EQ(Decompile(Path("flash.bin"), Path("flash.bin") / "out.lgp").Outcome, CommandOutcome::Failed);
  ExpectReported(Path("flash.bin") / "out.lgp", "Not a directory");
  EXPECT_EQ(Read(Path("flash.bin")), image_);
}

TEST_F(Faults, CompileIntoAReadOnlyFlashFile) {
  std::filesystem::permissions(Path("flash.bin"), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::group_read |
                                                      std::filesystem::perms::others_read);
  {
    AsOrdinaryUser user;
    EXPECT_EQ(Compile(Path("in.lgp"), Path("flash.bin")).Outcome, CommandOutcome::Failed);
  }
  ExpectReported(Path("flash.bin"), "Permission denied");
  EXPECT_EQ(Read(Path("flash.bin")), image_);
}

TEST_F(Faults, LanguageFileThatCannotBeWrittenKeepsTheOldOne) {
  std::filesystem::create_directory(Path("locked"));
  Write(Path("locked") / "old.lng", {1, 2, 3});
  std::filesystem::permissions(Path("locked"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                                                   std::filesystem::perms::others_read |
                                                   std::filesystem::perms::others_exec);
  {
    AsOrdinaryUser user;
    EXPECT_EQ(Compile(Path("lang.lgp"), Path("locked") / "old.lng").Outcome, CommandOutcome::Failed);
  }
  ExpectReported(Path("locked") / "old.lng", "Permission denied");
  EXPECT_EQ(Read(Path("locked") / "old.lng"), (std::vector<std::uint8_t>{1, 2, 3}));
  ExpectNoTemporaryFiles(Path("locked"));

  EXPECT_EQ(Compile(Path("lang.lgp"), "/dev/full").Outcome, CommandOutcome::Failed);
  ExpectReported("/dev/full", "No space left on device");
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST_F(Faults, InputsThatVanishOrShrink) {
  std::filesystem::remove(Path("flash.bin"));
  EXPECT_EQ(Decompile(Path("flash.bin"), Path("out.lgp")).Outcome, CommandOutcome::Failed);
  ExpectReported(Path("flash.bin"), "No such file or directory");
  EXPECT_EQ(Compile(Path("in.lgp"), Path("flash.bin")).Outcome, CommandOutcome::Failed);
  ExpectReported(Path("flash.bin"), "No such file or directory");
  EXPECT_FALSE(std::filesystem::exists(Path("flash.bin")));
  EXPECT_EQ(Compile(Path("gone.lgp"), Path("flash.bin")).Outcome, CommandOutcome::Failed);
  ExpectReported(Path("gone.lgp"), "No such file or directory");

  // A flash image cut in half: the pack reads past its end, or it is too short to write.
  const std::vector<std::uint8_t> half(image_.begin(), image_.begin() + 0x100);
  Write(Path("flash.bin"), half);
  EXPECT_EQ(Decompile(Path("flash.bin"), Path("out.lgp")).Outcome, CommandOutcome::Failed);
  EXPECT_NE(frame_.messages.at(0).Text.find("damaged"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(Path("out.lgp")));
  EXPECT_EQ(Compile(Path("in.lgp"), Path("flash.bin")).Outcome, CommandOutcome::Failed);
  EXPECT_NE(frame_.messages.at(0).Text.find("too short"), std::string::npos);
  EXPECT_EQ(Read(Path("flash.bin")), half);
  ExpectNoTemporaryFiles(dir_);
}

// What the commands read back after writing: a difference names the file
// and the first offset that differs, or where the file ends too early.
TEST_F(Faults, ReadBackNamesTheFirstDifferingOffset) {
  Write(Path("written.bin"), {1, 2, 3, 4, 5});
  EXPECT_NO_THROW(VerifyFileAt(Path("written.bin"), 1, std::vector<std::uint8_t>{2, 3, 4}));
  const auto failure = [&](std::uint64_t offset, std::vector<std::uint8_t> expected) {
    try {
      VerifyFileAt(Path("written.bin"), offset, expected);
    } catch (const Error& e) {
      return std::string(e.what());
    }
    return std::string("no failure");
  };
  EXPECT_EQ(failure(1, {2, 9, 4}), "Cannot write \"" + Path("written.bin").string() +
                                       "\": what was read back differs from what was written, first at offset 2 (0x2).");
  EXPECT_NE(failure(3, {4, 5, 6}).find("first at offset 5 (0x5)"), std::string::npos);
  EXPECT_NE(failure(0, {9}).find("first at offset 0 (0x0)"), std::string::npos);
  EXPECT_NE(failure(0, {1}).find("no failure"), std::string::npos);
}

TEST_F(Faults, DevicesAreNoFlashFiles) {
  EXPECT_EQ(Decompile("/dev/zero", Path("out.lgp")).Outcome, CommandOutcome::Failed);
  ExpectReported("/dev/zero", "is a device");
  EXPECT_EQ(Compile(Path("in.lgp"), "/dev/zero").Outcome, CommandOutcome::Failed);
  ExpectReported("/dev/zero", "is a device");
}

TEST_F(Faults, CommandLineToolReportsThemOnStandardError) {
  std::filesystem::permissions(Path("flash.bin"), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::others_read);
  std::ostringstream out, err;
  const std::string config = Path("cli.ini").string();
  WriteText(config, std::string("TRANS 80,0\r\nPHONETYPE ") + test::kBareType + "\r\n");
  const std::string lgp = Path("in.lgp").string(), flash = Path("flash.bin").string();
  const std::string_view args[] = {"compile", "--config", config, lgp, flash};
  int status;
  {
    AsOrdinaryUser user;
    status = RunCli(args, out, err);
  }
  EXPECT_EQ(status, 1);
  EXPECT_NE(err.str().find(flash + "\": Permission denied"), std::string::npos) << err.str();
  EXPECT_EQ(Read(Path("flash.bin")), image_);
}

// A second compile into a file that one is writing refuses before it reads
// anything else, names the file, and leaves it to the first.
TEST_F(Faults, SecondCompileIntoTheSameFileRefusesAtOnce) {
  Write(Path("old.lng"), {1, 2, 3});
  for (const char* target : {"flash.bin", "old.lng"}) {
    const std::vector<std::uint8_t> before = Read(Path(target));
    {
      const FileLock first = LockForWriting(Path(target));
      EXPECT_EQ(
          Compile(Path(target == std::string("flash.bin") ? "in.lgp" : "lang.lgp"), Path(target)).Outcome,
          CommandOutcome::Failed);
      ExpectReported(Path(target), "another compile is writing into it");
      EXPECT_EQ(frame_.messages[0].Text,
                "Cannot write \"" + Path(target).string() +
                    "\": another compile is writing into it. Nothing has been written; "
                    "try again when it has finished.");
      EXPECT_EQ(frame_.statuses, (std::vector<std::string>{"Reading...", "Stopped!"}));
      EXPECT_EQ(Read(Path(target)), before);
      std::ostringstream out, err;
      const std::string config = Path("cli.ini").string();
      WriteText(config, std::string("TRANS 80,0\r\nPHONETYPE ") + test::kBareType + "\r\n");
      const std::string lgp = Path("in.lgp").string(), flash = Path("flash.bin").string();
      const std::string_view args[] = {"compile", "--config", config, lgp, flash};
      if (target == std::string("flash.bin")) {
        EXPECT_EQ(RunCli(args, out, err), 1);
        EXPECT_EQ(err.str(), frame_.messages[0].Text + "\n");
      }
    }
    EXPECT_EQ(Compile(Path(target == std::string("flash.bin") ? "in.lgp" : "lang.lgp"), Path(target)).Outcome,
              CommandOutcome::Done);
  }
}

// A flash image is replaced whole by a new file, which keeps what the old one
// had beside its bytes: permissions, and the symbolic link that led to it.
TEST_F(Faults, ReplacedImageKeepsPermissionsAndLinks) {
  std::filesystem::permissions(Path("flash.bin"), std::filesystem::perms::owner_read |
                                                      std::filesystem::perms::owner_write |
                                                      std::filesystem::perms::group_read);
  std::filesystem::create_symlink(Path("flash.bin"), Path("link.bin"));
  ASSERT_EQ(Compile(Path("in.lgp"), Path("link.bin")).Outcome, CommandOutcome::Done);
  EXPECT_TRUE(std::filesystem::is_symlink(Path("link.bin")));
  EXPECT_EQ(std::filesystem::status(Path("flash.bin")).permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  EXPECT_NE(Read(Path("flash.bin")), image_);
  EXPECT_EQ(Read(Path("flash.bin")).size(), image_.size());
  ExpectNoTemporaryFiles(dir_);
}

// What a killed writer left beside a file goes with the next lock on it;
// nothing else does.
TEST_F(Faults, LockRemovesOnlyTheStaleTemporariesOfItsFile) {
  const std::vector<std::string> stale = {"flash.bin.tmp-a1B2c3", "flash.bin.tmp-XXXXXX"};
  const std::vector<std::string> kept = {"flash.bin.tmp-a1B2c", "flash.bin.tmp-a1B2c34",
                                         "other.bin.tmp-a1B2c3", "flash.bin.old", "xflash.bin.tmp-a1B2c3"};
  for (const auto& name : stale) Write(Path(name), {1});
  for (const auto& name : kept) Write(Path(name), {2});
  { const FileLock lock = LockForWriting(Path("flash.bin")); }
  for (const auto& name : stale) EXPECT_FALSE(std::filesystem::exists(Path(name))) << name;
  for (const auto& name : kept) EXPECT_TRUE(std::filesystem::exists(Path(name))) << name;
}

}  // namespace
}  // namespace tarvo
