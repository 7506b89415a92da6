// "Decompile LGpack from flash": flash image or language file to .lgp text.
#pragma once

#include <filesystem>

#include "config/configuration.h"
#include "frame/command_frame.h"

namespace tarvo {

// Runs the command on the two chosen files. `config` is not changed except
// for the PackOffset that identifying a language file stores in the first
// language-file phone type. Nothing is left at `lgpPath` unless it succeeds.
CommandResult RunDecompile(CommandFrame& frame, Configuration& config, const std::filesystem::path& flashPath,
                           const std::filesystem::path& lgpPath);

}  // namespace tarvo
