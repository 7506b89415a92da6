// Whole-file reading and safe writing. Every failure is an Error that names
// the path and the system's reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string_view>
#include <vector>

namespace tarvo {

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path);

// Writes `bytes` to a temporary file beside `path` and renames it over `path`
// only when everything is on disk, so a failure leaves no partial file.
void WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes `bytes` at `offset` of an existing file without truncating it.
void WriteFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> bytes);

// The folder of the running program's executable, or an empty path when the
// system does not tell.
std::filesystem::path ExecutableDirectory();

// Text of a path as the user would type it.
std::string DisplayPath(const std::filesystem::path& path);

}  // namespace tarvo
