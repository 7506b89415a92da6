// Every command run again and again with its first, second, third ... call
// of the file layer failing, until it succeeds: each failure must end with
// exit status 1 and a message that names a file and the system's reason, and
// leave every file as it was, with nothing left behind.
//
// gettext's PO library opens and reads a PO file, and writes one, itself:
// those calls are out of the seam's reach. The PO file is read through the
// file layer before the library reads it, and the library writes into a
// private folder from which the text is read back and written through the
// file layer, so every call that touches the user's files is reached. The
// configuration has a reader of its own and is not walked.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>

#include "config/configuration.h"
#include "config/error.h"
#include "config/file_io.h"
#include "document/document.h"
#include "tests/faults/failing_system_calls.h"
#include "tests/support/cli_run.h"
#include "tests/support/lgp_text.h"
#include "tests/support/pack_builder.h"
#include "tests/support/temp_dir.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

using Snapshot = std::map<std::string, std::vector<std::uint8_t>>;  // relative path, bytes ("/" for a folder)

// How a command ended: its exit status (1 for a failure) and what it said.
struct Outcome {
  int Status = 0;
  std::string Message;
};
using PathOf = std::function<std::string(const std::string& name)>;  // a file of the test's folder

// One command to walk: a run of tarvo-cli, or any other command (an editor's
// save, say) that reports its end as an Outcome.
struct WalkCase {
  const char* Name;
  std::function<Outcome(const PathOf&)> Run;
  std::string Operations;  // the operations that the walk must reach
};

// A row that runs tarvo-cli in-process; "@name" stands for a file of the test's folder.
WalkCase CliWalk(const char* name, std::vector<std::string> args, std::string operations) {
  return {name,
          [args](const PathOf& path) {
            std::vector<std::string> resolved;
            for (const std::string& arg : args)
              resolved.push_back(arg.starts_with("@") ? path(arg.substr(1)) : arg);
            const test::CliRun run = test::RunCliCaptured(resolved);
            return Outcome{run.Status, run.Err};
          },
          std::move(operations)};
}

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
    Write(Path("in.lgp"), test::LgpBytes({u"PhoneType " + test::U(test::kBareType), u"AllLangs 2",
                                          u"MaxMsgId 4", u"LgPackId NEW", u"LangId 1", u"String 0, \"Hello\"",
                                          u"LangId 2", u"String 1, \"<81>\u0410\u0411\""}));
    Write(Path("lang.lgp"),
          test::LgpBytes({u"PhoneType " + test::U(test::kLangType), u"AllLangs 1", u"MaxMsgId 3",
                          u"SL4xLangName \"Suomi\"", u"LangId 3", u"String 0, \"Hei\""}));
    Write(Path("older.lgp"), test::LgpBytes({u"AllLangs 2", u"MaxMsgId 2", u"LangId 1",
                                             u"String 2, \"Hello\"", u"LangId 2", u"String 2, \"Hej\""}));
    Write(Path("old.lng"), {1, 2, 3});
    Write(Path("old.lgp"), {4, 5, 6});
    Write(Path("old.po"), {7, 8, 9});
    WriteText(Path("pl.po"),
              "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
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
      if (it == expected.end())
        names += name + " (new) ";
      else if (it->second != bytes)
        names += name + " (changed) ";
    }
    for (const auto& [name, bytes] : expected) {
      if (!got.contains(name)) names += name + " (gone) ";
    }
    return names;
  }

  Outcome Run() {
    return GetParam().Run([&](const std::string& name) { return Path(name).string(); });
  }
};

