// The compile command on files: the .lgp text read whole, the image replaced
// whole (or written into in place) only when the whole pack is laid out.
#include <system_error>

#include "compile/compile_command.h"
#include "config/file_io.h"
#include "frame/run_command.h"

namespace tarvo {

namespace {

// The command around CompileImage: `readText` gives the .lgp text, and
// `emptyText` what to do about an empty one; the image goes to `flashPath`.
CommandResult CompileToFile(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                            const std::string& lgpName, const std::function<std::vector<std::uint8_t>()>& readText,
                            const std::function<CommandResult()>& emptyText, const std::filesystem::path& flashPath,
                            PackingStrategy strategy) {
  FrameLock lock(frame);
  frame.SetStatusText("Reading...");
  frame.SetProgressMinimum(0);
  frame.SetProgressMaximum(100);
  frame.SetProgressValue(0);
  frame.Yield();
  return RunCommand(frame, "Not enough memory to compile \"" + lgpName + "\".", [&] {
    // One compile at a time writes into a file; a second one stops here.
    const FileLock flashLock = LockForWriting(flashPath);
    CompiledImage compiled;
    try {
      const std::vector<std::uint8_t> text = readText();
      const FlashSource flash{DisplayPath(flashPath), [&] { return ReadWholeFile(flashPath); }};
      compiled = CompileImage(frame, text, flash, config, random, strategy);
    } catch (const LgpNotRead& notRead) {
      if (notRead.Status == LgpReadStatus::EmptyFile) return emptyText();
      return CommandResult{CommandOutcome::Silent,
                           "The LGpack file \"" + lgpName + "\" does not begin with the UTF-16LE byte order mark (FF FE)."};
    }
    if (compiled.LanguageFile) {
      WriteFileReplacing(flashPath, compiled.Image);
    } else {
      WriteFileChanged(flashPath, compiled.Image,
                       static_cast<std::size_t>(compiled.PackStart + compiled.Range.First),
                       static_cast<std::size_t>(compiled.PackStart + compiled.Range.End));
    }
    frame.SetProgressValue(frame.ProgressMaximum());
    return CommandResult{};
  });
}

}  // namespace

CommandResult RunCompile(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                         const std::filesystem::path& lgpPath, const std::filesystem::path& flashPath,
                         PackingStrategy strategy) {
  const std::string name = DisplayPath(lgpPath);
  return CompileToFile(
      frame, config, random, name,
      [&] {
        std::error_code error;
        if (std::filesystem::equivalent(lgpPath, flashPath, error)) {
          throw Error("The flash file \"" + DisplayPath(flashPath) + "\" is the LGpack file itself; choose another.");
        }
        return ReadWholeFile(lgpPath);
      },
      [&] {
        std::error_code error;
        std::filesystem::remove(lgpPath, error);
        return CommandResult{CommandOutcome::Silent,
                             "The LGpack file \"" + name + "\" is empty (0 bytes) and has been deleted."};
      },
      flashPath, strategy);
}

CommandResult RunCompileText(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                             std::span<const std::uint8_t> lgpText, const std::string& lgpName,
                             const std::filesystem::path& flashPath, PackingStrategy strategy) {
  return CompileToFile(
      frame, config, random, lgpName, [&] { return std::vector<std::uint8_t>(lgpText.begin(), lgpText.end()); },
      [&] { return CommandResult{CommandOutcome::Silent, "The LGpack text \"" + lgpName + "\" is empty."}; },
      flashPath, strategy);
}

}  // namespace tarvo
