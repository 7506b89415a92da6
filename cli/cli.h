// The command-line front end: argument parsing and a frame that reports on
// standard error. Kept apart from main() so tests can run it in-process.
#pragma once

#include <iosfwd>
#include <span>
#include <string_view>

namespace tarvo {

// Exit statuses: 0 success, 1 a failure (its message on `err`), 2 a usage error.
int RunCli(std::span<const std::string_view> args, std::ostream& out, std::ostream& err);

}  // namespace tarvo
