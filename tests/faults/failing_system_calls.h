// The fault tests' replacement of the file layer's system calls: each call
// is counted, and the one chosen fails with a chosen errno, as a disk that is
// full, broken or out of reach would make it fail.
#pragma once

#include <string>

namespace tarvo::test {

struct InjectedFault {
  std::string Operation;  // "open", "read", "write", "flush", "rename" or "remove"
  std::string Path;       // the file the call was made on
};

// From now on, counting from 1, call number `call` fails with `error`; 0
// lets every call through.
void FailCall(int call, int error);

// The calls made since FailCall, and the fault injected, if any.
int CallsMade();
const InjectedFault* Injected();

}  // namespace tarvo::test
