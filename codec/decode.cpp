#include "codec/decode.h"

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "codec/encode.h"

namespace tarvo {

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

// Writes "<XX>" at `at` and returns the position after it.
char16_t* PutEscape(std::uint8_t byte, char16_t* at) {
  *at++ = u'<';
  *at++ = static_cast<char16_t>(kDigits[byte >> 4]);
  *at++ = static_cast<char16_t>(kDigits[byte & 0x0F]);
  *at++ = u'>';
  return at;
}

void AppendEscape(std::uint8_t byte, std::u16string& out) {
  char16_t escape[4];
  PutEscape(byte, escape);
  out.append(escape, 4);
}

// Selectors from 0x91 up that the table does not know put the decoder into
// a state where bytes stand for themselves.
constexpr std::uint8_t kFirstResettingSelector = 0x91;

// Units below this are control characters: a text line cannot carry them
// (a CR LF pair would end it), so they are always written as escapes.
constexpr std::int32_t kFirstPrintableUnit = 0x20;

// A "<" written as a character, the phone byte it came from, and the known
// selector right before that byte when it was left out (0 if none).
struct PlainLessThan {
  std::size_t at;
  std::uint8_t byte;
  std::uint8_t silentSelector;
};

// A known selector that was left out of the text although it changed the
// window, and where it would stand.
struct SilentSelector {
  std::size_t at = SIZE_MAX;
  std::uint8_t byte = 0;
};

}  // namespace

char16_t* DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table, bool saveSignatures,
                            char16_t* const first) {
  // Decoded through a pointer (this runs for every string of a decompile),
  // and rewritten below in the rare string with a plain "<".
  char16_t* text = first;
  std::vector<PlainLessThan> lessThans;
  SilentSelector silentSelector;

  // 0: bytes stand for themselves; -1: after an unknown selector of 0x91 or
  // above; positive: the start of the active window.
  std::int32_t base = 0;
  const std::uint8_t* const in = bytes.data();
  const std::size_t size = bytes.size();
  for (std::size_t i = 0; i < size; ++i) {
    // Most of a string is a run of printable characters of one window: a
    // loop of its own, with little to keep in registers.
    const std::int32_t window = base > 0 ? base : 0;
    while (i < size && in[i] < 0x80) {
      const std::int32_t unit = window + in[i];
      if (unit < kFirstPrintableUnit || unit == u'<') break;
      *text++ = static_cast<char16_t>(unit);
      ++i;
    }
    if (i == size) break;
    const std::uint8_t b = in[i];
    if (b < 0x80) {
      const std::int32_t unit = base > 0 ? base + b : b;
      if (unit < kFirstPrintableUnit) {
        text = PutEscape(b, text);
      } else {
        if (unit == u'<') {
          const auto at = static_cast<std::size_t>(text - first);
          const bool behindSelector = silentSelector.at == at && i > 0 && bytes[i - 1] > 0x7F;
          lessThans.push_back({at, b, behindSelector ? silentSelector.byte : std::uint8_t{0}});
        }
        *text++ = static_cast<char16_t>(unit);
      }
      continue;
    }

    const std::int32_t previousBase = base;
    if (b >= kFirstResettingSelector) base = -1;
    const bool found = table.Knows(b);
    if (found) base = table.LastBase(b);
    // Every selector that is kept is an escape, and so is every unknown one,
    // and one behind an unknown selector of 0x91 or above.
    if (saveSignatures || !found || previousBase < 0) {
      text = PutEscape(b, text);
      continue;
    }
    const std::uint8_t next = i + 1 < bytes.size() ? bytes[i + 1] : 0;
    // Whether the next byte, if it is a character byte, is written as an
    // escape because its unit would be a control character.
    const bool nextIsControl = next < 0x20 && base >= 0 && base + next < kFirstPrintableUnit;

    // A known selector shows in the following characters; it needs an escape
    // only where it would otherwise be lost on the way back. That includes a
    // selector right behind a known one (an escape then) that leaves the
    // window as it was or ends the string: written back without it, the
    // escape before it would have a character behind it, or end the string,
    // and read as silent.
    const bool afterKnownSelector = i > 0 && bytes[i - 1] > 0x7F && table.Knows(bytes[i - 1]);
    const bool showsNothing = afterKnownSelector && (base == previousBase || i + 1 == bytes.size());
    if (next > 0x7F || nextIsControl || showsNothing) {
      text = PutEscape(b, text);
    } else if (base != previousBase) {
      silentSelector = {static_cast<std::size_t>(text - first), b};
    }
  }

  // A "<" that would read back as the start of an escape is written as the
  // escape of its own byte, so that it comes back as that byte. An escape
  // takes no window on the way back, so a selector left out right before it
  // that changed the window becomes an escape too. Each of the two bytes
  // then takes an escape's four units, the most any byte takes.
  if (lessThans.empty()) return text;
  const std::u16string decoded(first, text);
  std::u16string out;
  out.reserve(decoded.size() + 7 * lessThans.size());
  auto lessThan = lessThans.begin();
  for (std::size_t at = 0; at < decoded.size(); ++at) {
    if (lessThan != lessThans.end() && lessThan->at == at) {
      if (EscapeAt(decoded, at) != 0) {  // the "<" would read back as an escape
        if (lessThan->silentSelector != 0) AppendEscape(lessThan->silentSelector, out);
        AppendEscape(lessThan->byte, out);
        ++lessThan;
        continue;
      }
      ++lessThan;
    }
    out.push_back(decoded[at]);
  }
  if (out.size() > kMostUnitsPerPhoneByte * bytes.size()) throw std::logic_error("A decoded text overran its room.");
  return std::copy(out.begin(), out.end(), first);
}

void DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table, bool saveSignatures,
                       std::u16string& out) {
  const std::size_t start = out.size();
  out.resize(start + kMostUnitsPerPhoneByte * bytes.size());
  const char16_t* const end = DecodePhoneString(bytes, table, saveSignatures, out.data() + start);
  out.resize(static_cast<std::size_t>(end - out.data()));
}

std::u16string DecodePhoneString(std::span<const std::uint8_t> bytes, const CharTable& table,
                                 bool saveSignatures) {
  std::u16string text;
  DecodePhoneString(bytes, table, saveSignatures, text);
  return text;
}

}  // namespace tarvo
