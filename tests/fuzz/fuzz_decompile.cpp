// Fuzz target: any bytes as a flash image and as a language file, through
// identification and the reading of every string of the pack, string by
// string; the decompile refuses what that reading refuses, and otherwise
// writes each string's line as the writer makes it of that string's text.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "codec/decode.h"
#include "config/error.h"
#include "decompile/decompile_command.h"
#include "flash/identify.h"
#include "flash/pack_reader.h"
#include "lgp/lgp_writer.h"
#include "tests/fuzz/fuzz_config.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> file(data, size);
  for (const char* path : {"fuzz.bin", "fuzz.lng"}) {
    const tarvo::Configuration config = tarvo::fuzz::Configuration();
    const tarvo::Identification id = tarvo::IdentifyFlash(file, path, config, true);
    if (id.TypeIndex < 0) continue;
    const tarvo::PhoneTypeRecord& type = id.Type;
    const bool signatures = size % 2 == 0, hex = size % 3 == 0;
    std::vector<std::vector<std::uint8_t>> lines;
    bool refused = false;
    try {
      const tarvo::PackView pack(file, type.PackOffset);
      const tarvo::PackContents contents = tarvo::ReadPack(pack, type);
      std::vector<std::uint8_t> bytes;
      for (std::int32_t l = 0; l < contents.AllLangs; ++l) {
        for (std::int32_t m = 0; m <= contents.MaxMsgId; ++m) {
          bytes.clear();
          tarvo::ReadPackString(pack, contents, l, m, bytes);
          tarvo::LgpWriter line;
          line.StringLine(m, hex, tarvo::DecodePhoneString(bytes, config.Chars, signatures));
          lines.emplace_back(line.Bytes().begin() + 2, line.Bytes().end());  // without the byte order mark
        }
      }
    } catch (const tarvo::Error&) {
      // A damaged pack is reported; that is all that may happen.
      refused = true;
    }
    std::vector<std::uint8_t> lgp;
    try {
      tarvo::DecompileOptions options;
      options.SaveLangSignatures = signatures;
      options.HexStringNumbers = [hex] { return hex; };
      lgp = tarvo::DecompileImage(file, path, config, options);
    } catch (const tarvo::Error&) {
      if (!refused) __builtin_trap();
      continue;
    }
    if (refused) __builtin_trap();
    auto from = lgp.begin();
    for (const auto& line : lines) {
      from = std::search(from, lgp.end(), line.begin(), line.end());
      if (from == lgp.end()) __builtin_trap();
      from += static_cast<std::ptrdiff_t>(line.size());
    }
  }
  return 0;
}
