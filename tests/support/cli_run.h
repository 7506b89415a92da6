// Runs tarvo-cli on a list of arguments, with what it prints kept: in-process,
// or, when TARVO_CLI_PROGRAM names another program (such as "node
// build/web/tarvo-cli.mjs"), that program, so that one table of command-line
// tests holds both command lines to the same words.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/cli.h"

namespace tarvo::test {

struct CliRun {
  int Status = 0;
  std::string Out, Err;
};

inline std::string ShellQuoted(std::string_view arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

inline CliRun RunProgramCaptured(const std::string& program, const std::vector<std::string>& args) {
  const auto base = std::filesystem::temp_directory_path() / ("tarvo-cli-run-" + std::to_string(::getpid()));
  std::string command = program;
  for (const std::string& arg : args) command += " " + ShellQuoted(arg);
  command += " >" + ShellQuoted(base.string() + ".out") + " 2>" + ShellQuoted(base.string() + ".err") +
             " </dev/null";
  const int status = std::system(command.c_str());
  auto slurp = [](const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::filesystem::remove(path);
    return text;
  };
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp(base.string() + ".out"),
          slurp(base.string() + ".err")};
}

inline CliRun RunCliCaptured(const std::vector<std::string>& args) {
  if (const char* program = std::getenv("TARVO_CLI_PROGRAM"); program && *program) {
    return RunProgramCaptured(program, args);
  }
  std::vector<std::string_view> views(args.begin(), args.end());
  std::ostringstream out, err;
  CliRun run;
  run.Status = RunCli(views, out, err);
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

}  // namespace tarvo::test
