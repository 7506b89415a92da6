// Runs tarvo-cli in-process on a list of arguments, with what it prints kept.
#pragma once

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

inline CliRun RunCliCaptured(const std::vector<std::string>& args) {
  std::vector<std::string_view> views(args.begin(), args.end());
  std::ostringstream out, err;
  CliRun run;
  run.Status = RunCli(views, out, err);
  run.Out = out.str();
  run.Err = err.str();
  return run;
}

}  // namespace tarvo::test
