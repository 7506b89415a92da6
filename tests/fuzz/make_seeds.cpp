// Writes the seed corpus of the fuzz targets into FOLDER/<target>/: the
// tests' own generated images and text files, and the examples.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

#include "lgp/unicode_line.h"
#include "tests/support/pack_builder.h"

namespace {

using namespace tarvo;
namespace fs = std::filesystem;

void Save(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Load(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  const fs::path source = TARVO_SOURCE_DIR;

  Save(out / "configuration" / "shipped.ini", Load(source / "config" / "tarvo.ini"));
  const std::string tests = std::string("TRANS 80,0\r\nTRANS 81,400\r\nPHONETYPE ") + test::kFlashType +
                            "\r\nPHONETYPE " + test::kLangType +
                            ", 10, 42\r\n; comment\r\ntrans\t82,380;x\r\n";
  Save(out / "configuration" / "tests.ini", {tests.begin(), tests.end()});

  int n = 0;
  for (const char* type : {test::kFlashType, test::kBareType, test::kLangType}) {
    const PhoneTypeRecord record = test::TypeOf(type);
    for (int messages : {1, 5, 40}) {
      test::PackPlan plan;
      plan.langIds = {1, 2};
      const int maxMsgId = record.MaxMsgIdPos ? messages - 1 : record.DefaultMaxMsgId;
      plan.strings = test::RandomStrings(static_cast<std::uint32_t>(n), 2, maxMsgId, 30);
      plan.languageName = {0x81, 0x20, 'a'};
      Save(out / "decompile" / ("image" + std::to_string(n++)), test::BuildImage(record, plan));
    }
  }
  test::PackPlan big;
  big.langIds = {3, 4, 5};
  big.strings = test::RandomStrings(77, 3, 150, 200);
  Save(out / "decompile" / "multi-block", test::BuildImage(test::TypeOf(test::kFlashType), big));
  for (const char* name : {"demo.bin", "demo.lng"})
    Save(out / "decompile" / name, Load(source / "examples" / name));

  for (const char* name : {"demo.lgp", "demo-language-file.lgp"}) {
    Save(out / "lgp_reader" / name, Load(source / "examples" / name));
  }
  std::string lgp = "\xFF\xFE";
  for (const char16_t* line : {u"PhoneType BARE, 80, 10000, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4",
                               u"AllLangs 2", u"MaxMsgId 4", u"LangId 1", u"String $1A, \"a<0A>\u0410\"",
                               u"LangId\t2", u"string 3 , \"\"quoted\"\"", u"SL4xLangName \"x\""}) {
    AppendUtf16Le(line, lgp);
    AppendUtf16Le(u"\r\n", lgp);
  }
  Save(out / "lgp_reader" / "keys.lgp", {lgp.begin(), lgp.end()});
  for (const auto& entry : fs::directory_iterator(out / "lgp_reader")) {
    Save(out / "lgp_edit" / entry.path().filename(), Load(entry.path()));
    Save(out / "document" / entry.path().filename(), Load(entry.path()));
    Save(out / "memory" / entry.path().filename(), Load(entry.path()));
  }
  // A memory with shared, similar and marked reference texts.
  std::string memory = "\xFF\xFE";
  for (const char16_t* line :
       {u"PhoneType BARE, 80, 10000, 4, 6, 8, 0, A, C, E, 12, 0, 30, 64, 4", u"AllLangs 2", u"MaxMsgId 4",
        u"LangId 1", u"String 0, \"Delete all\"", u"String 1, \"Delete all?\"", u"String 2, \"Delete all\"",
        u"String 3, \"%d new<0A>messages\"", u"String 4, \"%1$s new<0A>message\"", u"LangId 2",
        u"String 0, \"Alle l\u00F6schen\"", u"String 2, \"L\u00F6schen\"",
        u"String 3, \"%d neue<0A>Nachrichten\""}) {
    AppendUtf16Le(line, memory);
    AppendUtf16Le(u"\r\n", memory);
  }
  Save(out / "memory" / "memory.lgp", {memory.begin(), memory.end()});

  std::mt19937 random(5);
  for (int i = 0; i < 8; ++i) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(64 << (i % 4)));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    Save(out / "compile_roundtrip" / ("random" + std::to_string(i)), bytes);
  }
  // The text round trip takes one choice per byte: short inputs make small packs.
  for (int i = 0; i < 8; ++i) {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(32 << (i % 3)));
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    Save(out / "text_roundtrip" / ("random" + std::to_string(i)), bytes);
  }
  return 0;
}
