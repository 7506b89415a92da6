#include "cli/cli.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/command_frame.h"
#include "config/configuration.h"
#include "config/file_io.h"
#include "compile/compile_command.h"
#include "decompile/decompile_command.h"

namespace tarvo {

namespace {

constexpr const char* kSynopsis =
    "Usage:\n"
    "  tarvo-cli decompile [--config FILE] [--hex-numbers] [--no-signatures] FLASH OUTPUT.lgp\n"
    "  tarvo-cli compile [--config FILE] [--crop] [--force] INPUT.lgp FLASH\n"
    "  tarvo-cli --help | --version\n"
    "  tarvo-cli decompile --help | tarvo-cli compile --help\n";

constexpr const char* kDecompileHelp =
    "decompile  Reads the language pack of a flash image (*.bin) or an SL4x language\n"
    "           file (*.lng), identifies its phone type from the configuration and\n"
    "           writes every string into an editable UTF-16LE text file (*.lgp).\n"
    "             --config FILE     configuration file (default: tarvo.ini in the\n"
    "                               working directory, else the one installed\n"
    "                               with the program)\n"
    "             --hex-numbers     write string numbers in hexadecimal (\"String $1A\")\n"
    "             --no-signatures   do not keep language signatures (window selector\n"
    "                               bytes) as escapes in the text\n";

constexpr const char* kCompileHelp =
    "compile    Reads an LGpack text file (*.lgp), packs its strings and writes the\n"
    "           pack into the flash image FLASH in place (it must exist), or writes\n"
    "           a new SL4x language file when the phone type is a language file.\n"
    "           Nothing is written when anything does not fit.\n"
    "             --config FILE     configuration file (default: as for decompile)\n"
    "             --crop            crop strings that pack to more than 254 bytes\n"
    "                               (without it the first such string stops)\n"
    "             --force           write into a flash image that has no language\n"
    "                               pack signature where the phone type puts the pack\n";

constexpr const char* kExitStatus =
    "Exit status: 0 on success, 1 when the command fails (the reason is printed on\n"
    "standard error), 2 on a usage error.\n";

// Reports on standard error; answers questions by the command-line options.
class CliFrame final : public CommandFrame {
 public:
  CliFrame(std::ostream& err, bool showProgress) : err_(err), showProgress_(showProgress) {}

  bool hexNumbers = false;
  bool signatures = true;
  bool crop = false;
  bool force = false;

  void SetStatusText(const std::string& text) override {
    status_ = text;
    lastPercent_ = -1;
    ShowProgress();
  }
  void SetProgressMinimum(double value) override { minimum_ = value; }
  void SetProgressMaximum(double value) override { maximum_ = value; }
  void SetProgressValue(double value) override {
    value_ = value;
    ShowProgress();
  }
  double ProgressMaximum() const override { return maximum_; }
  void Yield() override {}