TEST_P(FaultWalk, EveryFailingCallEndsInAReportAndChangesNothing) {
  const Snapshot before = Take();
  test::FailCall(0, 0);
  const Outcome success = Run();
  ASSERT_EQ(success.Status, 0) << success.Message;
  const Snapshot after = Take();
  const int calls = test::CallsMade();
  RecordProperty("calls", calls);
  Restore(before);

  std::string reached;
  for (int call = 1; call <= calls + 1; ++call) {
    for (const int error : {EIO, ENOSPC, EACCES}) {
      test::FailCall(call, error);
      const Outcome outcome = Run();
      const test::InjectedFault* fault = test::Injected();
      if (fault == nullptr) {
        EXPECT_EQ(outcome.Status, 0) << outcome.Message;
        EXPECT_EQ(Differences(Take(), after), "") << "with no call failing";
        continue;
      }
      const std::string where = "call " + std::to_string(call) + " (" + fault->Operation + " " + fault->Path +
                                ", " + std::strerror(error) + "): " + outcome.Message;
      if (reached.find(fault->Operation) == std::string::npos) reached += fault->Operation + " ";
      // Only the folder's flush comes after the new file is in place.
      const bool folderFlushed = fault->Operation == "flush" && std::filesystem::is_directory(fault->Path);
      if (outcome.Status == 0) {
        // A call whose failure costs nothing, such as a best-effort clean-up.
        EXPECT_EQ(Differences(Take(), after), "") << where;
        continue;
      }
      EXPECT_EQ(outcome.Status, 1) << where;
      EXPECT_NE(outcome.Message.find(std::strerror(error)), std::string::npos) << where;
      // The file named is the one the call was made on, or the one its temporary file stands for.
      EXPECT_TRUE(outcome.Message.find(fault->Path) != std::string::npos ||
                  outcome.Message.find(dir_.string() + "/") != std::string::npos)
          << where;
      EXPECT_EQ(Differences(Take(), folderFlushed ? after : before), "") << where;
      Restore(before);
    }
  }
  for (const char* operation : {"open", "read", "write", "flush", "rename", "remove"}) {
    if (GetParam().Operations.find(operation) != std::string::npos) {
      EXPECT_NE(reached.find(operation), std::string::npos)
          << operation << " never reached; reached: " << reached;
    }
  }
}

// The editor's save: the document read, edited and written back in place
// through the file layer, as the window does.
Outcome SaveEditedDocument(const PathOf& path) {
  try {
    Configuration config;
    LoadConfiguration(path("tarvo.ini"), config);
    Document document = Document::FromLgp(ReadWholeFile(path("in.lgp")), path("in.lgp"), config);
    document.Apply({{1, 2, u"Edited"}});
    WriteFileReplacing(path("in.lgp"), document.SaveBytes());
  } catch (const Error& e) {
    return {1, e.what()};
  }
  return {};
}

const WalkCase kWalks[] = {
    CliWalk("Decompile", {"decompile", "--config", "@tarvo.ini", "@flash.bin", "@old.lgp"},
            "open read write flush rename"),
    CliWalk("CompileIntoAFlashImage", {"compile", "--config", "@tarvo.ini", "@in.lgp", "@flash.bin"},
            "open read write flush rename"),
    CliWalk("CompileIntoALanguageFile", {"compile", "--config", "@tarvo.ini", "@lang.lgp", "@old.lng"},
            "open read write flush rename"),
    CliWalk("Check", {"check", "--config", "@tarvo.ini", "@in.lgp"}, "open read"),
    CliWalk("ExportPo", {"export-po", "--language", "2", "@in.lgp", "@old.po"},
            "open read write flush rename"),
    CliWalk("ImportPoInPlace", {"import-po", "--language", "2", "@in.lgp", "@pl.po", "@in.lgp"},
            "open read write flush rename"),
    CliWalk("MergeInPlace", {"merge", "--language", "2", "@older.lgp", "@in.lgp", "@in.lgp"},
            "open read write flush rename"),
    {"EditorSave", SaveEditedDocument, "open read write flush rename"},
};

INSTANTIATE_TEST_SUITE_P(Commands, FaultWalk, ::testing::ValuesIn(kWalks),
                         [](const auto& test) { return std::string(test.param.Name); });

}  // namespace
}  // namespace tarvo
