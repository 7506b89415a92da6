// The system calls through which the file layer reaches the disk, and
// nothing else. They stand in a translation unit of their own so that the
// fault tests can link a replacement that fails the k-th call with a chosen
// errno. A link-time seam keeps the program itself free of any switch or
// global that only tests would use, and needs no file-system object passed
// through every command. Each behaves as the call it is named after.
#pragma once

#include <sys/types.h>

#include <cstddef>

namespace tarvo::sys {

int Open(const char* path, int flags, mode_t mode = 0);
int MakeTemporary(char* pattern);  // mkstemp: creates and opens a new file
ssize_t Read(int fd, void* buffer, std::size_t size);
ssize_t ReadAt(int fd, void* buffer, std::size_t size, off_t offset);
ssize_t Write(int fd, const void* buffer, std::size_t size);
int Flush(int fd);  // fsync
int Rename(const char* from, const char* to);
int Remove(const char* path);  // unlink

}  // namespace tarvo::sys
