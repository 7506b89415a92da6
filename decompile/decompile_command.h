// "Decompile LGpack from flash": flash image or language file to .lgp text.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "config/configuration.h"
#include "config/error.h"
#include "frame/command_frame.h"

namespace tarvo {

struct DecompileOptions {
  // Keep every window selector byte as an escape such as "<81>".
  bool SaveLangSignatures = true;
  // "String numbers in hex", asked at the start and again after each call of
  // Progress (where a window lets the person change it), so that a change
  // takes effect on the next string line.
  std::function<bool()> HexStringNumbers;
  // Runs after the header and after string lines, with the lines written so
  // far of all the pack's strings: after every one of up to a thousand
  // strings, evenly spread beyond that, and always after the last.
  std::function<void(double done, double total)> Progress;
};

// No configured phone type fits the file.
class UnknownFlashError : public Error {
 public:
  UnknownFlashError() : Error("Unknow phone's flash!") {}
};

// The .lgp text of a flash image or language file; `fileName` tells a
// language file by its name. Throws UnknownFlashError, or Error when the pack
// is damaged.
std::vector<std::uint8_t> DecompileImage(std::span<const std::uint8_t> image, std::string_view fileName,
                                         const Configuration& config, const DecompileOptions& options);

// A decompile's progress shown on `frame`: "Decompiling..." and the bar's
// range at the first report, then the bar, with a yield to the frame.
std::function<void(double done, double total)> DecompileProgressOn(CommandFrame& frame);

// DecompileImage shown on `frame` through DecompileProgressOn as the
// lines are written, with the frame's two options; an
// image of no configured phone type is said in an "Error" message box of its
// own, and then no text comes back. Throws Error when the pack is damaged.
std::optional<std::vector<std::uint8_t>> DecompileOnFrame(CommandFrame& frame,
                                                          std::span<const std::uint8_t> image,
                                                          std::string_view fileName,
                                                          const Configuration& config);

// Runs the command on the two chosen files. The text is written to a
// temporary file and renamed over `lgpPath` only when the whole decompile has
// succeeded: on any failure a file already at `lgpPath` stays as it was.
CommandResult RunDecompile(CommandFrame& frame, const Configuration& config,
                           const std::filesystem::path& flashPath, const std::filesystem::path& lgpPath);

}  // namespace tarvo
