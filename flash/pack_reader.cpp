#include "flash/pack_reader.h"

#include <algorithm>

#include "config/error.h"
#include "flash/layout.h"

namespace tarvo {

namespace {

[[noreturn]] void Damaged(const std::string& what) { throw Error("The language pack is damaged: " + what); }

std::int32_t NonNegative(std::int32_t value, const char* what) {
  if (value < 0) Damaged(std::string(what) + " is negative (" + std::to_string(value) + ").");
  return value;
}

std::array<DictionaryEntryPlace, 256> PlaceDictionary(const PackView& pack, const LanguageTableEntry& entry) {
  std::array<DictionaryEntryPlace, 256> places{};
  for (int code = 0; code < 256; ++code) {
    const int length = code < entry.Thr[1] ? 1 : code < entry.Thr[2] ? 2 : code < entry.Thr[3] ? 3 : 4;
    const std::int64_t offset =
        entry.Off[length] + static_cast<std::int64_t>(code - entry.Thr[length - 1]) * length;
    DictionaryEntryPlace& place = places[code];
    place.Length = static_cast<std::uint8_t>(length);
    place.Overflows = offset < INT16_MIN || offset > INT16_MAX;
    place.Offset = static_cast<std::int32_t>(offset);
    place.Readable = !place.Overflows && pack.Contains(place.Offset, place.Length);
    if (place.Readable) {
      const auto bytes = pack.Bytes(place.Offset, place.Length, "a dictionary entry");
      std::copy(bytes.begin(), bytes.end(), place.Bytes.begin());
    }
  }
  return places;
}

// Throws the reason an entry cannot be read.
[[noreturn]] void Unreadable(const PackView& pack, const DictionaryEntryPlace& place, std::uint8_t code,
                             std::int32_t language) {
  if (place.Overflows) {
    Damaged("the dictionary entry of code " + std::to_string(code) + " in language " +
            std::to_string(language + 1) + " does not fit the pack's 16-bit offsets.");
  }
  pack.Outside(place.Offset, "a dictionary entry");
}

}  // namespace

PackContents ReadPack(const PackView& pack, const PhoneTypeRecord& type) {
  const auto signature = pack.Bytes(0, 4, "the pack signature");
  if (!std::equal(signature.begin(), signature.end(), kPackSignature.begin())) {
    Damaged("the signature BB BB 00 00 is missing at file offset " + HexText(pack.PackOffset()) + ".");
  }

  PackContents c;
  c.BlockCount = NonNegative(pack.Int16(type.BlockCountPos, "the block count"), "the block count");
  c.LangMapOffset =
      NonNegative(pack.Int16(type.LangMapOffsetPos, "the language map offset"), "the language map offset");
  c.LangTableOffset = NonNegative(pack.Int16(type.LangTableOffsetPos, "the language table offset"),
                                  "the language table offset");
  c.AllLangs = NonNegative(pack.Int16(type.AllLangsPos, "the number of languages"), "the number of languages");
  c.FirstLangId = pack.Int16(type.FirstLangIdPos, "the first LangId");
  c.StringIndexOffset = NonNegative(pack.Int16(type.StringIndexOffsetPos, "the string index offset"),
                                    "the string index offset");
  if (type.LangMapSize < 0) Damaged("the phone type's language map size is negative.");
  c.LangIdListOffset =
      type.LangIdListOffsetPos != 0
          ? NonNegative(pack.Int16(type.LangIdListOffsetPos, "the LangId list offset"), "the LangId list offset")
          : Offset16(std::int64_t{c.LangMapOffset} + type.LangMapSize, "the LangId list offset");
  if (type.MaxMsgIdPos != 0) {
    c.MaxMsgId = NonNegative(pack.Int16(type.MaxMsgIdPos, "the highest message number"),
                             "the highest message number");
  } else if (type.DefaultMaxMsgId < 0 || type.DefaultMaxMsgId > INT16_MAX) {
    Damaged("the phone type's default highest message number " + std::to_string(type.DefaultMaxMsgId) +
            " does not fit 16 bits.");
  } else {
    c.MaxMsgId = type.DefaultMaxMsgId;
  }
  // Every slot number must fit the pack's 16-bit slot arithmetic.
  if ((std::int64_t{c.MaxMsgId} + 1) * c.AllLangs > std::int64_t{INT16_MAX} + 1) {
    Damaged(std::to_string(c.AllLangs) + " languages of " + std::to_string(c.MaxMsgId + 1) +
            " messages exceed the 32768 slots a pack can number.");
  }

  const auto id = pack.Bytes(type.LgPackIdPos, kLgPackIdFieldSize, "the LgPackId field");
  const auto idEnd = std::find(id.begin(), id.end(), std::uint8_t{0});
  c.LgPackId.assign(id.begin(), idEnd);

  for (std::int32_t t = 1; t < c.BlockCount; ++t) {
    c.BlockTable.push_back(pack.UInt16(type.BlockTablePos + 2 * std::int64_t{t - 1}, "a block table entry"));
    c.BlockSearch.push_back(std::max(c.BlockTable.back(), c.BlockSearch.empty() ? 0 : c.BlockSearch.back()));
  }
  const auto map = pack.Bytes(c.LangMapOffset, type.LangMapSize, "the language map");
  c.LangMap.assign(map.begin(), map.end());

  for (std::int32_t i = 0; i < c.AllLangs; ++i) {
    const std::uint8_t langId = pack.Byte(c.LangIdListOffset + std::int64_t{i}, "the LangId list");
    if (langId == kLangIdListEnd) {
      Damaged("the LangId list ends after " + std::to_string(i) + " of " + std::to_string(c.AllLangs) +
              " languages.");
    }
    c.LangIds.push_back(langId);
  }

  for (std::int32_t i = 0; i < c.AllLangs; ++i) {
    const std::int32_t at =
        Offset16(std::int64_t{c.LangTableOffset} + std::int64_t{kLangTableEntrySize} * i, "a language table entry");
    LanguageTableEntry entry;
    for (int u = 1; u <= kMaxEntryLength; ++u) {
      entry.Off[u] = pack.Int16(at + OffFieldPos(u), "a language table entry");
      if (u > 1) entry.Thr[u - 1] = pack.Int16(at + ThrFieldPos(u), "a language table entry");
    }
    c.Languages.push_back(entry);
    c.Dictionaries.push_back(PlaceDictionary(pack, entry));
  }
  return c;
}

std::int64_t BlockOfSlot(const PackContents& c, std::int32_t slot) {
  return std::upper_bound(c.BlockSearch.begin(), c.BlockSearch.end(), slot) - c.BlockSearch.begin();
}

namespace {

// Where the record of `slot` lies in `block`: at the group's index entry,
// behind the records of the slots before it in the group.
std::int64_t RecordOfSlot(const PackView& pack, const PackContents& c, std::int32_t slot, std::int64_t block) {
  const std::int32_t group = slot / kSlotsPerGroup;
  const std::int32_t indexAt = Offset16(std::int64_t{c.StringIndexOffset} + 2 * std::int64_t{group},
                                        "a string index entry");
  std::int64_t s = block * kBlockSize + pack.UInt16(indexAt, "a string index entry");
  for (std::int32_t skip = 0; skip < slot % kSlotsPerGroup; ++skip) s += pack.Byte(s, "a string record");
  return s;
}

}  // namespace

std::vector<std::int64_t> StringRecords(const PackView& pack, const PackContents& c) {
  const std::int32_t slots = (c.MaxMsgId + 1) * c.AllLangs;
  std::vector<std::int64_t> records(static_cast<std::size_t>(slots));
  std::int64_t block = 0;
  for (std::int32_t slot = 0; slot < slots; ++slot) {
    // The running maximum rises along the slots, and so does the block.
    const std::int64_t previousBlock = block;
    while (block < std::ssize(c.BlockSearch) && c.BlockSearch[static_cast<std::size_t>(block)] <= slot) ++block;
    // The walk to the previous slot of the group in the same block reads
    // what the walk to this one reads first: it goes on from there.
    const auto at = static_cast<std::size_t>(slot);
    records[at] = slot % kSlotsPerGroup != 0 && block == previousBlock
                      ? records[at - 1] + pack.Byte(records[at - 1], "a string record")
                      : RecordOfSlot(pack, c, slot, block);
  }
  return records;
}

std::span<const std::uint8_t> ReadPackRecord(const PackView& pack, const PackContents& c, std::int32_t language,
                                             std::int64_t record, PackStringBuffer& buffer) {
  const std::uint8_t length = pack.Byte(record, "a string record");
  if (length <= 1) return {};
  const auto codes = pack.Bytes(record + 1, length - 1, "a string record");
  const auto& dictionary = c.Dictionaries[static_cast<std::size_t>(language)];
  // Once for every string of a decompile: each entry is copied as four
  // bytes, of which the next entry overwrites what is not its own.
  std::uint8_t* at = buffer.data();
  for (std::uint8_t code : codes) {
    const DictionaryEntryPlace& place = dictionary[code];
    if (!place.Readable) Unreadable(pack, place, code, language);
    std::copy(place.Bytes.begin(), place.Bytes.end(), at);
    at += place.Length;
  }
  return {buffer.data(), at};
}

std::span<const std::uint8_t> ReadPackString(const PackView& pack, const PackContents& c, std::int32_t language,
                                             std::int32_t message, PackStringBuffer& buffer) {
  const std::int32_t slot = c.AllLangs * message + language;
  return ReadPackRecord(pack, c, language, RecordOfSlot(pack, c, slot, BlockOfSlot(c, slot)), buffer);
}

void ReadPackString(const PackView& pack, const PackContents& c, std::int32_t language, std::int32_t message,
                    std::vector<std::uint8_t>& out) {
  PackStringBuffer buffer;
  const auto bytes = ReadPackString(pack, c, language, message, buffer);
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace tarvo
