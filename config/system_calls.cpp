#include "config/system_calls.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

namespace tarvo::sys {

int Open(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int MakeTemporary(char* pattern) { return ::mkstemp(pattern); }
ssize_t Read(int fd, void* buffer, std::size_t size) { return ::read(fd, buffer, size); }
ssize_t ReadAt(int fd, void* buffer, std::size_t size, off_t offset) {
  return ::pread(fd, buffer, size, offset);
}
ssize_t Write(int fd, const void* buffer, std::size_t size) { return ::write(fd, buffer, size); }
int Flush(int fd) { return ::fsync(fd); }
int Rename(const char* from, const char* to) { return std::rename(from, to); }
int Remove(const char* path) { return ::unlink(path); }

}  // namespace tarvo::sys
