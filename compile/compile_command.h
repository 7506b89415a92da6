// "Compile LGpack to flash": .lgp text to a pack written into a flash image
// in place, or into a new language file.
#pragma once

#include <filesystem>

#include "compile/pack_languages.h"
#include "compile/packing.h"
#include "config/configuration.h"
#include "frame/command_frame.h"

namespace tarvo {

// Runs the command on the two chosen files. Nothing is written unless the
// whole pack has been laid out, checked against every limit, and read back
// equal to the input; a flash image then changes only in the pack's bytes.
// `random` chooses the sort's pivots and goes on from one compile to the next.
// When the standard pack does not fit, the compact one is tried, and the
// frame is asked whether to write it where it fits.
CommandResult RunCompile(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                         const std::filesystem::path& lgpPath, const std::filesystem::path& flashPath,
                         PackingStrategy strategy = PackingStrategy::Standard);

}  // namespace tarvo
