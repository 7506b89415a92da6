#include "compile/compile_command.h"

#include <algorithm>
#include <system_error>

#include "compile/lgp_checks.h"
#include "compile/lgp_file.h"
#include "compile/pack_writer.h"
#include "config/error.h"
#include "config/file_io.h"
#include "flash/layout.h"
#include "flash/pack_reader.h"

namespace tarvo {

namespace {

// Thrown when the user answers Cancel.
struct Stopped {};

std::vector<PackedLanguage> PackLanguages(CommandFrame& frame, const LgpFile& lgp, PivotRandom& random) {
  frame.SetStatusText("Packing...");
  const std::int32_t nL = lgp.AllLangs;
  const std::int32_t M = lgp.MaxMsgId;
  const std::int32_t p = (M + 1) / 100;
  frame.SetProgressMaximum(static_cast<double>(p) * nL * 2);
  frame.Yield();

  std::vector<std::vector<const PhoneBytes*>> strings(static_cast<std::size_t>(nL));
  for (std::int32_t l = 0; l < nL; ++l) {
    for (std::int32_t m = 0; m <= M; ++m) strings[static_cast<std::size_t>(l)].push_back(&lgp.StringAt(l, m));
  }

  std::vector<PackedLanguage> languages(static_cast<std::size_t>(nL));
  for (std::int32_t l = 0; l < nL; ++l) {
    languages[static_cast<std::size_t>(l)].Dict =
        BuildDictionary(strings[static_cast<std::size_t>(l)], random, [&](int k, std::int32_t m) {
          if (m < 0) frame.SetProgressValue(static_cast<double>(p) * l + (p / 4) * k);
          frame.Yield();
        });
  }

  for (std::int32_t l = 0; l < nL; ++l) {
    PackedLanguage& language = languages[static_cast<std::size_t>(l)];
    const DictionaryLookup lookup(language.Dict);
    for (std::int32_t m = 0; m <= M; ++m) {
      PhoneBytes packed = PackString(*strings[static_cast<std::size_t>(l)][static_cast<std::size_t>(m)], lookup);
      bool cropped = false;
      if (packed.size() > static_cast<std::size_t>(kMaxPackedLength)) {
        const Message question{"String " + std::to_string(m) + " in language " + std::to_string(l + 1) +
                                   " doesn't fit to 254 bytes length. Crop it?",
                               "String to long", MessageKind::CropQuestion};
        if (frame.ShowMessage(question) != MessageAnswer::Ok) throw Stopped{};
        packed.resize(kMaxPackedLength);
        cropped = true;
      }
      language.Packed.push_back(std::move(packed));
      language.Cropped.push_back(cropped);
      frame.SetProgressValue(static_cast<double>(nL + l) * p + (m + 1) / 100);
      frame.Yield();
    }
  }
  return languages;
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
                         const std::filesystem::path& lgpPath, const std::filesystem::path& flashPath) {
  FrameLock lock(frame);
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
    switch (ReadLgpFile(text, config.Chars, lgp, [&] { frame.Yield(); })) {
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
    CheckDataModel(lgp);

    const std::vector<PackedLanguage> languages = PackLanguages(frame, lgp, random);

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
      if (frame.ShowMessage(question) != MessageAnswer::Ok) throw Stopped{};
    }
    VerifyPack(file, lgp, languages);

    if (langFile) {
      WriteFileReplacing(flashPath, file);
    } else {
      const auto first = static_cast<std::size_t>(PackStart(lgp) + range.First);
      WriteFileAt(flashPath, first, std::span(file).subspan(first, static_cast<std::size_t>(range.End - range.First)));
    }
  } catch (const Stopped&) {
    return Stop(frame, {}, "");
  } catch (const SizeLimitError& e) {
    return Stop(frame, e.what(), "Critical error");
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
