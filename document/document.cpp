#include "document/document.h"

#include <map>
#include <utility>

#include "codec/encode.h"
#include "config/error.h"
#include "decompile/decompile_command.h"
#include "document/measure.h"

namespace tarvo {

namespace {

const std::u16string kEmpty;

// A copy of the file in which every unit above U+7FFF within the texts is
// "?", so that the compile reader, which refuses such characters, still
// checks every other rule. Empty when the file has none.
std::vector<std::uint8_t> WithoutUnencodable(std::span<const std::uint8_t> file, const LgpScan& scan) {
  std::vector<std::uint8_t> copy;
  for (const LgpSection& section : scan.Languages) {
    for (const auto& [message, line] : section.Texts) {
      for (std::size_t at = line.TextBegin; at + 1 < line.TextEnd; at += 2) {
        if (file[at + 1] < 0x80) continue;
        if (copy.empty()) copy.assign(file.begin(), file.end());
        copy[at] = '?';
        copy[at + 1] = 0;
      }
    }
  }
  return copy;
}

// CR LF ends a line of the file, so within a text it is written as the
// escapes of the same two bytes.
void EscapeLineEnds(std::u16string& text) {
  for (std::size_t at = text.find(u"\r\n"); at != std::u16string::npos; at = text.find(u"\r\n", at)) {
    text.replace(at, 2, u"<0D><0A>");
  }
}

}  // namespace

Document Document::FromLgp(std::vector<std::uint8_t> bytes, const std::string& name,
                           const Configuration& config) {
  Document document;
  document.name_ = name;
  document.chars_ = config.Chars;
  const auto refuse = [&](const std::string& reason) { return Error("Cannot open " + name + ": " + reason); };
  if (bytes.empty()) throw refuse("the file is empty (0 bytes).");
  try {
    document.scan_ = ScanLgp(bytes);
    const std::vector<std::uint8_t> readable = WithoutUnencodable(bytes, document.scan_);
    const std::span<const std::uint8_t> read =
        readable.empty() ? std::span<const std::uint8_t>(bytes) : readable;
    if (ReadLgpFile(read, config.Chars, document.lgp_) != LgpReadStatus::Read) {
      throw Error(
          "The LGpack file is not a UTF-16LE text file (it does not begin with the byte order mark FF FE).");
    }
  } catch (const Error& e) {
    throw refuse(e.what());
  }
  LgpScan& scan = document.scan_;
  LgpFile& lgp = document.lgp_;
  if (scan.Languages.size() > lgp.Strings.size() || scan.MaxMsgId != lgp.MaxMsgId) {
    throw refuse("internal error: the file's languages read differently line by line.");
  }
  const std::size_t languages = scan.Languages.size();
  const auto messages = static_cast<std::size_t>(std::max(lgp.MaxMsgId + 1, 0));
  document.original_.assign(languages, std::vector<std::u16string>(messages));
  document.unencodable_.assign(languages, std::vector<bool>(messages));
  for (std::size_t l = 0; l < languages; ++l) {
    for (const auto& [message, line] : scan.Languages[l].Texts) {
      if (!document.hexNumbers_ && line.HexNumber) document.hexNumbers_ = true;
      if (message > lgp.MaxMsgId) continue;
      std::u16string text = scan.Text(bytes, l, message);
      // The reader's encoding is what a compile packs; the line's text must
      // give exactly that, or an edit could change what it does not show.
      EncodeResult encoded = EncodePhoneString(text, config.Chars);
      PhoneBytes& read = lgp.Strings[l][message];
      if (!encoded.Ok) {
        read = std::move(encoded.Bytes);
        document.unencodable_[l][static_cast<std::size_t>(message)] = true;
      } else if (encoded.Bytes != read) {
        throw refuse("internal error: string " + std::to_string(message) + " of language " +
                     std::to_string(l + 1) + " reads differently line by line.");
      }
      document.original_[l][static_cast<std::size_t>(message)] = std::move(text);
    }
  }
  document.texts_ = document.original_;
  document.saved_ = document.original_;
  document.bytes_ = std::move(bytes);
  document.measureCache_ = std::make_shared<MeasureCache>();
  return document;
}

Document Document::FromImage(std::span<const std::uint8_t> image, const std::string& name,
                             const Configuration& config, bool saveLangSignatures, bool hexStringNumbers,
                             const std::function<void(double done, double total)>& progress) {
  DecompileOptions options{saveLangSignatures, [hexStringNumbers] { return hexStringNumbers; }, progress};
  std::vector<std::uint8_t> lgp;
  try {
    lgp = DecompileImage(image, name, config, options);
  } catch (const Error& e) {
    throw Error("Cannot open " + name + ": " + e.what());
  }
  Document document = FromLgp(std::move(lgp), name, config);
  document.fromFlash_ = true;
  return document;
}

std::int32_t Document::LangId(std::size_t language) const {
  return language < lgp_.LangIds.size() ? lgp_.LangIds[language] : 0;
}

const std::u16string& Document::Text(std::size_t language, std::int32_t message) const {
  if (language >= texts_.size() || message < 0 || message > lgp_.MaxMsgId) return kEmpty;
  return texts_[language][static_cast<std::size_t>(message)];
}

const std::u16string& Document::OriginalText(std::size_t language, std::int32_t message) const {
  if (language >= original_.size() || message < 0 || message > lgp_.MaxMsgId) return kEmpty;
  return original_[language][static_cast<std::size_t>(message)];
}

bool Document::IsChanged(std::size_t language, std::int32_t message) const {
  return Text(language, message) != OriginalText(language, message);
}

bool Document::CannotEncode(std::size_t language, std::int32_t message) const {
  if (language >= unencodable_.size() || message < 0 || message > lgp_.MaxMsgId) return false;
  return unencodable_[language][static_cast<std::size_t>(message)];
}

bool Document::CanEdit(std::size_t language, std::int32_t message) const {
  if (language >= scan_.Languages.size() || message < 0 || message > lgp_.MaxMsgId) return false;
  const LgpSection& section = scan_.Languages[language];
  return !section.Texts.empty() || section.LangIdLine != 0;
}

void Document::Set(std::size_t language, std::int32_t message, const std::u16string& text) {
  const auto m = static_cast<std::size_t>(message);
  std::u16string& current = texts_[language][m];
  const auto count = [](bool was, bool is) {
    return static_cast<std::ptrdiff_t>(is) - static_cast<std::ptrdiff_t>(was);
  };
  changedCount_ += count(current != original_[language][m], text != original_[language][m]);
  unsavedCount_ += count(current != saved_[language][m], text != saved_[language][m]);
  current = text;
  EncodeResult encoded = EncodePhoneString(text, chars_);
  unencodable_[language][m] = !encoded.Ok;
  if (encoded.Bytes.empty()) {
    lgp_.Strings[language].erase(message);
  } else {
    lgp_.Strings[language][message] = std::move(encoded.Bytes);
  }
}

void Document::Apply(std::vector<DocumentEdit> edits) {
  // The last edit of a message wins, as if they were made one after another.
  std::map<std::pair<std::size_t, std::int32_t>, std::u16string> last;
  for (DocumentEdit& edit : edits) {
    if (edit.Language >= texts_.size() || edit.Message < 0 || edit.Message > lgp_.MaxMsgId) {
      throw Error("Message " + std::to_string(edit.Message) + " of language " +
                  std::to_string(edit.Language + 1) + " is not in the file.");
    }
    if (!CanEdit(edit.Language, edit.Message)) {
      throw Error(
          "Message " + std::to_string(edit.Message) + " of language " + std::to_string(edit.Language + 1) +
          " has no line in the file, and its language has no LangId line after the last AllLangs line "
          "to add one to.");
    }
    EscapeLineEnds(edit.Text);
    last[{edit.Language, edit.Message}] = std::move(edit.Text);
  }
  Step step;
  for (auto& [key, text] : last) {
    const std::u16string& before = texts_[key.first][static_cast<std::size_t>(key.second)];
    if (before != text) step.push_back({key.first, key.second, before, std::move(text)});
  }
  if (step.empty()) return;
  for (const Change& change : step) Set(change.Language, change.Message, change.After);
  steps_.resize(steps_.size() - undone_);
  undone_ = 0;
  steps_.push_back(std::move(step));
  ++revision_;
}

void Document::Undo() {
  if (!CanUndo()) return;
  const Step& step = steps_[steps_.size() - 1 - undone_++];
  for (const Change& change : step) Set(change.Language, change.Message, change.Before);
  ++revision_;
}

void Document::Redo() {
  if (!CanRedo()) return;
  const Step& step = steps_[steps_.size() - undone_--];
  for (const Change& change : step) Set(change.Language, change.Message, change.After);
  ++revision_;
}

std::vector<std::uint8_t> Document::SaveBytes() const {
  std::vector<std::uint8_t> file = bytes_;
  LgpScan scan = scan_;
  for (std::size_t l = 0; l < texts_.size(); ++l) {
    std::map<std::int32_t, std::u16string> edited;
    for (std::size_t m = 0; m < texts_[l].size(); ++m) {
      if (texts_[l][m] != original_[l][m]) edited[static_cast<std::int32_t>(m)] = texts_[l][m];
    }
    if (edited.empty()) continue;
    file = EditLgpTexts(file, scan, l, edited);
    scan = ScanLgp(file);
  }
  return file;
}

void Document::MarkSaved() {
  saved_ = texts_;
  unsavedCount_ = 0;
}

}  // namespace tarvo
