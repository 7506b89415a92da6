// The native core's verdict on each file of the fuzz corpora, one line per
// file and use, for tests/web/fuzz_replay.mjs to hold the WebAssembly module
// to: the file as tarvo.ini, as a flash image and a language file, and as an
// .lgp text checked, compiled and opened in the editor's document.
// Usage: tarvo_web_verdicts CONFIG_OUT FILE...   (CONFIG_OUT gets the
// configuration text the verdicts use)
#include <cstdint>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "check/check_output.h"
#include "check/lgp_check.h"
#include "compile/compile_command.h"
#include "config/error.h"
#include "decompile/decompile_command.h"
#include "document/measure.h"
#include "tests/fuzz/fuzz_config.h"

namespace tarvo {
namespace {

std::uint32_t Hash(std::string_view bytes) {
  std::uint32_t hash = 2166136261u;
  for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
  return hash;
}

std::uint32_t Hash(const std::vector<std::uint8_t>& bytes) {
  return Hash(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// Answers crop and the missing signature yes, the compact question no.
class AnsweringFrame final : public CommandFrame {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgressMinimum(double) override {}
  void SetProgressMaximum(double value) override { maximum_ = value; }
  void SetProgressValue(double) override {}
  double ProgressMaximum() const override { return maximum_; }
  void Yield() override {}
  MessageAnswer ShowMessage(const Message& message) override {
    if (message.Kind == MessageKind::CompactQuestion) {
      question = message.Text;
      return MessageAnswer::Cancel;
    }
    if (message.Kind == MessageKind::Notice) notice = message.Text;
    return MessageAnswer::Ok;
  }
  bool HexStringNumbers() const override { return false; }
  bool SaveLangSignatures() const override { return true; }
  void Lock() override {}
  void Unlock() override {}

  std::string question, notice;

 private:
  double maximum_ = 100;
};

void Verdicts(const std::vector<std::uint8_t>& file, const Configuration& config, PivotRandom& random) {
  Configuration loaded;
  LoadConfigurationText({reinterpret_cast<const char*>(file.data()), file.size()}, loaded);
  std::cout << "config " << (IsUsable(loaded) ? std::to_string(loaded.PhoneTypes.size()) : "unusable")
            << "\n";
  for (const char* name : {"fuzz.bin", "fuzz.lng"}) {
    if (file.empty()) {
      std::cout << "decompile " << name << " empty\n";
      continue;
    }
    try {
      const std::uint32_t hash = Hash(DecompileImage(file, name, config, {true, {}, {}}));
      std::cout << "decompile " << name << " " << hash << "\n";
    } catch (const Error& e) {
      std::cout << "decompile " << name << " error " << e.what() << "\n";
    }
  }
  std::cout << "check " << Hash(CheckReportJson(CheckLgp(file, config.Chars))) << "\n";
  AnsweringFrame frame;
  const FlashSource blank{"blank.bin", [] { return std::vector<std::uint8_t>(0x10000); }};
  const PivotRandom before = random;
  try {
    const std::uint32_t hash =
        Hash(CompileImage(frame, file, blank, config, random, PackingStrategy::Standard).Image);
    std::cout << "compile " << hash << "\n";
  } catch (const LgpNotRead&) {
    std::cout << "compile not read\n";
  } catch (const Error& e) {
    std::cout << "compile failed " << e.what() << "\n";
  } catch (const CommandStopped&) {
    if (frame.question.empty()) {
      std::cout << "compile failed " << frame.notice << "\n";
    } else {
      random = before;
      std::cout << "compile stopped " << frame.question << "\n";
    }
  }
  try {
    Document document = Document::FromLgp(file, "fuzz.lgp", config);
    const DocumentMeasure measure = MeasureDocument(TakeSnapshot(document, random));
    std::cout << "document " << measure.Standard.Length << " " << measure.Compact.Length << " "
              << Hash(document.SaveBytes()) << "\n";
  } catch (const Error& e) {
    std::cout << "document error " << e.what() << "\n";
  }
}

}  // namespace
}  // namespace tarvo

int main(int argc, char** argv) {
  const tarvo::Configuration config = tarvo::fuzz::Configuration();
  std::ofstream(argv[1], std::ios::binary) << tarvo::fuzz::ConfigurationText();
  tarvo::PivotRandom random;
  for (int i = 2; i < argc; ++i) {
    std::ifstream in(argv[i], std::ios::binary);
    const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>()};
    std::cout << "file " << i - 1 << "\n";
    tarvo::Verdicts(file, config, random);
  }
  return 0;
}