  MessageAnswer ShowMessage(const Message& message) override {
    EndProgressLine();
    err_ << message.Text << "\n";
    switch (message.Kind) {
      case MessageKind::Notice:
        return MessageAnswer::Ok;
      case MessageKind::CropQuestion:
        err_ << (crop ? "Cropped (--crop).\n" : "Stopped: give --crop to crop over-long strings.\n");
        return crop ? MessageAnswer::Ok : MessageAnswer::Cancel;
      case MessageKind::MissingSignatureQuestion:
        err_ << (force ? "Writing anyway (--force).\n" : "Stopped: give --force to write into this file anyway.\n");
        return force ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    return MessageAnswer::Cancel;
  }

  bool HexStringNumbers() const override { return hexNumbers; }
  bool SaveLangSignatures() const override { return signatures; }
  void Lock() override {}
  void Unlock() override { EndProgressLine(); }

 private:
  void ShowProgress() {
    if (!showProgress_) return;
    const double span = maximum_ - minimum_;
    const int percent = span > 0 ? static_cast<int>(std::floor(100 * (value_ - minimum_) / span)) : 0;
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    err_ << "\r" << status_ << " " << percent << "%   " << std::flush;
    lineOpen_ = true;
  }
  void EndProgressLine() {
    if (lineOpen_) err_ << "\n";
    lineOpen_ = false;
  }

  std::ostream& err_;
  bool showProgress_;
  std::string status_;
  double minimum_ = 0, maximum_ = 100, value_ = 0;
  int lastPercent_ = -1;
  bool lineOpen_ = false;
};

struct Arguments {
  std::string command;
  std::optional<std::string> config;
  bool hexNumbers = false, noSignatures = false, crop = false, force = false;
  std::vector<std::string> files;
};

// Parses the arguments; returns an error text for a usage error.
std::optional<std::string> Parse(std::span<const std::string_view> args, Arguments& parsed) {
  if (args.empty()) return "no command given";
  parsed.command = args[0];
  const bool decompile = parsed.command == "decompile";
  if (!decompile && parsed.command != "compile") return "unknown command \"" + parsed.command + "\"";
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--config") {
      if (i + 1 == args.size()) return "--config needs a file name";
      parsed.config = std::string(args[++i]);
    } else if (decompile && arg == "--hex-numbers") {
      parsed.hexNumbers = true;
    } else if (decompile && arg == "--no-signatures") {
      parsed.noSignatures = true;
    } else if (!decompile && arg == "--crop") {
      parsed.crop = true;
    } else if (!decompile && arg == "--force") {
      parsed.force = true;
    } else if (arg == "--") {
      for (++i; i < args.size(); ++i) parsed.files.emplace_back(args[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option \"" + std::string(arg) + "\" for " + parsed.command;
    } else {
      parsed.files.emplace_back(arg);
    }
  }
  if (parsed.files.size() != 2) return "expected two file names";
  return std::nullopt;
}

}  // namespace

int RunCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  auto isHelp = [](std::string_view arg) { return arg == "--help" || arg == "-h"; };
  if (!args.empty() && (isHelp(args[0]) || args[0] == "help")) {
    out << kSynopsis << "\n" << kDecompileHelp << "\n" << kCompileHelp << "\n" << kExitStatus;
    return 0;
  }
  if (!args.empty() && args[0] == "--version") {
    out << "tarvo-cli " << TARVO_VERSION << "\n";
    return 0;
  }
  if (args.size() >= 2 && (args[0] == "decompile" || args[0] == "compile") &&
      std::any_of(args.begin() + 1, args.end(), isHelp)) {
    out << kSynopsis << "\n" << (args[0] == "decompile" ? kDecompileHelp : kCompileHelp) << "\n" << kExitStatus;
    return 0;
  }
  Arguments parsed;
  if (const auto problem = Parse(args, parsed)) {
    err << "tarvo-cli: " << *problem << "\n\n" << kSynopsis << "Run \"tarvo-cli --help\" for the options.\n";
    return 2;
  }

  const std::filesystem::path configPath =
      parsed.config ? std::filesystem::path(*parsed.config) : FindConfiguration(ExecutableDirectory());
  Configuration config;
  LoadConfiguration(configPath, config);
  if (!IsUsable(config)) {
    err << "Error reading configuration!\n"
        << "(\"" << DisplayPath(configPath)
        << "\" is missing, empty, or lacks PHONETYPE or TRANS entries.)\n";
    return 1;
  }

  CliFrame frame(err, &err == &std::cerr && ::isatty(STDERR_FILENO));
  frame.hexNumbers = parsed.hexNumbers;
  frame.signatures = !parsed.noSignatures;
  frame.crop = parsed.crop;
  frame.force = parsed.force;

  PivotRandom random;
  const CommandResult result = parsed.command == "decompile"
                                   ? RunDecompile(frame, config, parsed.files[0], parsed.files[1])
                                   : RunCompile(frame, config, random, parsed.files[0], parsed.files[1]);
  switch (result.Outcome) {
    case CommandOutcome::Done:
      return 0;
    case CommandOutcome::Silent:
      err << result.Reason << "\n";
      return 1;
    case CommandOutcome::Failed:
      return 1;
  }
  return 1;
}

}  // namespace tarvo
