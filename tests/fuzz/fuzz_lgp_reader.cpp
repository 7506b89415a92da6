// Fuzz target: any bytes as an .lgp text file, read and checked.
#include <cstddef>
#include <cstdint>

#include "compile/lgp_checks.h"
#include "compile/lgp_file.h"
#include "config/error.h"
#include "tests/fuzz/fuzz_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const tarvo::Configuration config = tarvo::fuzz::Configuration();
  tarvo::LgpFile lgp;
  try {
    if (tarvo::ReadLgpFile({data, size}, config.Chars, lgp) == tarvo::LgpReadStatus::Read) {
      tarvo::CheckDataModel(lgp);
    }
  } catch (const tarvo::Error&) {
    // Refused with a message.
  }
  return 0;
}
