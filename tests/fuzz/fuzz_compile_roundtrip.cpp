// Differential fuzz target: the bytes choose an .lgp file (phone type,
// languages, strings with escapes and characters of several windows); it is
// compiled into a template and read back. Every string must come back (a
// cropped one as its beginning), and a refused compile must leave the
// template exactly as it was.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "codec/encode.h"
#include "compile/compile_command.h"
#include "config/file_io.h"
#include "flash/pack_reader.h"
#include "lgp/unicode_line.h"
#include "tests/fuzz/fuzz_config.h"
#include "tests/support/test_frame.h"

namespace {

using namespace tarvo;

// Takes values from the fuzz input; zeros once it is used up.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint32_t Take(std::uint32_t limit) {  // 0 to limit - 1
    std::uint32_t value = 0;
    for (int i = 0; i < 2; ++i) value = value * 256 + (at_ < size_ ? data_[at_++] : 0);
    return limit ? value % limit : 0;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

std::u16string Ascii(const std::string& s) { return {s.begin(), s.end()}; }

std::u16string RandomText(Bytes& in) {
  static const char16_t windows[] = {0, 0x80, 0x380, 0x400, 0x7F80, 0x1000};
  std::u16string text;
  const std::uint32_t length = in.Take(4) == 0 ? in.Take(400) : in.Take(40);
  while (text.size() < length) {
    switch (in.Take(8)) {
      case 0: {  // an escape
        static const char* hex = "0123456789ABCDEF";
        const std::uint32_t v = in.Take(256);
        text += u'<';
        text += static_cast<char16_t>(hex[v / 16]);
        text += static_cast<char16_t>(hex[v % 16]);
        text += u'>';
        break;
      }
      case 1:
        text += static_cast<char16_t>(in.Take(3) == 0 ? 0x8000 + in.Take(0x7FFF) : u'<');
        break;
      default:
        text += static_cast<char16_t>(windows[in.Take(std::size(windows))] + in.Take(128));
    }
    // A .lgp line ends at CR LF, so a string cannot hold that pair: its LF
    // is written as an escape, which stands for the same byte.
    if (text.ends_with(u"\r\n")) text.replace(text.size() - 1, 1, u"<0A>");
  }
  return text;
}

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    // In memory where the system offers it: the compile syncs what it writes.
    const std::filesystem::path base =
        std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
    auto path = base / ("tarvo-fuzz-" + std::to_string(::getpid()));
    std::filesystem::create_directories(path);
    return path;
  }();
  return folder;
}

void WriteAll(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                              static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const Configuration config = fuzz::Configuration();
  Bytes in(data, size);
  const std::size_t typeIndex = in.Take(3);
  const PhoneTypeRecord& type = config.PhoneTypes[typeIndex];
  const int languages = 1 + static_cast<int>(in.Take(4));
  const int maxMsgId = type.MaxMsgIdPos ? static_cast<int>(in.Take(70)) : type.DefaultMaxMsgId;

  std::vector<std::u16string> lines = {u"PhoneType " + Ascii(type.Definition),
                                       u"AllLangs " + Ascii(std::to_string(languages)),
                                       u"MaxMsgId " + Ascii(std::to_string(maxMsgId)), u"LgPackId FUZZ"};
  if (type.IsLangFile) lines.push_back(u"SL4xLangName \"" + RandomText(in).substr(0, 8) + u"\"");
  std::vector<std::vector<std::u16string>> texts(static_cast<std::size_t>(languages));
  for (int l = 0; l < languages; ++l) {
    lines.push_back(u"LangId " + Ascii(std::to_string(in.Take(8) == 0 ? in.Take(300) : l)));
    for (int m = 0; m <= maxMsgId; ++m) {
      texts[static_cast<std::size_t>(l)].push_back(in.Take(3) == 0 ? u"" : RandomText(in));
      lines.push_back(u"String " + Ascii(std::to_string(m)) + u", \"" + texts[static_cast<std::size_t>(l)].back() + u"\"");
    }
  }
  std::string lgp = "\xFF\xFE";
  for (const auto& line : lines) {
    AppendUtf16Le(line, lgp);
    AppendUtf16Le(u"\r\n", lgp);
  }

  const auto lgpPath = Folder() / "in.lgp";
  const auto flashPath = Folder() / (type.IsLangFile ? "out.lng" : "flash.bin");
  std::ofstream(lgpPath, std::ios::binary) << lgp;
  std::vector<std::uint8_t> templateBytes(type.IsLangFile ? 16 : 0x20000, 0x5A);
  if (!type.IsLangFile) {
    for (int i = 0; i < 4; ++i) templateBytes[static_cast<std::size_t>(type.PackOffset + i)] = i < 2 ? 0xBB : 0;
  }
  WriteAll(flashPath, templateBytes);

  test::TestFrame frame;
  frame.defaultAnswer = MessageAnswer::Ok;  // crop every over-long string
  PivotRandom random;
  const CommandResult result = RunCompile(frame, config, random, lgpPath, flashPath);
  const std::vector<std::uint8_t> written = ReadWholeFile(flashPath);
  if (result.Outcome != CommandOutcome::Done) {
    if (written != templateBytes) __builtin_trap();  // a refusal changed the file
    return 0;
  }

  // Read the pack back as the phone would.
  PhoneTypeRecord readType = type;
  if (type.IsLangFile) {
    const auto nameEnd = std::find(written.begin(), written.end(), std::uint8_t{0});
    if (nameEnd == written.end()) __builtin_trap();
    readType.PackOffset = static_cast<std::int32_t>(nameEnd - written.begin()) + 1;
  }
  const PackView view(written, readType.PackOffset);
  const PackContents contents = ReadPack(view, readType);  // an Error here escapes: a finding
  if (contents.AllLangs != languages || contents.MaxMsgId != maxMsgId) __builtin_trap();
  for (int l = 0; l < languages; ++l) {
    for (int m = 0; m <= maxMsgId; ++m) {
      std::vector<std::uint8_t> read;
      ReadPackString(view, contents, l, m, read);
      const std::vector<std::uint8_t> expected =
          EncodePhoneString(texts[static_cast<std::size_t>(l)][static_cast<std::size_t>(m)], config.Chars).Bytes;
      const std::string question = "String " + std::to_string(m) + " in language " + std::to_string(l + 1) + " ";
      const bool wasCropped = std::any_of(frame.messages.begin(), frame.messages.end(), [&](const Message& message) {
        return message.Kind == MessageKind::CropQuestion && message.Text.rfind(question, 0) == 0;
      });
      const bool same = wasCropped ? read.size() < expected.size() && std::equal(read.begin(), read.end(), expected.begin())
                                   : read == expected;
      if (!same) __builtin_trap();
    }
  }
  return 0;
}
