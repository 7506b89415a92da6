// tarvo.ini on disk: where it is looked up, and reading it.
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "config/configuration.h"

namespace tarvo {

void LoadConfiguration(const std::filesystem::path& path, Configuration& config) {
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (error) return;  // missing or unreadable: nothing loaded
  if (size == 0) {
    std::filesystem::remove(path, error);
    return;
  }
  std::ifstream file(path, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
  LoadConfigurationText(text, config);
}

std::filesystem::path FindConfiguration(const std::filesystem::path& executableDir) {
  const std::filesystem::path local = "tarvo.ini";
  std::error_code error;
  if (std::filesystem::exists(std::filesystem::symlink_status(local, error)) || executableDir.empty()) return local;
  return executableDir / ".." / "share" / "tarvo" / "tarvo.ini";
}

}  // namespace tarvo
