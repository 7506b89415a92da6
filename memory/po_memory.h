// A PO file as a translation memory. Kept apart from the rest of the
// memory, which needs no PO library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "memory/memory_index.h"

namespace tarvo {

// The translated entries of a PO file (fuzzy, obsolete and plural ones and
// texts a pack cannot hold left out), `name` as their origin and the message
// number from the msgctxt or the "#. Message N" comment. When the header
// names the LangIds of its languages (as export-po writes them), they must be
// `langId` and `sourceLangId`. A file gettext cannot read, or of other
// languages, is an Error naming it.
std::vector<MemoryEntry> PoMemoryEntries(const std::filesystem::path& path, const std::string& name,
                                         std::int32_t langId, std::int32_t sourceLangId);

}  // namespace tarvo
