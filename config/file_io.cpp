#include "config/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

}  // namespace

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
    if (::fsync(file.fd) != 0) Fail("Cannot write", path, errno);
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
}

void WriteFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  FileDescriptor file{::open(path.c_str(), O_WRONLY | O_CLOEXEC)};
  if (file.fd < 0) Fail("Cannot open", path, errno);
  if (::lseek(file.fd, static_cast<off_t>(offset), SEEK_SET) < 0) Fail("Cannot write", path, errno);
  WriteAll(file.fd, bytes, path);
  if (::fsync(file.fd) != 0) Fail("Cannot write", path, errno);
  const int fd = file.fd;
  file.fd = -1;
  if (::close(fd) != 0) Fail("Cannot write", path, errno);
}

}  // namespace tarvo
