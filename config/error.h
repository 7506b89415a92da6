// The one error type of the core: a message fit to show the user as it is
// (it names the file, offset, line or value that is wrong).
#pragma once

#include <stdexcept>
#include <string>

namespace tarvo {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace tarvo
