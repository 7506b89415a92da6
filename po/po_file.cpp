#include "po/po_file.h"

#include <gettext-po.h>
#include <stdlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string_view>

#include "config/error.h"
#include "config/file_io.h"
#include "config/text_utils.h"

namespace tarvo {

namespace {

// gettext's library reports through plain functions without a context
// argument, so the problems of the one call in progress are gathered here.
struct Problem {
  std::size_t Line = 0;  // 0 when the library names none
  std::string Text;
};
thread_local std::vector<Problem>* currentProblems = nullptr;

struct FatalPoProblem {};

void Record(int severity, const char* filename, std::size_t line, const char* text) {
  if (severity == PO_SEVERITY_WARNING || currentProblems == nullptr) return;
  std::string message = text != nullptr ? text : "";
  while (!message.empty() && message.back() == '\n') message.pop_back();
  currentProblems->push_back(
      {filename != nullptr && line != static_cast<std::size_t>(-1) ? line : 0, message});
  // The library must not go on after a fatal error, and must not end the
  // process either: leave it through an exception.
  if (severity == PO_SEVERITY_FATAL_ERROR) throw FatalPoProblem{};
}

void OnProblem(int severity, po_message_t, const char* filename, std::size_t line, std::size_t, int,
               const char* text) {
  Record(severity, filename, line, text);
}

void OnProblemPair(int severity, po_message_t, const char* filename, std::size_t line, std::size_t, int,
                   const char* text, po_message_t, const char*, std::size_t, std::size_t, int, const char*) {
  Record(severity, filename, line, text);
}

const po_xerror_handler kHandler{OnProblem, OnProblemPair};

// Gathers the problems of one library call.
class ProblemScope {
 public:
  ProblemScope() { currentProblems = &problems; }
  ~ProblemScope() { currentProblems = nullptr; }
  ProblemScope(const ProblemScope&) = delete;
  ProblemScope& operator=(const ProblemScope&) = delete;
  std::vector<Problem> problems;
};

struct FileFree {
  void operator()(po_file_t file) const { po_file_free(file); }
};
using PoFile = std::unique_ptr<struct po_file, FileFree>;

struct IteratorFree {
  void operator()(po_message_iterator_t iterator) const { po_message_iterator_free(iterator); }
};
using PoIterator = std::unique_ptr<struct po_message_iterator, IteratorFree>;

std::string Text(const char* text) { return text != nullptr ? text : ""; }

bool IsKeywordLine(std::string_view line, std::string_view keyword) {
  return line.starts_with(keyword) && (line.size() == keyword.size() || line[keyword.size()] == ' ' ||
                                       line[keyword.size()] == '\t' || line[keyword.size()] == '"');
}

// The line (counted from 1) where each entry outside comments, so each entry
// that is not obsolete, begins: its msgctxt line, or its msgid line.
std::vector<std::size_t> EntryLines(std::span<const std::uint8_t> bytes) {
  std::vector<std::size_t> lines;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::size_t number = 1, context = 0;
  for (std::size_t start = 0; start < text.size(); ++number) {
    auto end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (IsKeywordLine(line, "msgctxt")) {
      context = number;
    } else if (IsKeywordLine(line, "msgid")) {
      lines.push_back(context != 0 ? context : number);
      context = 0;
    } else if (line.starts_with("msgstr")) {
      context = 0;
    }
    start = end + 1;
  }
  return lines;
}

std::string Where(const std::filesystem::path& path, std::size_t line) {
  return line != 0 ? "Line " + std::to_string(line) + " of the PO file \"" + DisplayPath(path) + "\""
                   : "The PO file \"" + DisplayPath(path) + "\"";
}

}  // namespace

PoCatalog ReadPoFile(const std::filesystem::path& path) {
  const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
  ProblemScope scope;
  PoFile file;
  try {
    file.reset(po_file_read(path.c_str(), &kHandler));
  } catch (const FatalPoProblem&) {
  }
  if (!scope.problems.empty()) {
    const Problem& first = scope.problems.front();
    throw Error(Where(path, first.Line) + " cannot be read: " + first.Text + ".");
  }
  if (!file) throw Error("Cannot read the PO file \"" + DisplayPath(path) + "\": " + std::strerror(errno));

  PoCatalog catalog;
  const std::vector<std::size_t> lines = EntryLines(bytes);
  std::vector<PoEntry> active;  // not obsolete, the header included
  PoIterator iterator(po_message_iterator(file.get(), nullptr));
  while (po_message_t message = po_next_message(iterator.get())) {
    PoEntry entry;
    if (const char* context = po_message_msgctxt(message)) entry.Context = context;
    entry.Id = Text(po_message_msgid(message));
    entry.Str = Text(po_message_msgstr(message));
    entry.ExtractedComments = Text(po_message_extracted_comments(message));
    entry.Fuzzy = po_message_is_fuzzy(message) != 0;
    entry.Obsolete = po_message_is_obsolete(message) != 0;
    entry.Plural = po_message_msgid_plural(message) != nullptr;
    if (!entry.Obsolete) active.push_back(entry);
    if (entry.Id.empty() && !entry.Context && !entry.Obsolete) {
      catalog.Header = entry.Str;
      catalog.HeaderComment = Text(po_message_comments(message));
    }
    catalog.Entries.push_back(std::move(entry));
  }
  // Where each active entry stands, when the count of msgid lines agrees.
  std::size_t next = 0;
  std::vector<PoEntry> entries;
  for (PoEntry& entry : catalog.Entries) {
    if (!entry.Obsolete && lines.size() == active.size()) entry.Line = lines[next++];
    if (!entry.Id.empty() || entry.Context || entry.Obsolete) entries.push_back(std::move(entry));
  }
  catalog.Entries = std::move(entries);

  if (const auto type = PoHeaderField(catalog.Header, "Content-Type")) {
    const auto at = UpperAscii(*type).find("CHARSET=");
    const std::string charset = at == std::string::npos ? "" : UpperAscii(TrimSpaces(type->substr(at + 8)));
    if (!charset.empty() && charset != "UTF-8" && charset != "ASCII" && charset != "CHARSET") {
      throw Error("The PO file \"" + DisplayPath(path) + "\" is in the character set " + charset +
                  "; only UTF-8 PO files can be read (msgconv --to-code=UTF-8 converts it).");
    }
  }
  return catalog;
}

std::string PoHeader(const std::vector<std::pair<std::string, std::string>>& fields) {
  std::string header;
  for (const auto& [field, value] : fields) {
    // A line break in a value (an LgPackId may hold one) would start a field of its own.
    std::string oneLine = value;
    std::replace_if(
        oneLine.begin(), oneLine.end(), [](char c) { return c == '\n' || c == '\r'; }, ' ');
    char* updated = po_header_set_field(header.c_str(), field.c_str(), oneLine.c_str());
    header = updated;
    ::free(updated);
  }
  return header;
}

std::optional<std::string> PoHeaderField(const std::string& header, const std::string& field) {
  char* value = po_header_field(header.c_str(), field.c_str());
  if (value == nullptr) return std::nullopt;
  std::string result = value;
  ::free(value);
  return result;
}

std::vector<std::uint8_t> FormatPoFile(const PoCatalog& catalog) {
  PoFile file(po_file_create());
  {
    PoIterator iterator(po_message_iterator(file.get(), nullptr));
    po_message_t header = po_message_create();
    po_message_set_msgid(header, "");
    po_message_set_msgstr(header, catalog.Header.c_str());
    if (!catalog.HeaderComment.empty()) po_message_set_comments(header, catalog.HeaderComment.c_str());
    po_message_insert(iterator.get(), header);
    for (const PoEntry& entry : catalog.Entries) {
      po_message_t message = po_message_create();
      if (entry.Context) po_message_set_msgctxt(message, entry.Context->c_str());
      po_message_set_msgid(message, entry.Id.c_str());
      po_message_set_msgstr(message, entry.Str.c_str());
      if (!entry.ExtractedComments.empty())
        po_message_set_extracted_comments(message, entry.ExtractedComments.c_str());
      if (entry.Fuzzy) po_message_set_fuzzy(message, 1);
      if (entry.Obsolete) po_message_set_obsolete(message, 1);
      po_message_insert(iterator.get(), message);
    }
  }

  // The library writes to a named file only: a private folder holds it.
  std::string folder = (std::filesystem::temp_directory_path() / "tarvo-po-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    throw Error("Cannot create a temporary folder for the PO file: " + std::string(std::strerror(errno)));
  }
  const std::filesystem::path written = std::filesystem::path(folder) / "catalog.po";
  std::vector<std::uint8_t> bytes;
  try {
    ProblemScope scope;
    try {
      po_file_write(file.get(), written.c_str(), &kHandler);
    } catch (const FatalPoProblem&) {
    }
    if (!scope.problems.empty())
      throw Error("Cannot write the PO file: " + scope.problems.front().Text + ".");
    bytes = ReadWholeFile(written);
  } catch (...) {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    throw;
  }
  std::error_code ignored;
  std::filesystem::remove_all(folder, ignored);
  return bytes;
}

}  // namespace tarvo
