#include "config/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "config/error.h"

namespace tarvo {

namespace {

// No flash image or text file comes near this; a larger input is a mistake.
constexpr std::size_t kMaxFileSize = std::size_t{512} << 20;

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path, int error) {
  throw Error(std::string(what) + " \"" + DisplayPath(path) + "\": " + std::strerror(error));
}

// Closes the descriptor when it goes out of scope.
struct FileDescriptor {
  int fd = -1;
  ~FileDescriptor() {
    if (fd >= 0) ::close(fd);
  }
};

void WriteAll(int fd, std::span<const std::uint8_t> bytes, const std::filesystem::path& path) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot write", path, errno);
    }
    done += static_cast<std::size_t>(n);
  }
}

std::string HexOffset(std::uint64_t offset) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(offset));
  return text;
}

void CompareReadBack(int fd, std::uint64_t offset, std::span<const std::uint8_t> expected,
                     const std::filesystem::path& path) {
  std::vector<std::uint8_t> read(std::min<std::size_t>(expected.size(), std::size_t{1} << 20));
  std::size_t done = 0;
  while (done < expected.size()) {
    const std::size_t want = std::min(read.size(), expected.size() - done);
    const ssize_t n = ::pread(fd, read.data(), want, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read back", path, errno);
    }
    const auto got = static_cast<std::size_t>(n);
    const auto mismatch = std::mismatch(read.begin(), read.begin() + static_cast<std::ptrdiff_t>(got),
                                        expected.begin() + static_cast<std::ptrdiff_t>(done));
    if (mismatch.first != read.begin() + static_cast<std::ptrdiff_t>(got) || got == 0) {
      const std::uint64_t at = offset + done + static_cast<std::uint64_t>(mismatch.first - read.begin());
      throw Error("Cannot write \"" + DisplayPath(path) + "\": what was read back differs from what was written, first at offset " +
                  std::to_string(at) + " (" + HexOffset(at) + ").");
    }
    done += got;
  }
}

// Flushes the file to the disk and reads `expected` back from `offset`, as a
// flashing tool verifies what it wrote. The cached pages are dropped first
// where the system allows, so that the bytes come from the disk itself.
void SyncAndVerify(int fd, std::uint64_t offset, std::span<const std::uint8_t> expected,
                   const std::filesystem::path& path) {
  if (::fsync(fd) != 0) Fail("Cannot write", path, errno);
  ::posix_fadvise(fd, static_cast<off_t>(offset), static_cast<off_t>(expected.size()), POSIX_FADV_DONTNEED);
  CompareReadBack(fd, offset, expected, path);
}

// Flushes the folder, so that a file renamed into it stays there.
void SyncFolder(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  FileDescriptor dir{::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
  if (dir.fd < 0 || ::fsync(dir.fd) != 0) Fail("Cannot write", path, errno);
}

}  // namespace

void VerifyFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> expected) {
  FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) Fail("Cannot read back", path, errno);
  CompareReadBack(file.fd, offset, expected, path);
}

std::string DisplayPath(const std::filesystem::path& path) { return path.string(); }

std::filesystem::path ExecutableDirectory() {
  std::error_code error;
  const auto executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : executable.parent_path();
}

std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
  FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) Fail("Cannot open", path, errno);
  struct stat info {};
  if (::fstat(file.fd, &info) != 0) Fail("Cannot read", path, errno);
  if (S_ISDIR(info.st_mode)) Fail("Cannot read", path, EISDIR);
  // A device such as /dev/zero never ends: only files and pipes are read.
  if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
    throw Error("Cannot read \"" + DisplayPath(path) + "\": it is a device, not a file.");
  }
  std::vector<std::uint8_t> bytes;
  if (S_ISREG(info.st_mode)) bytes.reserve(static_cast<std::size_t>(info.st_size));
  std::uint8_t chunk[1 << 16];
  for (;;) {
    const ssize_t n = ::read(file.fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      Fail("Cannot read", path, errno);
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > kMaxFileSize) {
      throw Error("Cannot read \"" + DisplayPath(path) + "\": it is larger than 512 MiB.");
    }
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
  return bytes;
}

void WriteFileReplacing(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  // A device or pipe (such as /dev/stdout) is written into as it is; renaming
  // a file over it would replace the device itself.
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) Fail("Cannot write", path, EISDIR);
    FileDescriptor file{::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)};
    if (file.fd < 0) Fail("Cannot open", path, errno);
    WriteAll(file.fd, bytes, path);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) Fail("Cannot write", path, errno);
    return;
  }
  std::filesystem::path temporary = path;
  temporary += ".tmp-XXXXXX";
  std::string pattern = temporary.string();
  FileDescriptor file{::mkstemp(pattern.data())};
  if (file.fd < 0) Fail("Cannot create", path, errno);
  temporary = pattern;
  try {
    WriteAll(file.fd, bytes, path);
    SyncAndVerify(file.fd, 0, bytes, path);
    // mkstemp makes the file private; give it the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(file.fd, 0666 & ~mask);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) Fail("Cannot write", path, errno);
    if (std::rename(temporary.c_str(), path.c_str()) != 0) Fail("Cannot write", path, errno);
  } catch (...) {
    ::unlink(temporary.c_str());
    throw;
  }
  SyncFolder(path);
}

void WriteFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  FileDescriptor file{::open(path.c_str(), O_RDWR | O_CLOEXEC)};
  if (file.fd < 0) Fail("Cannot open", path, errno);
  if (::lseek(file.fd, static_cast<off_t>(offset), SEEK_SET) < 0) Fail("Cannot write", path, errno);
  WriteAll(file.fd, bytes, path);
  SyncAndVerify(file.fd, offset, bytes, path);
  const int fd = file.fd;
  file.fd = -1;
  if (::close(fd) != 0) Fail("Cannot write", path, errno);
}

}  // namespace tarvo
