#include "decompile/decompile_command.h"

#include <system_error>

#include "codec/decode.h"
#include "config/file_io.h"
#include "flash/identify.h"
#include "flash/pack_reader.h"
#include "frame/run_command.h"
#include "lgp/lgp_writer.h"

namespace tarvo {

namespace {

// The output must be a file of its own: never the input, never a folder.
void CheckOutput(const std::filesystem::path& path, const std::filesystem::path& flashPath) {
  std::error_code error;
  if (std::filesystem::equivalent(path, flashPath, error)) {
    throw Error("The text file \"" + DisplayPath(path) + "\" is the flash file itself; choose another name.");
  }
  if (std::filesystem::is_directory(path, error)) {
    throw Error("Cannot write \"" + DisplayPath(path) + "\": it is a folder.");
  }
}

}  // namespace

std::vector<std::uint8_t> DecompileImage(std::span<const std::uint8_t> image, std::string_view fileName,
                                         const Configuration& config, const DecompileOptions& options) {
  const bool signatures = options.SaveLangSignatures;
  const Identification id = IdentifyFlash(image, fileName, config, signatures);
  if (id.TypeIndex < 0) throw UnknownFlashError();
  const PhoneTypeRecord& type = id.Type;
  const PackView pack(image, type.PackOffset);
  const PackContents contents = ReadPack(pack, type);

  LgpWriter out;
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

  std::vector<std::uint8_t> phoneBytes;
  std::u16string text;
  for (std::int32_t language = 0; language < contents.AllLangs; ++language) {
    out.Line(";");
    out.Line("; Language data");
    out.Line(";");
    out.Line("LangId " + std::to_string(contents.LangIds[static_cast<std::size_t>(language)]));
    for (std::int32_t message = 0; message < messages; ++message) {
      phoneBytes.clear();
      ReadPackString(pack, contents, language, message, phoneBytes);
      out.StringLineStart(message, options.HexStringNumbers && options.HexStringNumbers());
      text.clear();
      DecodePhoneString(phoneBytes, config.Chars, signatures, text);
      out.Text(text);
      out.Text("\"");
      out.EndLine();
      if (options.Progress) options.Progress(static_cast<double>(messages) * language + message, total);
    }
  }
  const auto bytes = out.Bytes();
  return {bytes.begin(), bytes.end()};
}

CommandResult RunDecompile(CommandFrame& frame, const Configuration& config, const std::filesystem::path& flashPath,
                           const std::filesystem::path& lgpPath) {
  frame.SetStatusText("Analyzing...");
  frame.Yield();
  try {
    CheckOutput(lgpPath, flashPath);
  } catch (const Error& e) {
    return FailCommand(frame, e.what());
  }
  FrameLock lock(frame);
  return RunCommand(frame, "Not enough memory to decompile \"" + DisplayPath(flashPath) + "\".", [&] {
    const std::vector<std::uint8_t> file = ReadWholeFile(flashPath);
    if (file.empty()) {
      std::error_code ignored;
      std::filesystem::remove(flashPath, ignored);
      return CommandResult{CommandOutcome::Silent, "The flash file \"" + DisplayPath(flashPath) +
                                                       "\" is empty (0 bytes) and has been deleted."};
    }
    DecompileOptions options;
    options.SaveLangSignatures = frame.SaveLangSignatures();
    options.HexStringNumbers = [&frame] { return frame.HexStringNumbers(); };
    options.Progress = [&frame, started = false](double done, double total) mutable {
      if (!started) {
        started = true;
        frame.SetStatusText("Decompiling...");
        frame.SetProgressMinimum(0);
        frame.SetProgressMaximum(total);
      }
      frame.SetProgressValue(done);
      frame.Yield();
    };
    std::vector<std::uint8_t> text;
    try {
      text = DecompileImage(file, flashPath.string(), config, options);
    } catch (const UnknownFlashError& e) {
      // Said in a message box of its own; the status stays as it was.
      frame.ShowMessage({e.what(), "Error", MessageKind::Notice});
      return CommandResult{CommandOutcome::Failed, {}};
    }
    WriteFileReplacing(lgpPath, text);
    return CommandResult{};
  });
}

}  // namespace tarvo
