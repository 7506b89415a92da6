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
// only when everything is on disk and reads back as written, so a failure
// leaves no partial file; the folder is flushed after the rename. A device
// or pipe is written into as it is, without reading back.
void WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes `bytes` at `offset` of an existing file without truncating it,
// flushes them to the disk and reads them back.
void WriteFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> bytes);

// Reads the file at `offset` and compares it with `expected`: an Error names
// the file and the first offset that differs, or where the file ends.
void VerifyFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> expected);

// The folder of the running program's executable, or an empty path when the
// system does not tell.
std::filesystem::path ExecutableDirectory();

// Text of a path as the user would type it.
std::string DisplayPath(const std::filesystem::path& path);

}  // namespace tarvo
