#include "decompile/decompile_command.h"

#include <algorithm>

#include "codec/decode.h"
#include "flash/identify.h"
#include "flash/layout.h"
#include "flash/pack_reader.h"
#include "lgp/lgp_writer.h"

namespace tarvo {

std::vector<std::uint8_t> DecompileImage(std::span<const std::uint8_t> image, std::string_view fileName,
                                         const Configuration& config, const DecompileOptions& options) {
  const bool signatures = options.SaveLangSignatures;
  const Identification id = IdentifyFlash(image, fileName, config, signatures);
  if (id.TypeIndex < 0) throw UnknownFlashError();
  const PhoneTypeRecord& type = id.Type;
  const PackView pack(image, type.PackOffset);
  const PackContents contents = ReadPack(pack, type);

  LgpWriter out;
  // A pack's blocks of codes come out as about twice as many characters of
  // two bytes each, and every line brings some forty bytes of its own.
  const std::int64_t strings = std::int64_t{contents.MaxMsgId + 1} * contents.AllLangs;
  out.Reserve(static_cast<std::size_t>(
      std::min<std::int64_t>(std::int64_t{4} * kBlockSize * (contents.BlockCount + 1) + 40 * strings, 64 << 20)));
  out.Line(";");
  out.Line("; Header info");
  out.Line(";");
  out.Line("PhoneType " + type.Definition);
  out.Line("AllLangs " + std::to_string(contents.AllLangs));
  out.Line("MaxMsgId " + std::to_string(contents.MaxMsgId));
  out.Line("LgPackId " + contents.LgPackId);
  if (type.IsLangFile) {
    out.Text("SL4xLangName \"");
    out.Text(id.LanguageName);
    out.Text("\"");
    out.EndLine();
  }
  out.Line(";");

  const std::int32_t messages = contents.MaxMsgId + 1;
  const double total = static_cast<double>(messages) * contents.AllLangs;
  if (options.Progress) options.Progress(0, total);
  // Progress a thousand times at most, and for the last string: finer than
  // any bar shows, where a call for every string cost a tenth of the time.
  const std::int64_t progressStep = std::max<std::int64_t>(1, (strings + 999) / 1000);
  const auto askHex = [&options] { return options.HexStringNumbers && options.HexStringNumbers(); };
  bool hex = askHex();

  const std::vector<std::int64_t> records = StringRecords(pack, contents);
  PackStringBuffer phoneBytes;
  std::int64_t done = 0, untilProgress = 0;
  for (std::int32_t language = 0; language < contents.AllLangs; ++language) {
    out.Line(";");
    out.Line("; Language data");
    out.Line(";");
    out.Line("LangId " + std::to_string(contents.LangIds[static_cast<std::size_t>(language)]));
    for (std::int32_t message = 0; message < messages; ++message, ++done) {
      const auto slot = static_cast<std::size_t>(contents.AllLangs) * static_cast<std::size_t>(message) +
                        static_cast<std::size_t>(language);
      const auto bytes = ReadPackRecord(pack, contents, language, records[slot], phoneBytes);
      out.StringLine(message, hex, kMostUnitsPerPhoneByte * bytes.size(), [&](char16_t* text) {
        return DecodePhoneString(bytes, config.Chars, signatures, text);
      });
      if (untilProgress-- == 0 || done + 1 == strings) {
        untilProgress = progressStep - 1;
        if (options.Progress) options.Progress(static_cast<double>(done), total);
        hex = askHex();
      }
    }
  }
  return std::move(out).Take();
}

std::function<void(double done, double total)> DecompileProgressOn(CommandFrame& frame) {
  return [&frame, started = false](double done, double total) mutable {
    if (!started) {
      started = true;
      frame.SetStatusText("Decompiling...");
      frame.SetProgressMinimum(0);
      frame.SetProgressMaximum(total);
    }
    frame.SetProgressValue(done);
    frame.Yield();
  };
}

std::optional<std::vector<std::uint8_t>> DecompileOnFrame(CommandFrame& frame,
                                                          std::span<const std::uint8_t> image,
                                                          std::string_view fileName,
                                                          const Configuration& config) {
  DecompileOptions options;
  options.SaveLangSignatures = frame.SaveLangSignatures();
  options.HexStringNumbers = [&frame] { return frame.HexStringNumbers(); };
  options.Progress = DecompileProgressOn(frame);
  try {
    return DecompileImage(image, fileName, config, options);
  } catch (const UnknownFlashError& e) {
    // Said in a message box of its own; the status stays as it was.
    frame.ShowMessage({e.what(), "Error", MessageKind::Notice});
    return std::nullopt;
  }
}

}  // namespace tarvo
