// Fuzz target: any bytes as a flash image and as a language file, through
// identification and the reading of every string of the pack.
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/decode.h"
#include "config/error.h"
#include "flash/identify.h"
#include "flash/pack_reader.h"
#include "tests/fuzz/fuzz_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  for (const char* path : {"fuzz.bin", "fuzz.lng"}) {
    const tarvo::Configuration config = tarvo::fuzz::Configuration();
    const tarvo::Identification id = tarvo::IdentifyFlash(file, path, config, true);
    if (id.TypeIndex < 0) continue;
    const tarvo::PhoneTypeRecord& type = id.Type;
    try {
      const tarvo::PackView pack(file, type.PackOffset);
      const tarvo::PackContents contents = tarvo::ReadPack(pack, type);
      std::vector<std::uint8_t> bytes;
      for (std::int32_t l = 0; l < contents.AllLangs; ++l) {
        for (std::int32_t m = 0; m <= contents.MaxMsgId; ++m) {
          bytes.clear();
          tarvo::ReadPackString(pack, contents, l, m, bytes);
          tarvo::DecodePhoneString(bytes, config.Chars, (l + m) % 2 == 0);
        }
      }
    } catch (const tarvo::Error&) {
      // A damaged pack is reported; that is all that may happen.
    }
  }
  return 0;
}
