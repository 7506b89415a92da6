// "Compile LGpack to flash": .lgp text to a pack written into a flash image
// in place, or into a new language file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "compile/pack_languages.h"
#include "compile/pack_writer.h"
#include "compile/packing.h"
#include "config/configuration.h"
#include "frame/command_frame.h"
#include "lgp/lgp_file.h"

namespace tarvo {

// The .lgp text was not read as a pack: it is empty or lacks its byte order
// mark. The command ends without a message box.
struct LgpNotRead {
  LgpReadStatus Status = LgpReadStatus::EmptyFile;
};

// The flash image to write into. Its bytes are asked for only when the phone
// type writes into an image rather than a new language file.
struct FlashSource {
  std::string Name;  // names the image in messages
  std::function<std::vector<std::uint8_t>()> Read;
};

struct CompiledImage {
  std::vector<std::uint8_t> Image;  // the whole new flash image or language file
  bool LanguageFile = false;
  std::int64_t PackStart = 0;  // where the pack starts in Image
  WrittenRange Range;          // pack offsets written, from PackStart
  PackMeasure Measure;
  PackingStrategy Written = PackingStrategy::Standard;  // compact where only it fits and the user agreed
};

// Compiles .lgp text into the bytes of a new image, writing no file. The
// frame shows the phases and the progress and asks the questions: the crop
// question under CropPolicy::Ask, the compact question when the standard
// pack does not fit and the compact one does, and whether to write into an
// image without a pack signature. `random` chooses the standard packer's
// pivots and goes on from one compile to the next. The new pack is read back
// and compared with the input before it is returned. Throws LgpNotRead,
// PackingStopped when the user stopped, SizeLimitError and Error.
CompiledImage CompileImage(CommandFrame& frame, std::span<const std::uint8_t> lgpText, const FlashSource& flash,
                           const Configuration& config, PivotRandom& random, PackingStrategy strategy,
                           CropPolicy crop = CropPolicy::Ask);

// Runs the command on the two chosen files. Nothing is written unless the
// whole pack has been laid out, checked against every limit, and read back
// equal to the input; a flash image then changes only in the pack's bytes.
// When the standard pack does not fit, the compact one is tried, and the
// frame is asked whether to write it where it fits.
CommandResult RunCompile(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                         const std::filesystem::path& lgpPath, const std::filesystem::path& flashPath,
                         PackingStrategy strategy = PackingStrategy::Standard);

// The same command on .lgp text already in memory; `lgpName` names it in
// messages.
CommandResult RunCompileText(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                             std::span<const std::uint8_t> lgpText, const std::string& lgpName,
                             const std::filesystem::path& flashPath,
                             PackingStrategy strategy = PackingStrategy::Standard);

}  // namespace tarvo
