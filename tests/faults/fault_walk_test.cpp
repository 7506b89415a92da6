// Every command run again and again with its first, second, third ... call
// of the file layer failing, until it succeeds: each failure must end with
// exit status 1 and a message that names a file and the system's reason, and
// leave every file as it was, with nothing left behind.
//
// gettext's PO library opens and reads a PO file, and writes one, itself:
// those calls are out of the seam's reach. The PO file is read through the
// file layer before the library reads it, and the library writes into a
// private folder from which the text is read back and written through the
// file layer, so every call that touches the user's files is reached.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include "tests/faults/failing_system_calls.h"
#include "tests/support/cli_run.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;  // relative path, bytes ("/" for a folder)

struct WalkCase {
  const char* Name;
  // The arguments, given the path of a file in the test's folder.
  std::function<std::vector<std::string>(const std::function<std::string(const char*)>&)> Arguments;
  std::string Operations;  // the operations that the walk must reach
};

void PrintTo(const WalkCase& walk, std::ostream* out) { *out << walk.Name; }

class FaultWalk : public test::TempDirTest, public ::testing::WithParamInterface<WalkCase> {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    // gettext's private folder goes into the test's folder, where a left-over one is seen.
    std::filesystem::create_directory(Path("tmp"));
    ::setenv("TMPDIR", Path("tmp").c_str(), 1);
    WriteText(Path("tarvo.ini"), std::string("TRANS 80,0\r\nTRANS 81,400\r\nPHONETYPE ") + test::kBareType +
                                     "\r\nPHONETYPE " + test::kLangType + "\r\n");
    test::PackPlan plan;
    plan.langIds = {1, 2};
    plan.strings = test::RandomStrings(3, 2, 4, 20);
    Write(Path("flash.bin"), test::BuildImage(test::TypeOf(test::kBareType), plan));
    Write(Path("in.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kBareType), u"AllLangs 2", u"MaxMsgId 4",
                                          u"LgPackId NEW", u"LangId 1", u"String 0, \"Hello\"", u"LangId 2",
                                          u"String 1, \"<81>\u0410\u0411\""}));
    Write(Path("lang.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kLangType), u"AllLangs 1",
                                            u"MaxMsgId 3", u"SL4xLangName \"Suomi\"", u"LangId 3",
                                            u"String 0, \"Hei\""}));
    Write(Path("old.lng"), {1, 2, 3});
    Write(Path("old.lgp"), {4, 5, 6});
    Write(Path("old.po"), {7, 8, 9});
    WriteText(Path("pl.po"), "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                             "msgctxt \"0\"\nmsgid \"Hello\"\nmsgstr \"Cze\xC5\x9B\xC4\x87\"\n");
  }
  void TearDown() override {
    ::unsetenv("TMPDIR");
    TempDirTest::TearDown();
  }

  Snapshot Take() const {
    Snapshot files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir_)) {
      const std::string name = std::filesystem::relative(entry.path(), dir_).string();
      files[name] = entry.is_directory() ? std::vector<std::uint8_t>{'/'} : Read(entry.path());
    }
    return files;
  }
  void Restore(const Snapshot& files) {
    std::filesystem::remove_all(dir_);
    for (const auto& [name, bytes] : files) {
      if (bytes == std::vector<std::uint8_t>{'/'}) {
        std::filesystem::create_directories(Path(name));
      } else {
        std::filesystem::create_directories(Path(name).parent_path());
        Write(Path(name), bytes);
      }
    }
  }

  // The files that differ between two snapshots, or are in one only.
  static std::string Differences(const Snapshot& got, const Snapshot& expected) {
    std::string names;
    for (const auto& [name, bytes] : got) {
      const auto it = expected.find(name);
      if (it == expected.end()) names += name + " (new) ";
      else if (it->second != bytes) names += name + " (changed) ";
    }
    for (const auto& [name, bytes] : expected) {
      if (!got.contains(name)) names += name + " (gone) ";
    }
    return names;
  }

  int Run(const std::vector<std::string>& args) {
    const test::CliRun run = test::RunCliCaptured(args);
    err_ = run.Err;
    return run.Status;
  }

  std::string err_;
};

