// The lines of a .lgp text file: how each is cut into key and value, how its
// numbers and quoted texts read, which language a "LangId" or "String" line
// belongs to, and which lines are refused. The compile reader and the
// layout-keeping scanner both read through it, so they cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tarvo {

struct LgpDiagnostics;

// What a reader does with the lines that the rules accept.
class LgpLineSink {
 public:
  static constexpr std::size_t kStorable = std::u16string_view::npos;

  virtual void PhoneType(std::string_view value) = 0;  // 8-bit characters
  // Comes before the languages are made anew: `room` of them, never negative.
  virtual void AllLangs(std::int32_t allLangs, std::size_t room) = 0;
  virtual void MaxMsgId(std::int32_t maxMsgId) = 0;
  virtual void LgPackId(std::u16string_view value, std::string_view latin1) = 0;
  virtual void LangId(std::size_t language, std::int32_t id) = 0;
  // The texts between the quotation marks. Each returns kStorable, or the
  // position of a unit the phone cannot hold, which refuses the line (see
  // UnstorableRefusal for a sink that keeps such a text instead). A later
  // String line of the same language and message replaces the earlier one.
  virtual std::size_t SL4xLangName(std::u16string_view text) = 0;
  virtual std::size_t String(std::size_t language, std::int32_t message, std::u16string_view text,
                             bool hexNumber) = 0;

 protected:
  ~LgpLineSink() = default;
};

class LgpLines {
 public:
  // With `diagnostics`, lines passed over or read other than they look are
  // warned of there, and a refused line is noted as its FailedLine.
  LgpLines(LgpLineSink& sink, LgpDiagnostics* diagnostics) : sink_(sink), diagnostics_(diagnostics) {}

  // Handles one line, its blanks at both ends already removed; `number`
  // counts from 1. A line the format cannot hold is an Error naming it.
  void Handle(std::u16string_view line, std::int64_t number);

  std::int64_t LineNumber() const { return number_; }
  std::int32_t AllLangs() const { return allLangs_; }
  std::int32_t LangCount() const { return langCount_; }
  // The languages that have a section: the LangId lines accepted, at most AllLangs.
  std::size_t Sections() const;

  void Warn(const char* kind, std::string text, std::optional<std::int32_t> message = {},
            std::optional<std::int32_t> language = {}) const;

  // The Error text that refuses the current line for the unit at `at` of
  // `text`, one the phone cannot hold; `what` names the text, as StringName does.
  std::string UnstorableRefusal(std::u16string_view text, std::size_t at, const std::string& what) const;
  static std::string StringName(std::int32_t message, std::size_t language);

 private:
  std::string Refusal(const std::string& what) const;
  [[noreturn]] void Fail(const std::string& what) const;
  std::int32_t Number(std::u16string_view text, const char* what) const;
  std::string Latin1(std::u16string_view text, const char* what) const;
  std::optional<std::u16string_view> Quoted(std::u16string_view value) const;
  [[noreturn]] void FailUnstorable(std::u16string_view text, std::size_t at, const std::string& what) const;
  void String(std::u16string_view value);

  LgpLineSink& sink_;
  LgpDiagnostics* diagnostics_;
  std::int64_t number_ = 0;
  std::int32_t allLangs_ = 0, langCount_ = 0;
};

// The position of the first unit of `text` that a phone string cannot hold
// (one above U+7FFF), or kStorable.
std::size_t FindUnstorable(std::u16string_view text);

}  // namespace tarvo
