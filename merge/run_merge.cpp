// The merge command on files: OUTPUT replaced only when the whole merge has
// succeeded.
#include "config/file_io.h"
#include "frame/run_command.h"
#include "merge/merge_lgp.h"

namespace tarvo {

MergeCommandResult RunMerge(CommandFrame& frame, const MergeOptions& options,
                            const std::filesystem::path& oldPath, const std::filesystem::path& newPath,
                            const std::filesystem::path& outputPath) {
  FrameLock lock(frame);
  const std::string outOfMemory =
      "Not enough memory to merge \"" + DisplayPath(oldPath) + "\" into \"" + DisplayPath(newPath) + "\".";
  MergeCommandResult merge;
  merge.Result = RunCommand(frame, outOfMemory, [&] {
    frame.SetStatusText("Reading...");
    const std::vector<std::uint8_t> oldFile = ReadWholeFile(oldPath);
    const std::vector<std::uint8_t> newFile = ReadWholeFile(newPath);
    MergeResult merged = MergeLgp(oldFile, DisplayPath(oldPath), newFile, DisplayPath(newPath), options);
    frame.SetStatusText("Writing...");
    WriteFileReplacing(outputPath, merged.Lgp);
    merge.Report = std::move(merged.Report);
    return CommandResult{};
  });
  return merge;
}

}  // namespace tarvo
