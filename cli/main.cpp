#include <iostream>
#include <string_view>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  std::vector<std::string_view> args(argv + 1, argv + argc);
  return tarvo::RunCli(args, std::cout, std::cerr);
}
