// The pack's room, measured from a document's current texts for both
// packings. The snapshot is taken on the thread that owns the document; the
// measure is a pure function of it and may run on any thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compile/compact_packing.h"
#include "compile/packing_cache.h"
#include "compile/pack_languages.h"
#include "compile/packing.h"
#include "document/document.h"

namespace tarvo {

// What one measure keeps for the next: the dictionaries and packed strings of
// languages whose strings do not change are not made again. Each document has
// one, which its snapshots carry; measures may share it at once.
struct MeasureCache {
  PackingCache Packings;
};

// What a compile started at the moment of the snapshot would pack.
struct MeasureSnapshot {
  std::uint64_t Revision = 0;  // the document's revision
  LgpFile Lgp;
  // A copy of the standard packer's generator as it stood: the standard
  // figure is what that compile would write, and the caller's generator does
  // not move.
  PivotRandom Random;
  std::int32_t Unencodable = 0;  // texts a compile refuses (a character above U+7FFF)
  // What the document's earlier measures left for the next.
  std::shared_ptr<MeasureCache> Cache;
};

MeasureSnapshot TakeSnapshot(const Document& document, const PivotRandom& random);

// One packing of the whole pack.
struct PackingGauge {
  bool Packed = false;         // false when the regions do not fit the pack's header
  std::string Failure;         // then the reason
  std::int64_t Length = 0;     // offset just behind the last string record
  std::int64_t SizeLimit = 0;  // the phone type's PackSizeLimit
  std::int64_t Spare = 0;      // bytes left below the limit; negative when over
  bool TablesFitFirstBlock = false;
  std::int32_t Overlong = 0;             // strings over 254 codes, cropped if the user agrees
  bool Fits = false;                     // a compile would write it without cropping
  std::vector<std::int64_t> Payloads;    // per language: dictionary plus string records
  std::vector<Dictionary> Dictionaries;  // per language
  std::vector<std::shared_ptr<const DictionaryLookup>> Lookups;  // per language, for string costs
  std::vector<std::vector<std::size_t>> Codes;                   // [language][message]: codes before cropping
};

struct DocumentMeasure {
  std::uint64_t Revision = 0;  // of the document the snapshot came from
  std::int32_t Unencodable = 0;
  PackingGauge Standard, Compact;
  const PackingGauge& Of(PackingStrategy strategy) const {
    return strategy == PackingStrategy::Standard ? Standard : Compact;
  }
};

// Packs the snapshot with both packers, side by side, with `cache` or else
// the snapshot's.
DocumentMeasure MeasureDocument(const MeasureSnapshot& snapshot, MeasureCache* cache = nullptr);
// Packs it with one.
PackingGauge MeasureGauge(const MeasureSnapshot& snapshot, PackingStrategy strategy,
                          MeasureCache* cache = nullptr);

// The bytes a text of `language` takes as a string record (length byte plus
// codes) with the dictionary of `measure`; none when the measure has no
// dictionary for it or the text holds a character the pack cannot.
std::optional<std::int64_t> StringCost(const DocumentMeasure& measure, PackingStrategy strategy,
                                       std::size_t language, std::u16string_view text,
                                       const CharTable& table);

// The problem of a text over 254 codes with the dictionaries of `measure`.
std::optional<MessageProblem> OverlongProblem(const Document& document, std::size_t language,
                                              std::int32_t message, const CharTable& table,
                                              const DocumentMeasure& measure);

}  // namespace tarvo
