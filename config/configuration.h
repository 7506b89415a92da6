// The configuration file tarvo.ini: the phone-type table and the character
// table between the phone's 8-bit text scheme and UTF-16.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "config/phone_type.h"

namespace tarvo {

struct CharTableEntry {
  std::uint8_t selector = 0;  // phone byte that selects a window
  std::int32_t base = 0;      // UTF-16 code at which the window starts
};

// The character table in file order, with lookups that both directions of
// the codec need, kept up to date as entries are added.
class CharTable {
 public:
  void Add(CharTableEntry entry);
  const std::vector<CharTableEntry>& Entries() const { return entries_; }
  bool Empty() const { return entries_.empty(); }

  // The base of the last entry with this selector, if any (the decoder's rule).
  bool Knows(std::uint8_t selector) const { return known_[selector]; }
  std::int32_t LastBase(std::uint8_t selector) const { return lastBase_[selector]; }
  // The base of the first entry with this selector (the encoder's escape rule).
  std::int32_t FirstBase(std::uint8_t selector) const { return firstBase_[selector]; }
  // Selectors of every entry whose base is `window`, in table order.
  const std::vector<std::uint8_t>& SelectorsOfWindow(std::int32_t window) const;

 private:
  std::vector<CharTableEntry> entries_;
  std::array<bool, 256> known_{};
  std::array<std::int32_t, 256> lastBase_{};
  std::array<std::int32_t, 256> firstBase_{};
  std::array<std::vector<std::uint8_t>, 256> windowSelectors_{};  // by base / 128
};

// Everything tarvo.ini holds. The caller owns it and passes it on.
struct Configuration {
  std::vector<PhoneTypeRecord> PhoneTypes;
  CharTable Chars;
};

// Appends the entries of the configuration text to both tables. Lines end at
// CR LF, a lone CR or a lone LF.
void LoadConfigurationText(std::string_view text, Configuration& config);

// Reads the configuration file at `path` and appends its entries. A file of
// 0 bytes is deleted; a missing one is left missing. Both leave the tables
// as they were.
void LoadConfiguration(const std::filesystem::path& path, Configuration& config);

// The configuration file to read: tarvo.ini in the working directory when
// there is one (even an empty one, which loading then deletes), otherwise the
// default installed with the program, ../share/tarvo/tarvo.ini from the
// folder of its executable.
std::filesystem::path FindConfiguration(const std::filesystem::path& executableDir);

// True when both tables hold at least one entry.
bool IsUsable(const Configuration& config);

}  // namespace tarvo