TEST_P(FaultWalk, EveryFailingCallEndsInAReportAndChangesNothing) {
  const std::vector<std::string> args = GetParam().Arguments([&](const char* name) { return Path(name).string(); });
  const Snapshot before = Take();
  test::FailCall(0, 0);
  ASSERT_EQ(Run(args), 0) << err_;
  const Snapshot after = Take();
  const int calls = test::CallsMade();
  RecordProperty("calls", calls);
  Restore(before);

  std::string reached;
  for (int call = 1; call <= calls + 1; ++call) {
    for (const int error : {EIO, ENOSPC, EACCES}) {
      test::FailCall(call, error);
      const int status = Run(args);
      const test::InjectedFault* fault = test::Injected();
      if (fault == nullptr) {
        EXPECT_EQ(status, 0) << err_;
        EXPECT_EQ(Differences(Take(), after), "") << "with no call failing";
        continue;
      }
      const std::string where = "call " + std::to_string(call) + " (" + fault->Operation + " " + fault->Path +
                                ", " + std::strerror(error) + "): " + err_;
      if (reached.find(fault->Operation) == std::string::npos) reached += fault->Operation + " ";
      // Only the folder's flush comes after the new file is in place.
      const bool folderFlushed = fault->Operation == "flush" && std::filesystem::is_directory(fault->Path);
      if (status == 0) {
        // A call whose failure costs nothing, such as a best-effort clean-up.
        EXPECT_EQ(Differences(Take(), after), "") << where;
        continue;
      }
      EXPECT_EQ(status, 1) << where;
      EXPECT_NE(err_.find(std::strerror(error)), std::string::npos) << where;
      bool named = err_.find(fault->Path) != std::string::npos;
      for (const std::string& arg : args) named = named || err_.find(arg) != std::string::npos;
      EXPECT_TRUE(named) << where;
      EXPECT_EQ(Differences(Take(), folderFlushed ? after : before), "") << where;
      Restore(before);
    }
  }
  for (const char* operation : {"open", "read", "write", "flush", "rename", "remove"}) {
    if (GetParam().Operations.find(operation) != std::string::npos) {
      EXPECT_NE(reached.find(operation), std::string::npos) << operation << " never reached; reached: " << reached;
    }
  }
}

const WalkCase kWalks[] = {
    {"Decompile",
     [](auto path) { return std::vector<std::string>{"decompile", "--config", path("tarvo.ini"), path("flash.bin"),
                                                     path("old.lgp")}; },
     "open read write flush rename"},
    {"CompileIntoAFlashImage",
     [](auto path) { return std::vector<std::string>{"compile", "--config", path("tarvo.ini"), path("in.lgp"),
                                                     path("flash.bin")}; },
     "open read write flush rename"},
    {"CompileIntoALanguageFile",
     [](auto path) { return std::vector<std::string>{"compile", "--config", path("tarvo.ini"), path("lang.lgp"),
                                                     path("old.lng")}; },
     "open read write flush rename"},
    {"Check",
     [](auto path) { return std::vector<std::string>{"check", "--config", path("tarvo.ini"), path("in.lgp")}; },
     "open read"},
    {"ExportPo",
     [](auto path) { return std::vector<std::string>{"export-po", "--language", "2", path("in.lgp"),
                                                     path("old.po")}; },
     "open read write flush rename"},
    {"ImportPoInPlace",
     [](auto path) { return std::vector<std::string>{"import-po", "--language", "2", path("in.lgp"), path("pl.po"),
                                                     path("in.lgp")}; },
     "open read write flush rename"},
};

INSTANTIATE_TEST_SUITE_P(Commands, FaultWalk, ::testing::ValuesIn(kWalks),
                         [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
}  // namespace tarvo
