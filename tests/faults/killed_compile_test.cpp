// A compile killed at any moment while it writes a flash image leaves the
// image whole: byte for byte the old one or the new one, with at most one
// temporary file beside it, which the next compile removes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <fstream>
#include <random>
#include <thread>

#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

extern char** environ;

namespace tarvo {
namespace {

class KilledCompile : public test::TempDirTest {
 protected:
  // Starts tarvo-cli compile into flash.bin, its output thrown away.
  pid_t Start() {
    const std::string ini = Path("tarvo.ini"), lgp = Path("in.lgp"), flash = Path("flash.bin");
    const char* argv[] = {TARVO_CLI, "compile", "--config", ini.c_str(), lgp.c_str(), flash.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, TARVO_CLI, &actions, nullptr, const_cast<char**>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    EXPECT_EQ(::waitpid(pid, &status, 0), pid);
    return status;
  }
  // The whole file, read at once: the images are large.
  std::vector<std::uint8_t> ReadImage() const {
    std::ifstream file(Path("flash.bin"), std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.tellg()));
    file.seekg(0).read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
  }
  int TemporaryFiles() const {
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
      count += entry.path().filename().string().starts_with("flash.bin.tmp-") ? 1 : 0;
    }
    return count;
  }
};

TEST_F(KilledCompile, LeavesTheOldOrTheNewImageAndOneTemporaryFileAtMost) {
  WriteText(Path("tarvo.ini"),
            std::string("TRANS 80,0\r\nTRANS 81,400\r\nPHONETYPE ") + test::kBareType + "\r\n");
  test::PackPlan plan;
  plan.langIds = {1, 2};
  plan.strings = test::RandomStrings(8, 2, 4, 30);
  plan.imageSize = std::size_t{16} << 20;
  const std::vector<std::uint8_t> old = test::BuildImage(test::TypeOf(test::kBareType), plan);
  Write(Path("in.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kBareType), u"AllLangs 2",
                                        u"MaxMsgId 4", u"LgPackId KILLED", u"LangId 1", u"String 0, \"New\"",
                                        u"LangId 2", u"String 3, \"<81>\u0410\""}));

  // The new image, and how long a whole compile takes.
  Write(Path("flash.bin"), old);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Wait(Start()), 0);
  const auto length =
      std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const std::vector<std::uint8_t> fresh = ReadImage();
  ASSERT_NE(fresh, old);

  std::mt19937 random(20);
  int oldImages = 0, newImages = 0, leftTemporary = 0;
  bool changed = true;  // flash.bin is no longer the old image
  for (int kill = 0; kill < 100; ++kill) {
    if (changed) Write(Path("flash.bin"), old);
    const pid_t pid = Start();
    std::this_thread::sleep_for(std::chrono::microseconds(random() % (length.count() + 1)));
    ::kill(pid, SIGKILL);
    Wait(pid);
    const std::vector<std::uint8_t> image = ReadImage();
    ASSERT_TRUE(image == old || image == fresh)
        << "kill " << kill << " left an image of " << image.size() << " bytes";
    changed = image != old;
    (changed ? newImages : oldImages) += 1;
    const int temporaries = TemporaryFiles();
    ASSERT_LE(temporaries, 1) << "kill " << kill;
    leftTemporary += temporaries;
  }
  RecordProperty("old", oldImages);
  RecordProperty("new", newImages);
  RecordProperty("temporary", leftTemporary);

  // The next compile removes what a killed one left.
  Write(Path("flash.bin"), old);
  ASSERT_EQ(Wait(Start()), 0);
  EXPECT_EQ(ReadImage(), fresh);
  EXPECT_EQ(TemporaryFiles(), 0);
}

}  // namespace
}  // namespace tarvo
