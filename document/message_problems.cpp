#include <cstdio>

#include "check/text_checks.h"
#include "codec/encode.h"
#include "config/text_utils.h"
#include "document/document.h"
#include "document/measure.h"
#include "flash/layout.h"

namespace tarvo {

namespace {

std::string Written(const std::vector<Conversion>& conversions) {
  if (conversions.empty()) return "none";
  std::string text;
  for (const Conversion& c : conversions) text += (text.empty() ? "" : " ") + c.Written;
  return "\"" + text + "\"";
}

std::optional<char16_t> FirstAbove7FFF(std::u16string_view text) {
  for (const char16_t c : text) {
    if (c > 0x7FFF) return c;
  }
  return std::nullopt;
}

}  // namespace

std::optional<MessageProblem> OverlongProblem(const Document& document, std::size_t language,
                                              std::int32_t message, const CharTable& table,
                                              const DocumentMeasure& measure) {
  // Every code stands for at least one byte, so a short string needs no packing.
  if (document.Lgp().StringAt(static_cast<std::int32_t>(language), message).size() <= kMaxPackedLength) {
    return std::nullopt;
  }
  const std::u16string& text = document.Text(language, message);
  const auto standard = StringCost(measure, PackingStrategy::Standard, language, text, table);
  if (!standard || *standard - 1 <= kMaxPackedLength) return std::nullopt;
  const auto compact = StringCost(measure, PackingStrategy::Compact, language, text, table);
  const std::string codes = std::to_string(*standard - 1);
  if (compact && *compact - 1 <= kMaxPackedLength) {
    return MessageProblem{"long-string",
                          "The text packs to " + codes +
                              " codes with the standard packing, over 254; the compact packing "
                              "takes " +
                              std::to_string(*compact - 1) + "."};
  }
  const std::int64_t least = compact ? std::min(*compact, *standard) - 1 : *standard - 1;
  return MessageProblem{"long-string", "The text packs to " + std::to_string(least) +
                                           " codes even with the compact packing, over 254: shorten it, or a "
                                           "compile crops it."};
}

std::vector<MessageProblem> MessageProblems(const Document& document, std::size_t language,
                                            std::int32_t message, std::size_t reference,
                                            const CharTable& table, const DocumentMeasure* measure) {
  std::vector<MessageProblem> problems;
  const std::u16string& text = document.Text(language, message);
  if (text.empty()) return problems;
  if (const auto c = FirstAbove7FFF(text)) {
    problems.push_back({"above-7fff", "The character " + CodePointName(*c) +
                                          " cannot be stored in the phone's text (characters above U+7FFF "
                                          "cannot); a compile refuses the file until it is removed."});
  } else if (const auto u = FindUnselectableCharacter(text, table)) {
    const auto window = static_cast<char16_t>(*u - *u % 128);
    problems.push_back(
        {"no-window", "The character " + CodePointName(*u) + " lies in the window " + CodePointName(window) +
                          " to " + CodePointName(static_cast<char16_t>(window + 127)) +
                          ", which no TRANS entry selects; the phone shows another character."});
  }
  if (const auto piece = FindFalseEscape(text)) {
    problems.push_back(
        {"false-escape", "\"" + Excerpt(*piece) +
                             "\" looks like an escape but is none (an escape is \"<\", two "
                             "hexadecimal digits from 01 to FF, \">\"); it is stored as it stands."});
  }
  const std::u16string& expected = document.Text(reference, message);
  if (language != reference && !expected.empty()) {
    const auto conversions = FindConversions(text);
    const auto expectedConversions = FindConversions(expected);
    if (!SameConversions(conversions, expectedConversions)) {
      problems.push_back({"conversions", "The conversions differ from the reference: this text has " +
                                             Written(conversions) + ", the reference " +
                                             Written(expectedConversions) + "."});
    }
    const int escapes = CountControlEscapes(text);
    const int expectedEscapes = CountControlEscapes(expected);
    if (escapes != expectedEscapes) {
      problems.push_back({"control-escapes", "This text has " + std::to_string(escapes) +
                                                 " control escapes (such as <0A>), the reference " +
                                                 std::to_string(expectedEscapes) + "."});
    }
  }
  if (measure) {
    if (auto problem = OverlongProblem(document, language, message, table, *measure)) {
      problems.push_back(std::move(*problem));
    }
  }
  return problems;
}

}  // namespace tarvo
