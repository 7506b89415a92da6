// An open language pack being edited: its languages and messages, the texts
// as opened and as they are now, undo and redo, and saving that keeps the
// file's layout (only the text between the quotation marks of an edited line
// changes, or a line is added).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "config/configuration.h"
#include "lgp/lgp_file.h"
#include "lgp/lgp_scan.h"

namespace tarvo {

struct MeasureCache;  // document/measure.h

// The new text of one message of one language (counted from 0).
struct DocumentEdit {
  std::size_t Language = 0;
  std::int32_t Message = 0;
  std::u16string Text;
};

// One problem of one message, keyed by language and message number.
struct MessageProblem {
  std::string Kind;  // a short fixed name, such as "conversions"
  std::string Text;  // a plain sentence
};

class Document {
 public:
  // Reads an .lgp file by the compile command's rules. Throws Error with a
  // message naming the file (`name`) and the reason.
  static Document FromLgp(std::vector<std::uint8_t> bytes, const std::string& name,
                          const Configuration& config);
  // Decompiles a flash image or language file (told by its `name`) in memory
  // with the window's options and opens the result; `progress` runs as the
  // decompile goes on. An unknown or damaged image is an Error naming it.
  static Document FromImage(std::span<const std::uint8_t> image, const std::string& name,
                            const Configuration& config, bool saveLangSignatures, bool hexStringNumbers,
                            const std::function<void(double done, double total)>& progress = {});

  const std::string& Name() const { return name_; }
  bool FromFlash() const { return fromFlash_; }  // opened from an image or language file
  std::int32_t MaxMsgId() const { return lgp_.MaxMsgId; }
  std::int32_t MessageCount() const { return std::max(lgp_.MaxMsgId + 1, 0); }  // messages 0 to MaxMsgId
  std::size_t LanguageCount() const { return texts_.size(); }
  std::int32_t LangId(std::size_t language) const;
  const std::string& PhoneTypeName() const { return lgp_.PhoneType.Name; }
  std::int64_t PackSizeLimit() const { return lgp_.PhoneType.PackSizeLimit; }

  // Empty for a message outside 0 to MaxMsgId or a language beyond the last.
  const std::u16string& Text(std::size_t language, std::int32_t message) const;          // as now
  const std::u16string& OriginalText(std::size_t language, std::int32_t message) const;  // as opened
  bool IsChanged(std::size_t language, std::int32_t message) const;
  std::size_t ChangedCount() const { return changedCount_; }  // messages differing from the opened file
  bool HexNumbers() const { return hexNumbers_; }             // the file writes its numbers as $hex

  // Whether the message can be given a text: false where the file gives it
  // no line and its language's section has none to add one beside (its
  // "LangId" line came before the last "AllLangs" line).
  bool CanEdit(std::size_t language, std::int32_t message) const;

  // One undo step of all edits together; edits that change nothing are
  // dropped, and no step is made when none is left. Edits of a message
  // outside 0 to MaxMsgId, of a language beyond the last, or that CanEdit
  // refuses, are an Error, and nothing changes. A
  // CR LF in a text, which would end the file's line, becomes "<0D><0A>".
  void Apply(std::vector<DocumentEdit> edits);
  bool CanUndo() const { return undone_ < steps_.size(); }
  bool CanRedo() const { return undone_ > 0; }
  void Undo();
  void Redo();
  std::uint64_t Revision() const { return revision_; }   // a new value after every Apply, Undo and Redo
  bool IsModified() const { return unsavedCount_ > 0; }  // differs from what was opened or last saved

  // The file with the current texts: the layout kept, and when nothing is
  // edited, the bytes as read.
  std::vector<std::uint8_t> SaveBytes() const;
  // The current texts are what is on disk now.
  void MarkSaved();

  // The compile reader's view of the current texts, every string encoded:
  // what a compile of SaveBytes() would pack. A text with a character the
  // pack cannot hold keeps the bytes encoded before it.
  const LgpFile& Lgp() const { return lgp_; }
  // Whether the current text of a message holds a character above U+7FFF.
  bool CannotEncode(std::size_t language, std::int32_t message) const;
  // Kept from one measure of this document's texts to the next (measure.h).
  std::shared_ptr<MeasureCache> MeasureCacheOf() const { return measureCache_; }

 private:
  struct Change {
    std::size_t Language = 0;
    std::int32_t Message = 0;
    std::u16string Before, After;
  };
  using Step = std::vector<Change>;

  Document() = default;
  void Set(std::size_t language, std::int32_t message, const std::u16string& text);

  std::string name_;
  bool fromFlash_ = false;
  bool hexNumbers_ = false;
  CharTable chars_;                  // the table the strings are encoded with
  std::vector<std::uint8_t> bytes_;  // the file as read
  LgpScan scan_;
  LgpFile lgp_;
  std::vector<std::vector<std::u16string>> original_, texts_, saved_;  // [language][message]
  std::vector<std::vector<bool>> unencodable_;
  std::vector<Step> steps_;
  std::size_t undone_ = 0;  // steps at the end of steps_ that are undone
  std::uint64_t revision_ = 0;
  std::size_t changedCount_ = 0, unsavedCount_ = 0;
  std::shared_ptr<MeasureCache> measureCache_;
};

struct DocumentMeasure;  // document/measure.h

// The check's text rules for one message against the reference language:
// conversions that differ, a different number of control escapes, a
// character without a TRANS window, a character above U+7FFF, text that
// looks like an escape but is none, and with a measure, a string over 254
// codes with that measure's dictionaries. Empty when all is well.
std::vector<MessageProblem> MessageProblems(const Document& document, std::size_t language,
                                            std::int32_t message, std::size_t reference,
                                            const CharTable& table, const DocumentMeasure* measure = nullptr);

}  // namespace tarvo
