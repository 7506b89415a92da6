// Linked in place of config/system_calls.cpp: the linker takes these
// definitions and never pulls the program's own from the core library.
#include "tests/faults/failing_system_calls.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <optional>

#include "config/system_calls.h"

namespace tarvo::test {
namespace {

// The seam's state: one command runs at a time in a test.
struct Seam {
  int failAt = 0;
  int error = 0;
  int calls = 0;
  std::optional<InjectedFault> injected;
  std::map<int, std::string> paths;  // of the open descriptors
};
Seam seam;

// Counts the call and tells whether it is the one to fail (errno set).
bool Fails(const char* operation, const std::string& path) {
  if (++seam.calls != seam.failAt) return false;
  seam.injected = InjectedFault{operation, path};
  errno = seam.error;
  return true;
}

std::string PathOf(int fd) {
  const auto it = seam.paths.find(fd);
  return it == seam.paths.end() ? std::string() : it->second;
}

int Opened(int fd, const char* path) {
  if (fd >= 0) seam.paths[fd] = path;
  return fd;
}

}  // namespace

void FailCall(int call, int error) { seam = Seam{call, error, 0, std::nullopt, {}}; }
int CallsMade() { return seam.calls; }
const InjectedFault* Injected() { return seam.injected ? &*seam.injected : nullptr; }

}  // namespace tarvo::test

namespace tarvo::sys {

using test::Fails;
using test::PathOf;

int Open(const char* path, int flags, mode_t mode) {
  return Fails("open", path) ? -1 : test::Opened(::open(path, flags, mode), path);
}
int MakeTemporary(char* pattern) {
  return Fails("open", pattern) ? -1 : test::Opened(::mkstemp(pattern), pattern);
}
ssize_t Read(int fd, void* buffer, std::size_t size) {
  return Fails("read", PathOf(fd)) ? -1 : ::read(fd, buffer, size);
}
ssize_t ReadAt(int fd, void* buffer, std::size_t size, off_t offset) {
  return Fails("read", PathOf(fd)) ? -1 : ::pread(fd, buffer, size, offset);
}
ssize_t Write(int fd, const void* buffer, std::size_t size) {
  return Fails("write", PathOf(fd)) ? -1 : ::write(fd, buffer, size);
}
int Flush(int fd) { return Fails("flush", PathOf(fd)) ? -1 : ::fsync(fd); }
int Rename(const char* from, const char* to) { return Fails("rename", to) ? -1 : std::rename(from, to); }
int Remove(const char* path) { return Fails("remove", path) ? -1 : ::unlink(path); }

}  // namespace tarvo::sys
