#include "lgp/lgp_file.h"

#include <algorithm>
#include <string_view>

#include "codec/encode.h"
#include "lgp/lgp_lines.h"
#include "lgp/unicode_line.h"

namespace tarvo {

namespace {

// Fills the LgpFile from the lines that the rules accept, encoding every
// text as it is read.
class LineReader final : public LgpLineSink {
 public:
  LineReader(const CharTable& table, LgpFile& lgp, LgpDiagnostics* diagnostics)
      : table_(table), lgp_(lgp), diagnostics_(diagnostics), lines_(*this, diagnostics) {}

  void Handle(std::u16string_view line, std::int64_t number) { lines_.Handle(line, number); }

  void PhoneType(std::string_view value) override {
    if (diagnostics_) {
      PhoneTypeRecord trial;
      ParsePhoneType(value, trial);
      if (IsEmptyRecord(trial)) {
        lines_.Warn("phonetype-ignored", "the PhoneType value has fewer than 15 usable items and is ignored.");
      }
    }
    ParsePhoneType(value, lgp_.PhoneType);
  }

  void AllLangs(std::int32_t allLangs, std::size_t room) override {
    lgp_.AllLangs = allLangs;
    if (diagnostics_) WarnDiscarded();
    lgp_.LangIds.assign(room, 0);
    lgp_.Strings.assign(room, {});
    if (diagnostics_) diagnostics_->Sources.assign(room, {});
  }

  void MaxMsgId(std::int32_t maxMsgId) override { lgp_.MaxMsgId = maxMsgId; }

  void LgPackId(std::u16string_view, std::string_view latin1) override { lgp_.LgPackId = latin1; }

  void LangId(std::size_t language, std::int32_t id) override {
    lgp_.LangIds[language] = id;
    lgp_.LangCount = static_cast<std::int32_t>(language + 1);
  }

  std::size_t SL4xLangName(std::u16string_view text) override {
    EncodeResult result = EncodePhoneString(text, table_);
    if (!result.Ok) return result.FailedAt;
    lgp_.SL4xLangName = std::move(result.Bytes);
    return kStorable;
  }

  std::size_t String(std::size_t language, std::int32_t message, std::u16string_view text, bool) override {
    EncodeResult result = EncodePhoneString(text, table_);
    if (!result.Ok) return result.FailedAt;
    lgp_.Strings[language][message] = std::move(result.Bytes);
    if (diagnostics_) {
      auto& sources = diagnostics_->Sources[language];
      const auto number = lines_.LineNumber();
      if (const auto earlier = sources.find(message); earlier != sources.end()) {
        lines_.Warn("string-replaced",
                    "string " + std::to_string(message) + " of this language was already given on line " +
                        std::to_string(earlier->second.Line) + "; this line replaces it.",
                    message, static_cast<std::int32_t>(language));
      }
      sources[message] = {number, diagnostics_->KeepTexts ? std::u16string(text) : std::u16string()};
    }
    return kStorable;
  }

 private:
  // An AllLangs line after strings or LangIds throws them away.
  void WarnDiscarded() {
    std::size_t strings = 0;
    for (const auto& language : lgp_.Strings) strings += language.size();
    if (strings == 0 && lgp_.LangCount == 0) return;
    std::string text = "this AllLangs line discards the " + std::to_string(strings) + " strings read before it";
    if (lgp_.LangCount > 0) {
      text += ", and the " + std::to_string(lgp_.LangCount) +
              " LangId lines before it still count, so the next LangId line fills language " +
              std::to_string(lgp_.LangCount + 1);
    }
    lines_.Warn("strings-discarded", text + ".");
  }

  const CharTable& table_;
  LgpFile& lgp_;
  LgpDiagnostics* diagnostics_;
  LgpLines lines_;
};

// Header lines may stand anywhere, so whether a string is packed is known
// only at the end: numbers above MaxMsgId are read but never packed.
void WarnBeyondMaxMsgId(const LgpFile& lgp, LgpDiagnostics& diagnostics) {
  for (std::size_t l = 0; l < diagnostics.Sources.size(); ++l) {
    const auto& sources = diagnostics.Sources[l];
    for (auto it = sources.upper_bound(std::max(lgp.MaxMsgId, -1)); it != sources.end(); ++it) {
      diagnostics.Warnings.push_back({it->second.Line, "beyond-maxmsgid", it->first, static_cast<std::int32_t>(l),
                                      "string " + std::to_string(it->first) + " lies above MaxMsgId " +
                                          std::to_string(lgp.MaxMsgId) + " and is never packed."});
    }
  }
  std::stable_sort(diagnostics.Warnings.begin(), diagnostics.Warnings.end(),
                   [](const LgpWarning& a, const LgpWarning& b) { return a.Line < b.Line; });
}

}  // namespace

const PhoneBytes& LgpFile::StringAt(std::int32_t language, std::int32_t message) const {
  static const PhoneBytes empty;
  const auto& strings = Strings[static_cast<std::size_t>(language)];
  const auto found = strings.find(message);
  return found == strings.end() ? empty : found->second;
}

LgpReadStatus ReadLgpFile(std::span<const std::uint8_t> file, const CharTable& table, LgpFile& lgp,
                          const std::function<void()>& afterLine, LgpDiagnostics* diagnostics) {
  if (file.empty()) return LgpReadStatus::EmptyFile;
  if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xFE) return LgpReadStatus::NoByteOrderMark;
  LineReader reader(table, lgp, diagnostics);
  std::size_t pos = 2;
  std::u16string line;
  std::int64_t number = 0;
  // The loop runs at least once, like the reading of any other line.
  do {
    ReadUnicodeLine(file, pos, line);
    reader.Handle(LTrimWide(RTrimWide(line)), ++number);
    if (afterLine) afterLine();
  } while (pos < file.size());
  if (diagnostics) WarnBeyondMaxMsgId(lgp, *diagnostics);
  return LgpReadStatus::Read;
}

}  // namespace tarvo
