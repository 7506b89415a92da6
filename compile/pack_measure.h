// One packing of a whole .lgp file measured in memory, without a window and
// without writing: what the compile command would lay out, every string over
// 254 codes cropped as when the user agrees, and how long each was before.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compile/pack_languages.h"
#include "compile/pack_writer.h"
#include "compile/packing.h"
#include "lgp/lgp_file.h"

namespace tarvo {

struct PackingFigures {
  bool Packed = false;                    // false when the regions do not fit the pack's 16-bit header
  std::string Failure;                    // then the reason
  PackMeasure Measure;                    // the pack's length, blocks and limit as the writer lays it out
  std::vector<PackedLanguage> Languages;  // dictionaries and codes, cropped to 254
  std::vector<std::int64_t> Payloads;     // per language: dictionary plus string records
  std::vector<std::vector<std::size_t>> Codes;  // [language][message]: codes before any cropping
  std::int32_t Overlong = 0;                    // strings over 254 codes

  // A compile with this packing would write the pack without cropping.
  bool Fits() const { return Packed && Measure.Fits() && Overlong == 0; }
};

// Packs every language of `lgp` with `strategy`; the standard packing draws
// its pivots from `random`, as the compile command does. `control` must crop
// (CropPolicy::Always, as by default) for the length to be one a compile
// can write.
PackingFigures MeasurePacking(const LgpFile& lgp, PackingStrategy strategy, PivotRandom& random,
                              const PackingControl& control = {});

}  // namespace tarvo
