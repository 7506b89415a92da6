#include "compile/compile_command.h"

#include <algorithm>

#include "compile/lgp_checks.h"
#include "compile/pack_writer.h"
#include "config/error.h"
#include "frame/run_command.h"
#include "flash/layout.h"
#include "flash/pack_reader.h"
#include "lgp/lgp_file.h"

namespace tarvo {

namespace {

std::string SizeLine(const PackMeasure& measure) {
  return "(the pack needs " + std::to_string(measure.Length) + " bytes, the limit is " +
         std::to_string(measure.SizeLimit) + ")";
}

// The standard pack does not fit: offers the compact one where it does.
// Returns whether the compact pack replaced the standard one.
bool OfferCompact(CommandFrame& frame, const LgpFile& lgp, const PackMeasure& standard,
                  std::vector<PackedLanguage>& languages, PivotRandom& random) {
  // A trial asks nothing: what it crops is compared with what the user
  // agreed to crop afterwards.
  PackingControl trial = FrameControl(frame);
  trial.Crop = CropPolicy::Always;
  std::vector<PackedLanguage> compact = PackLanguages(lgp, PackingStrategy::Compact, random, trial);
  const PackMeasure measure = MeasurePack(lgp, compact);
  if (!measure.Fits()) return false;
  // Nothing is cropped that the user has not agreed to crop.
  for (std::size_t l = 0; l < compact.size(); ++l) {
    for (std::size_t m = 0; m < compact[l].Cropped.size(); ++m) {
      if (compact[l].Cropped[m] && !languages[l].Cropped[m]) return false;
    }
  }
  const std::string spare = std::to_string(measure.Spare());
  // What the standard pack's failure would have said.
  std::string report = standard.DictionariesEnd >= kBlockSize
                           ? TablesPastFirstBlockText(standard.DictionariesEnd)
                           : kSizeLimitText + std::string("\n") + SizeLine(standard);
  report += "\nWith --compact the pack fits, with " + spare + " bytes to spare.";
  const Message question{"The langpack size exceeds phone's limit with the standard packing. Compact packing fits "
                         "it, with " + spare + " bytes to spare. Write the compact pack?",
                         "Compact packing", MessageKind::CompactQuestion, report};
  if (frame.ShowMessage(question) != MessageAnswer::Ok) throw PackingStopped{};
  languages = std::move(compact);
  return true;
}

// Reads the new pack back as the phone would and compares it with the input,
// so that a packing fault can never reach a file.
void VerifyPack(std::span<const std::uint8_t> file, const LgpFile& lgp, std::span<const PackedLanguage> languages) {
  try {
    PhoneTypeRecord type = lgp.PhoneType;
    type.PackOffset = static_cast<std::int32_t>(PackStart(lgp));
    const PackView view(file, type.PackOffset);
    const PackContents c = ReadPack(view, type);
    if (c.AllLangs != lgp.AllLangs || c.MaxMsgId != lgp.MaxMsgId || c.LgPackId != lgp.LgPackId) {
      throw Error("the header reads back differently");
    }
    std::vector<std::uint8_t> read;
    for (std::int32_t l = 0; l < lgp.AllLangs; ++l) {
      const PackedLanguage& language = languages[static_cast<std::size_t>(l)];
      if (c.LangIds[static_cast<std::size_t>(l)] != lgp.LangIds[static_cast<std::size_t>(l)]) {
        throw Error("the LangId of language " + std::to_string(l + 1) + " reads back differently");
      }
      for (std::int32_t m = 0; m <= lgp.MaxMsgId; ++m) {
        read.clear();
        ReadPackString(view, c, l, m, read);
        const bool cropped = language.Cropped[static_cast<std::size_t>(m)];
        if (cropped ? read != ExpandCodes(language.Packed[static_cast<std::size_t>(m)], language.Dict)
                    : read != lgp.StringAt(l, m)) {
          throw Error("string " + std::to_string(m) + " in language " + std::to_string(l + 1) +
                      " reads back differently");
        }
      }
    }
  } catch (const Error& e) {
    throw Error(std::string("Internal error: the new language pack does not read back as it was packed (") +
                e.what() + "). Nothing has been written.");
  }
}

bool HasSignature(std::span<const std::uint8_t> file, std::int64_t p) {
  if (p < 0 || p + 4 > static_cast<std::int64_t>(file.size())) return false;
  return std::equal(kPackSignature.begin(), kPackSignature.end(), file.begin() + p);
}

// Reads the .lgp text, passing the reader's warnings to the frame.
LgpFile ReadCompileInput(CommandFrame& frame, std::span<const std::uint8_t> text, const Configuration& config) {
  LgpFile lgp;
  LgpDiagnostics diagnostics;
  diagnostics.KeepTexts = false;
  const LgpReadStatus status = ReadLgpFile(text, config.Chars, lgp, [&] { frame.Yield(); }, &diagnostics);
  if (status != LgpReadStatus::Read) throw LgpNotRead{status};
  if (!diagnostics.Warnings.empty()) {
    std::vector<std::string> warnings;
    for (const LgpWarning& w : diagnostics.Warnings) warnings.push_back("line " + std::to_string(w.Line) + ": " + w.Text);
    frame.ShowReaderWarnings(warnings);
  }
  CheckDataModel(lgp);
  return lgp;
}

}  // namespace

CompiledImage CompileImage(CommandFrame& frame, std::span<const std::uint8_t> lgpText, const FlashSource& flash,
                           const Configuration& config, PivotRandom& random, PackingStrategy strategy,
                           CropPolicy crop) {
  const LgpFile lgp = ReadCompileInput(frame, lgpText, config);

  frame.SetStatusText("Packing...");
  PackingControl control = FrameControl(frame);
  control.Crop = crop;
  std::vector<PackedLanguage> languages = PackLanguages(lgp, strategy, random, control);
  CompiledImage compiled;
  compiled.Written = strategy;
  PackMeasure measure = MeasurePack(lgp, languages);
  if (!measure.Fits() && strategy == PackingStrategy::Standard &&
      OfferCompact(frame, lgp, measure, languages, random)) {
    compiled.Written = PackingStrategy::Compact;
    measure = MeasurePack(lgp, languages);
  }
  compiled.Measure = measure;

  frame.SetStatusText("Writing...");
  compiled.LanguageFile = lgp.PhoneType.IsLangFile;
  compiled.PackStart = PackStart(lgp);
  bool hadSignature = true;
  if (!compiled.LanguageFile) {
    if (!flash.Read) throw Error("No flash image to write the pack into for phone type " + lgp.PhoneType.Name + ".");
    compiled.Image = flash.Read();
    hadSignature = HasSignature(compiled.Image, compiled.PackStart);
  }
  try {
    compiled.Range = WritePack(compiled.Image, compiled.LanguageFile, lgp, languages, [&] { frame.Yield(); });
  } catch (const SizeLimitError& e) {
    frame.ShowMessage({e.what(), "Critical error", MessageKind::Notice, SizeLine(measure)});
    throw PackingStopped{};
  }
  if (!hadSignature) {
    const Message question{"The flash file \"" + flash.Name + "\" holds no language pack at offset " +
                               HexText(compiled.PackStart) +
                               " for phone type " + lgp.PhoneType.Name +
                               " (the signature BB BB 00 00 is missing). Write the pack there anyway?",
                           "Warning", MessageKind::MissingSignatureQuestion};
    if (frame.ShowMessage(question) != MessageAnswer::Ok) throw PackingStopped{};
  }
  VerifyPack(compiled.Image, lgp, languages);
  return compiled;
}

}  // namespace tarvo
