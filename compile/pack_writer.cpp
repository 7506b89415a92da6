#include "compile/pack_writer.h"

#include <algorithm>
#include <string>

#include "flash/layout.h"
#include "flash/pack_view.h"

namespace tarvo {

namespace {

// Bounds-checked writes at offsets from P; remembers the range written.
class PackCanvas {
 public:
  PackCanvas(std::vector<std::uint8_t>& file, std::int64_t p, bool grow) : file_(file), p_(p), grow_(grow) {}

  void Bytes(std::int64_t offset, std::span<const std::uint8_t> bytes) {
    const std::int64_t at = p_ + offset;
    const std::int64_t end = at + static_cast<std::int64_t>(bytes.size());
    if (offset < 0) throw Error("The phone type places a pack field before the pack's start.");
    if (end > static_cast<std::int64_t>(file_.size())) {
      if (!grow_) {
        throw Error("The flash file is too short for this phone type: the pack reaches file offset " +
                    HexText(end - 1) + ", but the file has only " + std::to_string(file_.size()) + " bytes.");
      }
      file_.resize(static_cast<std::size_t>(end), 0);
    }
    std::copy(bytes.begin(), bytes.end(), file_.begin() + at);
    range_.First = std::min(range_.First, offset);
    range_.End = std::max(range_.End, offset + static_cast<std::int64_t>(bytes.size()));
  }
  void Byte(std::int64_t offset, std::uint8_t value) { Bytes(offset, {&value, 1}); }
  void Int16(std::int64_t offset, std::int32_t value) {
    const std::uint8_t bytes[] = {static_cast<std::uint8_t>(value & 0xFF), static_cast<std::uint8_t>((value >> 8) & 0xFF)};
    Bytes(offset, bytes);
  }
  void Int32(std::int64_t offset, std::int64_t value) {
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>((value >> (8 * i)) & 0xFF);
    Bytes(offset, bytes);
  }
  std::span<const std::uint8_t> Pack(std::int64_t length) const {
    return {file_.data() + p_, static_cast<std::size_t>(length)};
  }
  WrittenRange Range() const { return range_; }

