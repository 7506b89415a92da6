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

// Writes `bytes` to a temporary file beside `path` (named `path` and
// ".tmp-" and six characters) and renames it over `path` only when
// everything is on disk and reads back as written, so the file is at every
// moment either the old or the new one, and a failure leaves no partial
// file; the folder is flushed after the rename. The new file keeps the
// permissions of the old one, and a symbolic link keeps pointing to it. A
// device or pipe is written into as it is, without reading back.
void WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes back `content`, the changed copy of a file's whole content, of which
// only the bytes from `first` to `end` differ: a regular file is replaced
// whole as by WriteFileReplacing (when it could be written into in place), a
// device or other file is written into in place from `first` to `end`, as by
// WriteFileAt.
void WriteFileChanged(const std::filesystem::path& path, std::span<const std::uint8_t> content,
                      std::size_t first, std::size_t end);

// An exclusive lock (flock) on a file, held until it is destroyed.
class FileLock {
 public:
  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  ~FileLock();

 private:
  friend FileLock LockForWriting(const std::filesystem::path& path);
  int fd_ = -1;
};

// Makes the caller the one writer of `path` while the lock lives: when
// another process holds it, an Error names the file at once. A file that
// does not exist yet gets no lock. Temporary files that a killed writer left
// beside the file are removed.
FileLock LockForWriting(const std::filesystem::path& path);

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
