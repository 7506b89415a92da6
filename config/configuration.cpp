#include "config/configuration.h"

#include <string>

#include "config/text_utils.h"

namespace tarvo {

namespace {

// A window must fit the codec's signed 16-bit state: base + 127 <= 0x7FFF.
constexpr std::int32_t kHighestBase = 0x7F80;

void HandleLine(std::string_view line, Configuration& config) {
  line = TrimSpaces(line);
  if (line.empty() || line.front() == ';') return;
  if (const auto comment = line.find(';'); comment != std::string_view::npos) {
    line = TrimTrailingSpaces(line.substr(0, comment));
  }

  auto separator = line.find(' ');
  if (separator == std::string_view::npos) separator = line.find('\t');
  if (separator == std::string_view::npos) return;
  const std::string key = UpperAscii(TrimTrailingSpaces(line.substr(0, separator)));
  const std::string_view value = TrimLeadingSpaces(line.substr(separator + 1));

  if (key == "PHONETYPE") {
    ParsePhoneType(value, config.PhoneTypes.emplace_back());
  } else if (key == "TRANS") {
    const auto items = SplitList(value);
    if (items.size() < 2) return;
    const std::int32_t selector = HexValue(items[0]);
    const std::int32_t base = HexValue(items[1]);
    // Values the codec cannot hold are skipped like any malformed line.
    if (selector > 0xFF || base > kHighestBase) return;
    config.Chars.Add({static_cast<std::uint8_t>(selector), base});
  }
}

}  // namespace

void CharTable::Add(CharTableEntry entry) {
  entries_.push_back(entry);
  if (!known_[entry.selector]) firstBase_[entry.selector] = entry.base;
  known_[entry.selector] = true;
  lastBase_[entry.selector] = entry.base;
  if (entry.base >= 0 && entry.base <= kHighestBase && entry.base % 128 == 0) {
    windowSelectors_[static_cast<std::size_t>(entry.base / 128)].push_back(entry.selector);
  }
}

const std::vector<std::uint8_t>& CharTable::SelectorsOfWindow(std::int32_t window) const {
  static const std::vector<std::uint8_t> none;
  if (window < 0 || window > kHighestBase || window % 128 != 0) return none;
  return windowSelectors_[static_cast<std::size_t>(window / 128)];
}

void LoadConfigurationText(std::string_view text, Configuration& config) {
  std::size_t start = 0;
  while (start < text.size()) {
    const auto end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) {
      HandleLine(text.substr(start), config);
      break;
    }
    HandleLine(text.substr(start, end - start), config);
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
}

bool IsUsable(const Configuration& config) { return !config.PhoneTypes.empty() && !config.Chars.Empty(); }

}  // namespace tarvo
