#include "compile/compile_command.h"

#include <algorithm>
#include <system_error>

#include "compile/lgp_checks.h"
#include "compile/pack_writer.h"
#include "config/error.h"
#include "config/file_io.h"
#include "flash/layout.h"
#include "flash/pack_reader.h"
#include "lgp/lgp_file.h"

namespace tarvo {

namespace {

// Passes everything on, but crops silently: a trial packing asks nothing
// (what it crops is compared with what the user agreed to afterwards).
class CroppingFrame final : public CommandFrame {
 public:
  explicit CroppingFrame(CommandFrame& frame) : frame_(frame) {}
  void SetStatusText(const std::string& text) override { frame_.SetStatusText(text); }
  void SetProgressMinimum(double value) override { frame_.SetProgressMinimum(value); }
  void SetProgressMaximum(double value) override { frame_.SetProgressMaximum(value); }
  void SetProgressValue(double value) override { frame_.SetProgressValue(value); }
  double ProgressMaximum() const override { return frame_.ProgressMaximum(); }
  void Yield() override { frame_.Yield(); }
  MessageAnswer ShowMessage(const Message& message) override {
    return message.Kind == MessageKind::CropQuestion ? MessageAnswer::Ok : frame_.ShowMessage(message);
  }
  bool HexStringNumbers() const override { return frame_.HexStringNumbers(); }
  bool SaveLangSignatures() const override { return frame_.SaveLangSignatures(); }
  void Lock() override {}
  void Unlock() override {}

 private:
  CommandFrame& frame_;
};

std::string SizeLine(const PackMeasure& measure) {
  return "(the pack needs " + std::to_string(measure.Length) + " bytes, the limit is " +
         std::to_string(measure.SizeLimit) + ")";
}

// The standard pack does not fit: offers the compact one where it does.
// Returns whether the compact pack replaced the standard one.
bool OfferCompact(CommandFrame& frame, const LgpFile& lgp, const PackMeasure& standard,
                  std::vector<PackedLanguage>& languages, PivotRandom& random) {
  CroppingFrame trial(frame);
  std::vector<PackedLanguage> compact = PackLanguages(trial, lgp, PackingStrategy::Compact, random);
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

CommandResult Stop(CommandFrame& frame, const std::string& text, const char* title) {
  if (!text.empty()) frame.ShowMessage({text, title, MessageKind::Notice});
  frame.SetStatusText("Stopped!");
  return {CommandOutcome::Failed, {}};
}

}  // namespace

CommandResult RunCompile(CommandFrame& frame, const Configuration& config, PivotRandom& random,
                         const std::filesystem::path& lgpPath, const std::filesystem::path& flashPath,
                         PackingStrategy strategy) {
  FrameLock lock(frame);
  PackMeasure measure;
  frame.SetStatusText("Reading...");
  frame.SetProgressMinimum(0);
  frame.SetProgressMaximum(100);
  frame.SetProgressValue(0);
  frame.Yield();
  try {
    std::error_code error;
    if (std::filesystem::equivalent(lgpPath, flashPath, error)) {
      throw Error("The flash file \"" + DisplayPath(flashPath) + "\" is the LGpack file itself; choose another.");
    }
    const std::vector<std::uint8_t> text = ReadWholeFile(lgpPath);
    LgpFile lgp;
    LgpDiagnostics diagnostics;
    diagnostics.KeepTexts = false;
    switch (ReadLgpFile(text, config.Chars, lgp, [&] { frame.Yield(); }, &diagnostics)) {
      case LgpReadStatus::EmptyFile:
        std::filesystem::remove(lgpPath, error);
        return {CommandOutcome::Silent,
                "The LGpack file \"" + DisplayPath(lgpPath) + "\" is empty (0 bytes) and has been deleted."};
      case LgpReadStatus::NoByteOrderMark:
        return {CommandOutcome::Silent, "The LGpack file \"" + DisplayPath(lgpPath) +
                                            "\" does not begin with the UTF-16LE byte order mark (FF FE)."};
      case LgpReadStatus::Read:
        break;
    }
    if (!diagnostics.Warnings.empty()) {
      std::vector<std::string> warnings;
      for (const LgpWarning& w : diagnostics.Warnings) warnings.push_back("line " + std::to_string(w.Line) + ": " + w.Text);
      frame.ShowReaderWarnings(warnings);
    }
    CheckDataModel(lgp);

    std::vector<PackedLanguage> languages = PackLanguages(frame, lgp, strategy, random);
    measure = MeasurePack(lgp, languages);
    if (!measure.Fits() && strategy == PackingStrategy::Standard &&
        OfferCompact(frame, lgp, measure, languages, random)) {
      measure = MeasurePack(lgp, languages);
    }

    frame.SetStatusText("Writing...");
    const bool langFile = lgp.PhoneType.IsLangFile;
    std::vector<std::uint8_t> file;
    bool hadSignature = true;
    if (!langFile) {
      file = ReadWholeFile(flashPath);
      hadSignature = HasSignature(file, PackStart(lgp));
    }
    const WrittenRange range = WritePack(file, langFile, lgp, languages, [&] { frame.Yield(); });
    if (!hadSignature) {
      const Message question{"The flash file \"" + DisplayPath(flashPath) + "\" holds no language pack at offset " +
                                 HexText(PackStart(lgp)) + " for phone type " + lgp.PhoneType.Name +
                                 " (the signature BB BB 00 00 is missing). Write the pack there anyway?",
                             "Warning", MessageKind::MissingSignatureQuestion};
      if (frame.ShowMessage(question) != MessageAnswer::Ok) throw PackingStopped{};
    }
    VerifyPack(file, lgp, languages);

    if (langFile) {
      WriteFileReplacing(flashPath, file);
    } else {
      const auto first = static_cast<std::size_t>(PackStart(lgp) + range.First);
      WriteFileAt(flashPath, first, std::span(file).subspan(first, static_cast<std::size_t>(range.End - range.First)));
    }
  } catch (const PackingStopped&) {
    return Stop(frame, {}, "");
  } catch (const SizeLimitError& e) {
    frame.ShowMessage({e.what(), "Critical error", MessageKind::Notice, SizeLine(measure)});
    return Stop(frame, {}, "");
  } catch (const Error& e) {
    return Stop(frame, e.what(), "Error");
  } catch (const std::bad_alloc&) {
    return Stop(frame, "Not enough memory to compile \"" + DisplayPath(lgpPath) + "\".", "Error");
  }
  frame.SetProgressValue(frame.ProgressMaximum());
  frame.SetStatusText("Done!");
  return {CommandOutcome::Done, {}};
}

}  // namespace tarvo
