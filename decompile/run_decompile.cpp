// The decompile command on files: the flash file read whole, the text file
// written through a temporary file.
#include <system_error>

#include "config/file_io.h"
#include "decompile/decompile_command.h"
#include "frame/run_command.h"

namespace tarvo {

namespace {

// The output must be a file of its own: never the input, never a folder.
void CheckOutput(const std::filesystem::path& path, const std::filesystem::path& flashPath) {
  std::error_code error;
  if (std::filesystem::equivalent(path, flashPath, error)) {
    throw Error("The text file \"" + DisplayPath(path) + "\" is the flash file itself; choose another name.");
  }
  if (std::filesystem::is_directory(path, error)) {
    throw Error("Cannot write \"" + DisplayPath(path) + "\": it is a folder.");
  }
}

}  // namespace

CommandResult RunDecompile(CommandFrame& frame, const Configuration& config,
                           const std::filesystem::path& flashPath, const std::filesystem::path& lgpPath) {
  frame.SetStatusText("Analyzing...");
  frame.Yield();
  try {
    CheckOutput(lgpPath, flashPath);
  } catch (const Error& e) {
    return FailCommand(frame, e.what());
  }
  FrameLock lock(frame);
  return RunCommand(frame, "Not enough memory to decompile \"" + DisplayPath(flashPath) + "\".", [&] {
    const std::vector<std::uint8_t> file = ReadWholeFile(flashPath);
    if (file.empty()) {
      std::error_code ignored;
      std::filesystem::remove(flashPath, ignored);
      return CommandResult{CommandOutcome::Silent, "The flash file \"" + DisplayPath(flashPath) +
                                                       "\" is empty (0 bytes) and has been deleted."};
    }
    const std::optional<std::vector<std::uint8_t>> text =
        DecompileOnFrame(frame, file, flashPath.string(), config);
    if (!text) return CommandResult{CommandOutcome::Failed, {}};
    WriteFileReplacing(lgpPath, *text);
    return CommandResult{};
  });
}

}  // namespace tarvo