 private:
  std::vector<std::uint8_t>& file_;
  std::int64_t p_;
  bool grow_;
  WrittenRange range_{INT64_MAX, 0};
};

std::int32_t Fit16(std::int64_t value, const char* what) {
  if (value > kMaxHeaderOffset) {
    throw Error(std::string("The pack is too large for its 16-bit header: ") + what + " would lie at offset " +
                std::to_string(value) + ", beyond 32767.");
  }
  return static_cast<std::int32_t>(value);
}

// Dictionaries, with all seven fields of each language table entry.
std::int64_t WriteDictionaries(PackCanvas& canvas, const PackPlacement& at,
                               std::span<const PackedLanguage> languages) {
  std::int64_t d = at.D0;
  for (std::size_t i = 0; i < languages.size(); ++i) {
    const Dictionary& dictionary = languages[i].Dict;
    const std::int64_t entry = at.R + kLangTableEntrySize * static_cast<std::int64_t>(i);
    canvas.Int16(entry + OffFieldPos(1), static_cast<std::int32_t>(d));
    // Every length class gets its first code and offset, an empty one too,
    // so that no stale bytes stand in a class field.
    std::int64_t offset = d;
    std::int32_t firstCode = 0;
    for (int length = 2; length <= kMaxEntryLength; ++length) {
      firstCode += dictionary.ClassSize[static_cast<std::size_t>(length - 1)];
      offset += static_cast<std::int64_t>(dictionary.ClassSize[static_cast<std::size_t>(length - 1)]) * (length - 1);
      canvas.Int16(entry + ThrFieldPos(length), firstCode);
      canvas.Int16(entry + OffFieldPos(length), static_cast<std::int32_t>(offset));
    }
    for (const PhoneBytes& e : dictionary.Entries) {
      if (e.empty()) break;
      canvas.Bytes(d, e);
      d += static_cast<std::int64_t>(e.size());
    }
  }
  return d;
}

}  // namespace

PackPlacement PlacePack(const PhoneTypeRecord& type, std::int32_t languages, std::int32_t maxMsgId) {
  PackPlacement at;
  at.T = Fit16(std::int64_t{BlockTableRoom(type)} * 2 + type.BlockTablePos, "the language map");
  at.L = Fit16(std::int64_t{at.T} + type.LangMapSize, "the LangId list");
  at.R = Fit16(std::int64_t{at.L} + languages + (at.L + languages) % 2, "the language table");
  at.G = Fit16(std::int64_t{at.R} + std::int64_t{kLangTableEntrySize} * languages, "the string index");
  const std::int64_t slots = (std::int64_t{maxMsgId} + 1) * languages;
  at.D0 = Fit16(at.G + (slots / kSlotsPerGroup + 1) * 2, "the first dictionary");
  return at;
}

std::int64_t PackStart(const LgpFile& lgp) {
  return lgp.PhoneType.IsLangFile ? static_cast<std::int64_t>(lgp.SL4xLangName.size()) + 1
                                  : lgp.PhoneType.PackOffset;
}

std::string TablesPastFirstBlockText(std::int64_t dictionariesEnd) {
  return "The header, tables and dictionaries end at offset " + std::to_string(dictionariesEnd) +
         ", beyond the first 16 KB block (16383): too many languages or messages for one pack.";
}

PackMeasure MeasurePack(const LgpFile& lgp, std::span<const PackedLanguage> languages) {
  const std::int32_t nL = lgp.AllLangs;
  const PackPlacement at = PlacePack(lgp.PhoneType, nL, lgp.MaxMsgId);
  PackMeasure measure;
  measure.SizeLimit = lgp.PhoneType.PackSizeLimit;
  measure.DictionariesEnd = at.D0;
  for (const PackedLanguage& language : languages) {
    for (const PhoneBytes& e : language.Dict.Entries) measure.DictionariesEnd += static_cast<std::int64_t>(e.size());
  }
  // The same groups and block starts as the writer's.
  std::int64_t s = measure.DictionariesEnd;
  std::int32_t block = 0;
  const std::int64_t slots = (std::int64_t{lgp.MaxMsgId} + 1) * nL;
  for (std::int64_t k = 0; k < slots; k += kSlotsPerGroup) {
    std::int64_t groupLength = 0;
    for (std::int64_t j = k; j < std::min(k + kSlotsPerGroup, slots); ++j) {
      groupLength += static_cast<std::int64_t>(
                         languages[static_cast<std::size_t>(j % nL)].Packed[static_cast<std::size_t>(j / nL)].size()) +
                     1;
    }
    if ((s + groupLength) / kBlockSize > s / kBlockSize) s = std::int64_t{++block} * kBlockSize;
    s += groupLength;
  }
  measure.Length = s;
  measure.Blocks = block + 1;
  return measure;
}

std::uint8_t XorChecksum(std::span<const std::uint8_t> bytes) {
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum ^= b;
  return sum;
}

WrittenRange WritePack(std::vector<std::uint8_t>& file, bool grow, const LgpFile& lgp,
                       std::span<const PackedLanguage> languages, const std::function<void()>& afterMessage) {
  const PhoneTypeRecord& type = lgp.PhoneType;
  const std::int32_t nL = lgp.AllLangs;
  const std::int32_t M = lgp.MaxMsgId;
  const PackPlacement at = PlacePack(type, nL, M);
  const std::int64_t p = PackStart(lgp);
  if (type.IsLangFile) {
    file.assign(lgp.SL4xLangName.begin(), lgp.SL4xLangName.end());
    file.push_back(0);
  }
  PackCanvas canvas(file, p, grow);

  // The whole signature: where an image already holds a pack its last two
  // bytes are 00 00 anyway, and a pack written where there was none is only
  // found again with them.
  canvas.Bytes(0, kPackSignature);
  canvas.Int16(type.LangMapOffsetPos, at.T);
  canvas.Int16(type.LangTableOffsetPos, at.R);
  if (type.LangIdListOffsetPos != 0) canvas.Int16(type.LangIdListOffsetPos, at.L);
  canvas.Int16(type.AllLangsPos, nL);
  canvas.Int16(type.FirstLangIdPos, lgp.LangIds[0]);
  canvas.Int16(type.StringIndexOffsetPos, at.G);
  canvas.Int16(std::int64_t{type.LgPackIdPos} - kBlockSizeFieldBeforeLgPackId, kBlockSize);
  std::vector<std::uint8_t> id(lgp.LgPackId.begin(), lgp.LgPackId.end());
  id.push_back(0);
  id.resize(kLgPackIdFieldSize, kGapFill);
  canvas.Bytes(type.LgPackIdPos, id);
  if (type.MaxMsgIdPos != 0) canvas.Int16(type.MaxMsgIdPos, M);

  canvas.Bytes(at.T, std::vector<std::uint8_t>(static_cast<std::size_t>(type.LangMapSize), 0));
  for (std::int32_t i = 0; i < nL; ++i) {
    const std::int32_t langId = lgp.LangIds[static_cast<std::size_t>(i)];
    canvas.Byte(at.L + i, static_cast<std::uint8_t>(langId));
    canvas.Byte(at.T + langId, static_cast<std::uint8_t>(i));
  }
  if ((at.L + nL) % 2 != 0) canvas.Byte(at.L + nL, kGapFill);

  const std::int64_t dictionariesEnd = WriteDictionaries(canvas, at, languages);
  // The first group must start in block 0, which has no block table entry.
  if (dictionariesEnd > kBlockSize - 1) {
    throw TablesPastFirstBlockError(TablesPastFirstBlockText(dictionariesEnd));
  }

  // String records, slot by slot, in groups that never cross a block.
  std::int64_t s = dictionariesEnd;
  std::int32_t block = 0;
  const std::int64_t slots = (std::int64_t{M} + 1) * nL;
  auto packedAt = [&](std::int64_t slot) -> const PhoneBytes& {
    return languages[static_cast<std::size_t>(slot % nL)].Packed[static_cast<std::size_t>(slot / nL)];
  };
  for (std::int64_t k = 0; k < slots; ++k) {
    const PhoneBytes& codes = packedAt(k);
    if (k % kSlotsPerGroup == 0) {
      std::int64_t groupLength = 0;
      for (std::int64_t j = k; j < std::min(k + kSlotsPerGroup, slots); ++j) {
        groupLength += static_cast<std::int64_t>(packedAt(j).size()) + 1;
      }
      // A group that would reach into the next block, even one ending just
      // at the boundary, starts that block.
      const bool nextBlock = (s + groupLength) / kBlockSize > s / kBlockSize;
      if (nextBlock) {
        ++block;
        s = std::int64_t{block} * kBlockSize;
      }
      // Checked for the whole group, so for every record in it: none may
      // reach PackSizeLimit.
      if (s + groupLength >= type.PackSizeLimit) {
        throw SizeLimitError(kSizeLimitText);
      }
      if (nextBlock) canvas.Int16(type.BlockTablePos + 2 * std::int64_t{block - 1}, static_cast<std::int32_t>(k));
      canvas.Int16(at.G + 2 * (k / kSlotsPerGroup), static_cast<std::int32_t>(s % kBlockSize));
    }
    // A string left over-long by the crop policy has no record the phone can read.
    if (codes.size() > static_cast<std::size_t>(kMaxPackedLength)) {
      throw Error("Internal error: string " + std::to_string(k / nL) + " in language " +
                  std::to_string(k % nL + 1) + " is longer than 254 codes. Nothing has been written.");
    }
    canvas.Byte(s, static_cast<std::uint8_t>(codes.size() + 1));
    canvas.Bytes(s + 1, codes);
    s += static_cast<std::int64_t>(codes.size()) + 1;
    if ((k + 1) % nL == 0 && afterMessage) afterMessage();
  }
  canvas.Int16(type.BlockCountPos, block + 1);

  if (type.IsLangFile) {
    canvas.Bytes(kLangFileModelTagPos, kLangFileModelTag);
    canvas.Byte(kLangFileModelLetterPos, kLangFileModelLetter);
    canvas.Int32(std::int64_t{type.LgPackIdPos} + kLangFilePackEndAfterLgPackId, s - 1);
    // The checksum word makes the exclusive or of all 16-bit words of the
    // pack 0; a lone last byte is completed by FF.
    canvas.Int16(kLangFileChecksumPos, 0);
    std::uint8_t low = 0, high = s % 2 != 0 ? 0xFF : 0;
    const auto pack = canvas.Pack(s);
    for (std::size_t i = 0; i < pack.size(); ++i) (i % 2 == 0 ? low : high) ^= pack[i];
    canvas.Byte(kLangFileChecksumPos, low);
    canvas.Byte(kLangFileChecksumPos + 1, high);
    canvas.Byte(s, kLangFileTrailer);
  }
  return canvas.Range();
}

}  // namespace tarvo
