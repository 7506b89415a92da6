#include "decompile/decompile_command.h"

#include <cstdio>
#include <system_error>

#include "codec/decode.h"
#include "config/error.h"
#include "config/file_io.h"
#include "config/text_utils.h"
#include "flash/identify.h"
#include "flash/pack_reader.h"
#include "lgp/unicode_line.h"

namespace tarvo {

namespace {

// Builds the UTF-16LE text file in memory, line by line.
class LgpWriter {
 public:
  LgpWriter() { bytes_ = "\xFF\xFE"; }

  // A line of 8-bit header text.
  void Line(std::string_view latin1) {
    AppendUtf16Le(Latin1ToUtf16(latin1), bytes_);
    EndLine();
  }
  void Text(std::string_view latin1) { AppendUtf16Le(Latin1ToUtf16(latin1), bytes_); }
  void Text(std::u16string_view text) { AppendUtf16Le(text, bytes_); }
  void EndLine() { AppendUtf16Le(u"\r\n", bytes_); }

  std::span<const std::uint8_t> Bytes() const {
    return {reinterpret_cast<const std::uint8_t*>(bytes_.data()), bytes_.size()};
  }

 private:
  std::string bytes_;
};

std::string StringLinePrefix(std::int32_t message, bool hex) {
  char text[32];
  std::snprintf(text, sizeof text, hex ? "String $%X, \"" : "String %d, \"", static_cast<int>(message));
  return text;
}

void RemoveOldOutput(const std::filesystem::path& path, const std::filesystem::path& flashPath) {
  std::error_code error;
  // Deleting the output must never delete the input.
  if (std::filesystem::equivalent(path, flashPath, error)) {
    throw Error("The text file \"" + DisplayPath(path) + "\" is the flash file itself; choose another name.");
  }
  if (std::filesystem::is_directory(path, error)) {
    throw Error("Cannot write \"" + DisplayPath(path) + "\": it is a folder.");
  }
  // Only a file is deleted; a device such as /dev/null is written into.
  const auto status = std::filesystem::symlink_status(path, error);
  if (!std::filesystem::is_regular_file(status) && !std::filesystem::is_symlink(status)) return;
  std::filesystem::remove(path, error);
  if (error) throw Error("Cannot delete \"" + DisplayPath(path) + "\": " + error.message());
}

CommandResult Fail(CommandFrame& frame, const std::string& text) {
  frame.ShowMessage({text, "Error", MessageKind::Notice});
  frame.SetStatusText("Stopped!");
  return {CommandOutcome::Failed, {}};
}

}  // namespace

CommandResult RunDecompile(CommandFrame& frame, Configuration& config, const std::filesystem::path& flashPath,
                           const std::filesystem::path& lgpPath) {
  frame.SetStatusText("Analyzing...");
  frame.Yield();
  try {
    RemoveOldOutput(lgpPath, flashPath);
  } catch (const Error& e) {
    return Fail(frame, e.what());
  }
  FrameLock lock(frame);

  try {
    const std::vector<std::uint8_t> file = ReadWholeFile(flashPath);
    if (file.empty()) {
      std::error_code ignored;
      std::filesystem::remove(flashPath, ignored);
      return {CommandOutcome::Silent,
              "The flash file \"" + DisplayPath(flashPath) + "\" is empty (0 bytes) and has been deleted."};
    }
    const bool signatures = frame.SaveLangSignatures();
    const Identification id = IdentifyFlash(file, flashPath.string(), config, signatures);
    if (id.TypeIndex < 0) {
      frame.ShowMessage({"Unknow phone's flash!", "Error", MessageKind::Notice});
      return {CommandOutcome::Failed, {}};
    }
    const PhoneTypeRecord& type = config.PhoneTypes[static_cast<std::size_t>(id.TypeIndex)];
    const PackView pack(file, type.PackOffset);
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

    frame.SetStatusText("Decompiling...");
    const std::int32_t messages = contents.MaxMsgId + 1;
    frame.SetProgressMinimum(0);
    frame.SetProgressMaximum(static_cast<double>(messages) * contents.AllLangs);
    frame.SetProgressValue(0);
    frame.Yield();

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
        out.Text(StringLinePrefix(message, frame.HexStringNumbers()));
        text.clear();
        DecodePhoneString(phoneBytes, config.Chars, signatures, text);
        out.Text(text);
        out.Text("\"");
        out.EndLine();
        frame.SetProgressValue(static_cast<double>(messages) * language + message);
        frame.Yield();
      }
    }
    WriteFileReplacing(lgpPath, out.Bytes());
  } catch (const Error& e) {
    return Fail(frame, e.what());
  } catch (const std::bad_alloc&) {
    return Fail(frame, "Not enough memory to decompile \"" + DisplayPath(flashPath) + "\".");
  }
  frame.SetStatusText("Done!");
  return {CommandOutcome::Done, {}};
}

}  // namespace tarvo
