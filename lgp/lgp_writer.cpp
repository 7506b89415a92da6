#include "lgp/lgp_writer.h"

#include <cstdio>

#include "config/text_utils.h"
#include "lgp/unicode_line.h"

namespace tarvo {

LgpWriter::LgpWriter() : bytes_("\xFF\xFE") {}

void LgpWriter::Line(std::string_view latin1) {
  Text(latin1);
  EndLine();
}

void LgpWriter::Text(std::string_view latin1) { AppendUtf16Le(Latin1ToUtf16(latin1), bytes_); }

void LgpWriter::Text(std::u16string_view text) { AppendUtf16Le(text, bytes_); }

void LgpWriter::StringLineStart(std::int32_t message, bool hex) {
  char text[32];
  std::snprintf(text, sizeof text, hex ? "String $%X, \"" : "String %d, \"", static_cast<int>(message));
  Text(std::string_view(text));
}

void LgpWriter::EndLine() { AppendUtf16Le(u"\r\n", bytes_); }

}  // namespace tarvo
