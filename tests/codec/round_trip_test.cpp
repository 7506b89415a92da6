// Randomized check of what the codec guarantees: with one entry per window at
// a multiple of 128 (a base-0 entry among them) and the signature option off,
// decoding the encoding of text without "<" and control characters gives the
// text back.
#include <gtest/gtest.h>

#include <random>

#include "codec/decode.h"
#include "codec/encode.h"
#include "tests/support/text.h"

namespace tarvo {
namespace {

TEST(CodecRoundTrip, DecodingTheEncodingGivesTheTextBack) {
  const CharTable table =
      test::Table({{0x81, 0x400}, {0x80, 0}, {0x82, 0x80}, {0x83, 0x100}, {0x84, 0x380}, {0xA0, 0x7F80}});
  const std::int32_t windows[] = {0, 0x80, 0x100, 0x380, 0x400, 0x7F80};
  std::mt19937 random(12345);
  for (int round = 0; round < 2000; ++round) {
    std::u16string text;
    const int length = static_cast<int>(random() % 80);
    for (int i = 0; i < length; ++i) {
      const std::int32_t window = windows[random() % std::size(windows)];
      char16_t c = static_cast<char16_t>(window + random() % 128);
      if (window == 0 && (c < 0x20 || c == u'<')) c = u'x';
      text.push_back(c);
    }
    const EncodeResult encoded = EncodePhoneString(text, table);
    ASSERT_TRUE(encoded.Ok);
    ASSERT_EQ(DecodePhoneString(encoded.Bytes, table, false), text) << "round " << round;
  }
}

TEST(CodecRoundTrip, EscapesOfEveryByteComeBackAsThatByte) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x80, 0}});
  for (int byte = 1; byte < 256; ++byte) {
    const std::vector<std::uint8_t> raw{static_cast<std::uint8_t>(byte)};
    for (bool signatures : {false, true}) {
      const std::u16string text = DecodePhoneString(raw, table, signatures);
      if (text.empty()) continue;  // a known selector alone at the end shows in nothing
      EXPECT_EQ(EncodePhoneString(text, table).Bytes.back(), byte) << byte;
    }
  }
}

// A decompile gives the decoder room for four units a byte: bytes that make
// the rare rewrites ("<" that would read as an escape, silent selectors
// before it) must fit too, written where the room is.
TEST(CodecRoundTrip, EveryByteTakesAtMostFourUnits) {
  const CharTable table = test::Table({{0x81, 0x400}, {0x80, 0}});
  const std::uint8_t alphabet[] = {0x80, 0x81, 0x92, '<', '<', '4', '1', '>', 'A', 0x05};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::vector<std::uint8_t> bytes(random() % 40);
    for (std::uint8_t& byte : bytes) byte = alphabet[random() % std::size(alphabet)];
    for (bool signatures : {false, true}) {
      std::vector<char16_t> room(kMostUnitsPerPhoneByte * bytes.size());
      const char16_t* end = DecodePhoneString(bytes, table, signatures, room.data());
      ASSERT_LE(end - room.data(), std::ssize(room)) << "round " << round;
    }
  }
}

}  // namespace
}  // namespace tarvo
