// Packing every language of an .lgp file for the writer, with the standard
// packer or the compact one. The compile command calls this; so can any
// report that wants the sizes of both without writing a file: pack with each
// strategy, then read PayloadSize per language and MeasurePack (pack_writer.h)
// for the whole pack's length as the writer would lay it out.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "compile/pack_writer.h"
#include "compile/packing.h"
#include "frame/command_frame.h"
#include "lgp/lgp_file.h"

namespace tarvo {

enum class PackingStrategy {
  // BuildDictionary and PackString, pivots drawn from the caller's generator.
  Standard,
  // Dictionaries chosen by exact gain and strings parsed optimally; per
  // language never larger than the standard packing, and the same bytes on
  // every run (the standard comparison draws from a fresh generator).
  Compact,
};

// Thrown when the user answers Cancel to a question of the compile: it
// stops with nothing written.
struct PackingStopped {};

// Packs all languages, showing "Packing..." and moving the progress bar. A
// string still over 254 codes raises the crop question through the frame:
// OK crops it, Cancel throws PackingStopped. Throws Error when the pack's
// regions do not fit its 16-bit header.
std::vector<PackedLanguage> PackLanguages(CommandFrame& frame, const LgpFile& lgp, PackingStrategy strategy,
                                          PivotRandom& random);

// The bytes a language takes in the pack: its dictionary entries plus its
// string records (one length byte and the codes each).
std::int64_t PayloadSize(const PackedLanguage& language);

}  // namespace tarvo
