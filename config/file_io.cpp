#include "config/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>

#include "config/error.h"
#include "config/system_calls.h"

namespace tarvo {

namespace {

// No flash image or text file comes near this; a larger input is a mistake.
constexpr std::size_t kMaxFileSize = std::size_t{512} << 20;

// The new content of a file is written beside it under its name, this mark
// and six random characters (mkstemp's pattern) before it is renamed over it.
constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::string_view kTemporaryRandom = "XXXXXX";

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
    const ssize_t n = sys::Write(fd, bytes.data() + done, bytes.size() - done);
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
    const ssize_t n = sys::ReadAt(fd, read.data(), want, static_cast<off_t>(offset + done));
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
  if (sys::Flush(fd) != 0) Fail("Cannot write", path, errno);
  ::posix_fadvise(fd, static_cast<off_t>(offset), static_cast<off_t>(expected.size()), POSIX_FADV_DONTNEED);
  CompareReadBack(fd, offset, expected, path);
}

// The folder of `path`, opened to be flushed so that a file renamed into it
// stays there. It is opened before the rename, so that after the rename only
// the flush itself can fail.
int OpenFolder(const std::filesystem::path& path, const std::filesystem::path& shownPath) {
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";
  const int fd = sys::Open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) Fail("Cannot write", shownPath, errno);
  return fd;
}

// Removes the temporary files of WriteFileReplacing left beside `path`. Only
// for a caller that holds the lock of `path`, so none of them is in use.
void RemoveStaleTemporaries(const std::filesystem::path& path) {
  std::error_code error;
  std::filesystem::path target = path;
  if (std::filesystem::is_symlink(path, error)) target = std::filesystem::canonical(path, error);
  if (error) return;
  const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
  const std::string prefix = target.filename().string() + std::string(kTemporaryMark);
  const std::size_t length = prefix.size() + kTemporaryRandom.size();
  for (auto it = std::filesystem::directory_iterator(folder, error);
       !error && it != std::filesystem::directory_iterator(); it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.size() == length && name.starts_with(prefix) && it->is_regular_file(error)) {
      sys::Remove(it->path().c_str());
    }
  }
}

}  // namespace

void VerifyFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> expected) {
  FileDescriptor file{sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC)};
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
  FileDescriptor file{sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC)};
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
    const ssize_t n = sys::Read(file.fd, chunk, sizeof chunk);
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
  const bool exists = ::stat(path.c_str(), &info) == 0;
  if (exists && !S_ISREG(info.st_mode)) {
    if (S_ISDIR(info.st_mode)) Fail("Cannot write", path, EISDIR);
    FileDescriptor file{sys::Open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC)};
    if (file.fd < 0) Fail("Cannot open", path, errno);
    WriteAll(file.fd, bytes, path);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) Fail("Cannot write", path, errno);
    return;
  }
  // A symbolic link stays one: the file it points to is replaced.
  std::filesystem::path target = path;
  std::error_code error;
  if (exists && std::filesystem::is_symlink(path, error)) target = std::filesystem::canonical(path, error);
  if (error) target = path;

  std::string pattern = target.string();
  pattern.append(kTemporaryMark).append(kTemporaryRandom);
  FileDescriptor file{sys::MakeTemporary(pattern.data())}, folder;
  if (file.fd < 0) Fail("Cannot create", path, errno);
  const std::filesystem::path temporary = pattern;
  try {
    // mkstemp makes the file private: give it the old file's permissions and
    // owner, or the usual ones for a new file.
    if (exists) {
      if (::fchown(file.fd, info.st_uid, info.st_gid) != 0) {
        // Another owner or group may be out of reach; the file then stays ours.
      }
      ::fchmod(file.fd, info.st_mode & 07777);
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      ::fchmod(file.fd, 0666 & ~mask);
    }
    WriteAll(file.fd, bytes, path);
    SyncAndVerify(file.fd, 0, bytes, path);
    const int fd = file.fd;
    file.fd = -1;
    if (::close(fd) != 0) Fail("Cannot write", path, errno);
    folder.fd = OpenFolder(target, path);
    if (sys::Rename(temporary.c_str(), target.c_str()) != 0) Fail("Cannot write", path, errno);
  } catch (...) {
    sys::Remove(temporary.c_str());
    throw;
  }
  // The new file is in place from here on; a failure only tells that it may
  // not outlast a power loss.
  if (sys::Flush(folder.fd) != 0) Fail("Cannot write", path, errno);
}

void WriteFileChanged(const std::filesystem::path& path, std::span<const std::uint8_t> content,
                      std::size_t first, std::size_t end) {
  std::error_code error;
  if (std::filesystem::is_regular_file(path, error)) {
    // A file that could not be written into in place is not replaced either.
    FileDescriptor writable{sys::Open(path.c_str(), O_WRONLY | O_CLOEXEC)};
    if (writable.fd < 0) Fail("Cannot open", path, errno);
    WriteFileReplacing(path, content);
  } else {
    WriteFileAt(path, first, content.subspan(first, end - first));
  }
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileLock::~FileLock() {
  if (fd_ >= 0) ::close(fd_);
}

FileLock LockForWriting(const std::filesystem::path& path) {
  FileLock lock;
  // A writer may replace the file between our open and our lock: the lock
  // then holds a file that no longer has the name, and is taken again.
  for (int attempt = 0; attempt < 8; ++attempt) {
    FileDescriptor file{sys::Open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.fd < 0) {
      // A new file is no one's yet; other failures show when it is read or written.
      if (errno == ENOENT) return lock;
      Fail("Cannot open", path, errno);
    }
    if (::flock(file.fd, LOCK_EX | LOCK_NB) != 0) {
      // A file system without locks (some network shares) is written unlocked, as before.
      if (errno == ENOLCK || errno == EOPNOTSUPP || errno == EINVAL) return lock;
      if (errno == EWOULDBLOCK) {
        throw Error("Cannot write \"" + DisplayPath(path) +
                    "\": another compile is writing into it. Nothing has been written; try again when it has "
                    "finished.");
      }
      Fail("Cannot lock", path, errno);
    }
    struct stat locked {};
    struct stat named {};
    if (::fstat(file.fd, &locked) != 0) Fail("Cannot lock", path, errno);
    if (::stat(path.c_str(), &named) == 0 && named.st_dev == locked.st_dev && named.st_ino == locked.st_ino) {
      lock.fd_ = std::exchange(file.fd, -1);
      if (S_ISREG(named.st_mode)) RemoveStaleTemporaries(path);
      return lock;
    }
  }
  throw Error("Cannot write \"" + DisplayPath(path) + "\": it is being replaced again and again.");
}

void WriteFileAt(const std::filesystem::path& path, std::uint64_t offset, std::span<const std::uint8_t> bytes) {
  FileDescriptor file{sys::Open(path.c_str(), O_RDWR | O_CLOEXEC)};
  if (file.fd < 0) Fail("Cannot open", path, errno);
  if (::lseek(file.fd, static_cast<off_t>(offset), SEEK_SET) < 0) Fail("Cannot write", path, errno);
  WriteAll(file.fd, bytes, path);
  SyncAndVerify(file.fd, offset, bytes, path);
  const int fd = file.fd;
  file.fd = -1;
  if (::close(fd) != 0) Fail("Cannot write", path, errno);
}

}  // namespace tarvo
