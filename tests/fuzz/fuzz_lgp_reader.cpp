// Fuzz target: any bytes as an .lgp text file, read and checked; read again
// with diagnostics, which must not change what is read, and every string's
// text through the check's text rules.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "check/text_checks.h"
#include "compile/lgp_checks.h"
#include "config/error.h"
#include "lgp/lgp_file.h"
#include "tests/fuzz/fuzz_config.h"

namespace {

void CheckTexts(const tarvo::LgpDiagnostics& diagnostics, const tarvo::CharTable& table) {
  for (const auto& language : diagnostics.Sources) {
    for (const auto& [message, source] : language) {
      (void)tarvo::SameConversions(tarvo::FindConversions(source.Text), {});
      (void)tarvo::CountControlEscapes(source.Text);
      (void)tarvo::FindFalseEscape(source.Text);
      (void)tarvo::FindUnselectableCharacter(source.Text, table);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const tarvo::Configuration config = tarvo::fuzz::Configuration();
  tarvo::LgpFile lgp, watched;
  tarvo::LgpDiagnostics diagnostics;
  bool refused = false, watchedRefused = false;
  try {
    if (tarvo::ReadLgpFile({data, size}, config.Chars, lgp) == tarvo::LgpReadStatus::Read) {
      tarvo::CheckDataModel(lgp);
    }
  } catch (const tarvo::Error&) {
    refused = true;  // refused with a message
  }
  try {
    if (tarvo::ReadLgpFile({data, size}, config.Chars, watched, {}, &diagnostics) == tarvo::LgpReadStatus::Read) {
      tarvo::CheckDataModel(watched);
    }
  } catch (const tarvo::Error&) {
    watchedRefused = true;
  }
  if (refused != watchedRefused || lgp.Strings != watched.Strings) std::abort();
  CheckTexts(diagnostics, config.Chars);
  return 0;
}
