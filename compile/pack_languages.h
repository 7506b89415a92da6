// Packing every language of an .lgp file for the writer, with the standard
// packer or the compact one. The compile command calls this; so can any
// report that wants the sizes of both without writing a file: pack with each
// strategy, then read PayloadSize per language and MeasurePack (pack_writer.h)
// for the whole pack's length as the writer would lay it out.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "compile/compact_packing.h"
#include "compile/packing_cache.h"
#include "compile/pack_writer.h"
#include "compile/packing.h"
#include "frame/command_frame.h"
#include "frame/run_command.h"
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
using PackingStopped = CommandStopped;

// What to do with a string that still packs to more than 254 codes.
enum class CropPolicy {
  Ask,     // ask AskCrop: true crops it, false throws PackingStopped
  Always,  // crop it without asking
  Never,   // leave it as it is, over 254 codes (for measuring only: no pack can hold it)
};

struct PackingControl {
  CropPolicy Crop = CropPolicy::Always;
  std::function<bool(const Message& question)> AskCrop;
  // Runs often while packing, with the work done so far of a total that may
  // change between calls; a front end moves its progress bar and handles
  // pending events here.
  std::function<void(double done, double total)> Progress;
  // Where the packers keep what they made, to take it again for strings
  // that have not changed; none by default.
  PackingCache* Cache = nullptr;
};

// Asks the crop question through the frame's message box and moves its
// progress bar, handling pending events as it goes.
PackingControl FrameControl(CommandFrame& frame);

// Packs all languages. Throws Error when the pack's regions do not fit its
// 16-bit header.
std::vector<PackedLanguage> PackLanguages(const LgpFile& lgp, PackingStrategy strategy, PivotRandom& random,
                                          const PackingControl& control = {});

// The bytes a language takes in the pack: its dictionary entries plus its
// string records (one length byte and the codes each).
std::int64_t PayloadSize(const PackedLanguage& language);

}  // namespace tarvo
