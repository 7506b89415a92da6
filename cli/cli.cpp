#include "cli/cli.h"

#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "check/check_output.h"
#include "check/lgp_check.h"
#include "cli/cli_frame.h"
#include "cli/cli_texts.h"
#include "config/configuration.h"
#include "config/error.h"
#include "config/file_io.h"
#include "compile/compile_command.h"
#include "decompile/decompile_command.h"
#include "merge/merge_lgp.h"
#include "merge/merge_report.h"
#include "po/export_po.h"
#include "po/import_po.h"

namespace tarvo {

namespace {

struct Arguments {
  std::string command;
  std::optional<std::string> config;
  bool hexNumbers = false, noSignatures = false, crop = false, force = false, compact = false, json = false;
  std::optional<int> reference;
  std::optional<std::int32_t> language;
  std::int32_t source = 1;
  std::string poLanguage;
  bool fuzzy = false;
  std::vector<std::string> files;
};

bool IsPoCommand(std::string_view name) { return name == "export-po" || name == "import-po"; }
bool IsCommand(std::string_view name) {
  return name == "decompile" || name == "compile" || name == "check" || IsPoCommand(name) || name == "merge";
}

const char* HelpOf(std::string_view command) {
  if (command == "decompile") return kDecompileHelp;
  if (command == "compile") return kCompileHelp;
  if (command == "check") return kCheckHelp;
  if (command == "merge") return kMergeHelp;
  return command == "export-po" ? kExportPoHelp : kImportPoHelp;
}

// The options of one command. Help is answered before parsing and unknown
// options are named after it, both in the tool's own words.
void DefineOptions(CLI::App& app, Arguments& parsed) {
  app.set_help_flag();
  app.allow_extras();
  if (IsPoCommand(parsed.command)) {
    app.add_option("--language", parsed.language);
    if (parsed.command == "export-po") {
      app.add_option("--source", parsed.source);
      app.add_option("--po-language", parsed.poLanguage);
    } else {
      app.add_flag("--fuzzy", parsed.fuzzy);
    }
  } else if (parsed.command == "decompile") {
    app.add_option("--config", parsed.config);
    app.add_flag("--hex-numbers", parsed.hexNumbers);
    app.add_flag("--no-signatures", parsed.noSignatures);
  } else if (parsed.command == "merge") {
    app.add_option("--language", parsed.language);
    app.add_option("--reference", parsed.reference);
    app.add_flag("--fuzzy", parsed.fuzzy);
    app.add_flag("--json", parsed.json);
  } else if (parsed.command == "check") {
    app.add_option("--config", parsed.config);
    app.add_option("--reference", parsed.reference);
    app.add_flag("--json", parsed.json);
  } else {
    app.add_option("--config", parsed.config);
    app.add_flag("--crop", parsed.crop);
    app.add_flag("--force", parsed.force);
    app.add_flag("--compact", parsed.compact);
  }
  app.add_option("files", parsed.files);
}

// What an option given without its value (or with one of the wrong form) needs.
std::string MissingValueText(const CLI::App& app, const CLI::ParseError& error) {
  const std::string_view what = error.what();
  for (const CLI::Option* option : app.get_options()) {
    const std::string name = option->get_name();
    if (name.starts_with("--") && what.find(name) != std::string_view::npos) {
      if (name == "--po-language") return name + " needs a language code";
      return name + (option->get_type_name() == "TEXT" ? " needs a file name" : " needs a number");
    }
  }
  return std::string(what);
}

// Parses the arguments; returns an error text for a usage error.
std::optional<std::string> Parse(std::span<const std::string_view> args, Arguments& parsed) {
  if (args.empty()) return "no command given";
  parsed.command = args[0];
  if (!IsCommand(parsed.command)) return "unknown command \"" + parsed.command + "\"";
  CLI::App app;
  DefineOptions(app, parsed);
  std::vector<std::string> lastFirst(args.rbegin(), args.rend() - 1);  // CLI11 takes them last first
  try {
    app.parse(lastFirst);
  } catch (const CLI::ParseError& error) {
    return MissingValueText(app, error);
  }
  for (const std::string& extra : app.remaining()) {
    if (extra != "--" && extra.size() > 1 && extra[0] == '-')
      return "unknown option \"" + extra + "\" for " + parsed.command;
  }
  if (parsed.command == "check") {
    if (parsed.reference && *parsed.reference < 1) return "--reference counts languages from 1";
    if (parsed.files.size() != 1) return "expected one file name";
    return std::nullopt;
  }
  if (parsed.command == "merge") {
    if (parsed.reference && *parsed.reference < 1) return "--reference counts languages from 1";
    if (!parsed.language) return "merge needs --language N";
    if (parsed.files.size() != 3) return "expected three file names";
    return std::nullopt;
  }
  if (parsed.command == "import-po") {
    if (parsed.files.size() != 3) return "expected three file names";
  } else if (parsed.files.size() != 2) {
    return "expected two file names";
  }
  if (IsPoCommand(parsed.command) && !parsed.language) return parsed.command + " needs --language N";
  return std::nullopt;
}

// Reads the file and checks it; a file that cannot be read is reported on `err`.
std::optional<CheckReport> RunCheck(const Configuration& config, const std::string& path, int reference,
                                    std::ostream& err) {
  try {
    return CheckLgp(ReadWholeFile(path), config.Chars, reference);
  } catch (const Error& e) {
    err << e.what() << "\n";
  } catch (const std::bad_alloc&) {
    err << "Not enough memory to check \"" << path << "\".\n";
  }
  return std::nullopt;
}

int ExitStatus(const CommandResult& result) { return result.Outcome == CommandOutcome::Done ? 0 : 1; }

// The PO commands need no configuration: they never encode a text.
int RunPoCommand(const Arguments& parsed, std::ostream& err) {
  CliFrame frame(err, false);
  if (parsed.command == "export-po") {
    const ExportPoOptions options{*parsed.language, parsed.source, parsed.poLanguage,
                                  std::string("tarvo-cli ") + TARVO_VERSION};
    return ExitStatus(RunExportPo(frame, options, parsed.files[0], parsed.files[1]));
  }
  const ImportPoOptions options{*parsed.language, parsed.fuzzy};
  return ExitStatus(RunImportPo(frame, options, parsed.files[0], parsed.files[1], parsed.files[2]));
}

// merge needs no configuration either. The summary goes to standard error,
// or the JSON report to standard output.
int RunMergeCommand(const Arguments& parsed, std::ostream& out, std::ostream& err) {
  CliFrame frame(err, false);
  const MergeOptions options{*parsed.language, parsed.reference.value_or(1), parsed.fuzzy};
  const MergeCommandResult merged =
      RunMerge(frame, options, parsed.files[0], parsed.files[1], parsed.files[2]);
  if (!merged.Report) return 1;
  if (parsed.json) {
    out << MergeReportJson(*merged.Report);
  } else {
    err << MergeSummaryText(*merged.Report) << "\n" << MergeListText(*merged.Report);
  }
  return 0;
}

}  // namespace

int RunCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err) {
  auto isHelp = [](std::string_view arg) { return arg == "--help" || arg == "-h"; };
  if (!args.empty() && (isHelp(args[0]) || args[0] == "help")) {
    out << kSynopsis << "\n"
        << kDecompileHelp << "\n"
        << kCompileHelp << "\n"
        << kCheckHelp << "\n"
        << kExportPoHelp << "\n"
        << kImportPoHelp << "\n"
        << kMergeHelp << "\n"
        << kExitStatus;
    return 0;
  }
  if (!args.empty() && args[0] == "--version") {
    out << "tarvo-cli " << TARVO_VERSION << "\n";
    return 0;
  }
  if (args.size() >= 2 && IsCommand(args[0]) &&
      std::any_of(args.begin() + 1, args.end(), isHelp)) {
    out << kSynopsis << "\n" << HelpOf(args[0]) << "\n" << kExitStatus;
    return 0;
  }
  Arguments parsed;
  auto usageError = [&](const std::string& problem) {
    err << "tarvo-cli: " << problem << "\n\n" << kSynopsis << "Run \"tarvo-cli --help\" for the options.\n";
    return 2;
  };
  if (const auto problem = Parse(args, parsed)) return usageError(*problem);

  if (IsPoCommand(parsed.command)) return RunPoCommand(parsed, err);
  if (parsed.command == "merge") return RunMergeCommand(parsed, out, err);

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

  if (parsed.command == "check") {
    const int reference = parsed.reference.value_or(1);
    const std::optional<CheckReport> report = RunCheck(config, parsed.files[0], reference - 1, err);
    if (!report) return 1;
    // A file without languages is a fault of the file, which the report names.
    if (report->Read && report->Languages > 0 && reference > report->Languages) {
      return usageError("--reference " + std::to_string(reference) + " names no language: the file has " +
                        std::to_string(report->Languages));
    }
    out << (parsed.json ? CheckReportJson(*report) : CheckReportText(*report));
    return report->Fits() ? 0 : 1;
  }

  CliFrame frame(err, &err == &std::cerr && ::isatty(STDERR_FILENO));
  frame.hexNumbers = parsed.hexNumbers;
  frame.signatures = !parsed.noSignatures;
  frame.crop = parsed.crop;
  frame.force = parsed.force;

  PivotRandom random;
  const CommandResult result = parsed.command == "decompile"
                                   ? RunDecompile(frame, config, parsed.files[0], parsed.files[1])
                                   : RunCompile(frame, config, random, parsed.files[0], parsed.files[1],
                                                parsed.compact ? PackingStrategy::Compact : PackingStrategy::Standard);
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
