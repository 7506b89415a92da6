// The merge of two .lgp files: the old pack's translation carried into the
// new pack, which changes in that one language only.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "frame/command_frame.h"
#include "merge/merge_plan.h"

namespace tarvo {

struct MergeOptions {
  std::int32_t Language = 0;   // of the new pack, counted from 1; found in the old one by its LangId
  std::int32_t Reference = 1;  // the language whose texts match messages, likewise
  bool Fuzzy = false;          // carry translations of messages whose source changed
};

struct MergeResult {
  std::vector<std::uint8_t> Lgp;  // the new pack with the carried texts
  MergeReport Report;
};

// Refuses, with an Error naming the file, files that are no .lgp, an old
// pack without the language or the reference language, and a new pack
// without either language number.
MergeResult MergeLgp(std::span<const std::uint8_t> oldFile, const std::string& oldName,
                     std::span<const std::uint8_t> newFile, const std::string& newName,
                     const MergeOptions& options);

struct MergeCommandResult {
  CommandResult Result;
  std::optional<MergeReport> Report;  // when it succeeded
};

// The command: OUTPUT (which may be NEW) is replaced only when the whole
// merge has succeeded. The report is the caller's to show.
MergeCommandResult RunMerge(CommandFrame& frame, const MergeOptions& options,
                            const std::filesystem::path& oldPath, const std::filesystem::path& newPath,
                            const std::filesystem::path& outputPath);

}  // namespace tarvo
