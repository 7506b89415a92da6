// Fuzz target: any bytes as the configuration file.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "codec/decode.h"
#include "codec/encode.h"
#include "config/configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  tarvo::Configuration config;
  tarvo::LoadConfigurationText({reinterpret_cast<const char*>(data), size}, config);
  // Whatever the table holds, both directions of the codec cope with it.
  const std::u16string text = tarvo::DecodePhoneString({data, size}, config.Chars, true);
  tarvo::EncodePhoneString(text, config.Chars);
  return 0;
}
