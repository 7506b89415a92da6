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

// Scans a .lgp file; an Error names the file (`name`).
LgpScan ScanNamed(std::span<const std::uint8_t> file, const std::string& name);

// A language of the new pack that the old pack must have.
struct MergeLanguage {
  std::int32_t LangId = 0;
  std::size_t Rank = 0;   // among the new pack's languages with that LangId, from 0
  std::size_t Index = 0;  // in the new pack, from 0
  const char* Role = "language";
};

// The old pack's language with the LangId of `wanted`; where several share
// it, the one at the same rank, else the first. Without one, an Error naming
// both files and ending with `consequence`.
std::size_t OldLanguage(const LgpScan& oldScan, const MergeLanguage& wanted, const std::string& oldName,
                        const std::string& newName, const char* consequence);

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
