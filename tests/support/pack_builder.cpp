#include "tests/support/pack_builder.h"

#include <algorithm>
#include <map>
#include <random>
#include <stdexcept>

namespace tarvo::test {

namespace {

void Put16(ByteString& pack, std::int64_t at, std::int32_t value) {
  if (pack.size() < static_cast<std::size_t>(at + 2)) pack.resize(static_cast<std::size_t>(at + 2), 0);
  pack[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(value & 0xFF);
  pack[static_cast<std::size_t>(at + 1)] = static_cast<std::uint8_t>((value >> 8) & 0xFF);
}

void PutBytes(ByteString& pack, std::int64_t at, const ByteString& bytes) {
  if (pack.size() < at + bytes.size()) pack.resize(static_cast<std::size_t>(at) + bytes.size(), 0);
  std::copy(bytes.begin(), bytes.end(), pack.begin() + at);
}

// Single bytes in order of first use, then some 2-, 3- and 4-byte sequences.
std::vector<ByteString> Dictionary(const std::vector<ByteString>& strings) {
  std::vector<ByteString> entries;
  for (const auto& s : strings) {
    for (std::uint8_t b : s) {
      if (std::find(entries.begin(), entries.end(), ByteString{b}) == entries.end()) entries.push_back({b});
    }
  }
  for (std::size_t k = 2; k <= 4; ++k) {
    const std::size_t room = (256 - entries.size()) / (k == 4 ? 1 : 2);
    std::size_t added = 0;
    for (const auto& s : strings) {
      for (std::size_t at = 0; at + k <= s.size() && added < room; at += k) {
        ByteString piece(s.begin() + static_cast<std::ptrdiff_t>(at), s.begin() + static_cast<std::ptrdiff_t>(at + k));
        if (std::find(entries.begin(), entries.end(), piece) == entries.end()) {
          entries.push_back(piece);
          ++added;
        }
      }
    }
  }
  return entries;
}

// Longest match first at every position.
ByteString Pack(const ByteString& s, const std::vector<ByteString>& dictionary) {
  ByteString codes;
  for (std::size_t at = 0; at < s.size();) {
    int best = -1;
    for (std::size_t c = 0; c < dictionary.size(); ++c) {
      const auto& e = dictionary[c];
      if (at + e.size() <= s.size() && std::equal(e.begin(), e.end(), s.begin() + static_cast<std::ptrdiff_t>(at)) &&
          (best < 0 || e.size() > dictionary[static_cast<std::size_t>(best)].size())) {
        best = static_cast<int>(c);
      }
    }
    codes.push_back(static_cast<std::uint8_t>(best));
    at += dictionary[static_cast<std::size_t>(best)].size();
  }
  if (codes.size() > 254) throw std::logic_error("test string too long");
  return codes;
}

}  // namespace

PhoneTypeRecord TypeOf(const char* definition) {
  PhoneTypeRecord type;
  ParsePhoneType(definition, type);
  return type;
}

ByteString BuildImage(const PhoneTypeRecord& type, const PackPlan& plan) {
  const std::int32_t nL = static_cast<std::int32_t>(plan.langIds.size());
  const std::int32_t messages = nL ? static_cast<std::int32_t>(plan.strings[0].size()) : 0;
  ByteString pack;
  PutBytes(pack, 0, {0xBB, 0xBB, 0x00, 0x00});
  const std::int32_t T = (type.PackSizeLimit / 16384 + 1) * 2 + type.BlockTablePos;
  const std::int32_t L = T + type.LangMapSize;
  const std::int32_t R = L + nL + ((L + nL) % 2);
  const std::int32_t G = R + 14 * nL;
  const std::int32_t D0 = G + (messages * nL / 8 + 1) * 2;
  Put16(pack, type.LangMapOffsetPos, T);
  Put16(pack, type.LangTableOffsetPos, R);
  if (type.LangIdListOffsetPos) Put16(pack, type.LangIdListOffsetPos, L);
  Put16(pack, type.AllLangsPos, nL);
  Put16(pack, type.FirstLangIdPos, nL ? plan.langIds[0] : 0);
  Put16(pack, type.StringIndexOffsetPos, G);
  Put16(pack, type.LgPackIdPos - 2, 0x4000);
  ByteString id(plan.lgPackId.begin(), plan.lgPackId.end());
  id.push_back(0);
  id.resize(16, 0xFF);
  PutBytes(pack, type.LgPackIdPos, id);
  if (type.MaxMsgIdPos) Put16(pack, type.MaxMsgIdPos, messages - 1);
  PutBytes(pack, T, ByteString(static_cast<std::size_t>(type.LangMapSize), 0));
  for (std::int32_t i = 0; i < nL; ++i) {
    PutBytes(pack, L + i, {plan.langIds[static_cast<std::size_t>(i)]});
    PutBytes(pack, T + plan.langIds[static_cast<std::size_t>(i)], {static_cast<std::uint8_t>(i)});
  }
  if ((L + nL) % 2) PutBytes(pack, L + nL, {0xFF});

  std::int64_t D = D0;
  std::vector<std::vector<ByteString>> packed(static_cast<std::size_t>(nL));
  for (std::int32_t i = 0; i < nL; ++i) {
    const auto& strings = plan.strings[static_cast<std::size_t>(i)];
    const auto dictionary = Dictionary(strings);
    std::size_t counts[5] = {};
    for (const auto& e : dictionary) ++counts[e.size()];
    const std::int32_t at = R + 14 * i;
    Put16(pack, at, static_cast<std::int32_t>(D));
    std::int64_t off = D;
    std::int32_t thr = 0;
    for (int u = 1; u <= 4; ++u) {
      if (u > 1) {
        Put16(pack, at + (u - 1) * 4 - 2, thr);
        Put16(pack, at + (u - 1) * 4, static_cast<std::int32_t>(off));
      }
      thr += static_cast<std::int32_t>(counts[u]);
      off += static_cast<std::int64_t>(counts[u]) * u;
    }
    for (const auto& e : dictionary) {
      PutBytes(pack, D, e);
      D += static_cast<std::int64_t>(e.size());
    }
    for (const auto& s : strings) packed[static_cast<std::size_t>(i)].push_back(Pack(s, dictionary));
  }

  std::int64_t S = D;
  std::int32_t block = 0;
  const std::int32_t slots = messages * nL;
  for (std::int32_t k = 0; k < slots; ++k) {
    const ByteString& codes = packed[static_cast<std::size_t>(k % nL)][static_cast<std::size_t>(k / nL)];
    if (k % 8 == 0) {
      std::int64_t sum = 0;
      for (std::int32_t j = k; j < std::min(k + 8, slots); ++j) {
        sum += static_cast<std::int64_t>(packed[static_cast<std::size_t>(j % nL)][static_cast<std::size_t>(j / nL)].size()) + 1;
      }
      if ((S + sum) / 16384 > S / 16384) {
        Put16(pack, type.BlockTablePos + 2 * block, k);
        ++block;
        S = std::int64_t{block} * 16384;
      }
      Put16(pack, G + 2 * (k / 8), static_cast<std::int32_t>(S % 16384));
    }
    PutBytes(pack, S, {static_cast<std::uint8_t>(codes.size() + 1)});
    PutBytes(pack, S + 1, codes);
    S += static_cast<std::int64_t>(codes.size()) + 1;
  }
  Put16(pack, type.BlockCountPos, block + 1);

  ByteString image;
  if (type.IsLangFile) {
    image = plan.languageName;
    image.push_back(0);
  } else {
    image.assign(static_cast<std::size_t>(type.PackOffset), plan.filler);
  }
  image.insert(image.end(), pack.begin(), pack.end());
  if (image.size() < plan.imageSize) image.resize(plan.imageSize, plan.filler);
  return image;
}

std::vector<std::vector<ByteString>> RandomStrings(std::uint32_t seed, int languages, int maxMsgId,
                                                   int maxLength) {
  std::mt19937 random(seed);
  std::vector<std::vector<ByteString>> strings(static_cast<std::size_t>(languages));
  for (auto& language : strings) {
    // Each language draws from its own small alphabet, as real texts do.
    ByteString alphabet;
    const int size = 10 + static_cast<int>(random() % 60);
    for (int i = 0; i < size; ++i) alphabet.push_back(static_cast<std::uint8_t>(random() % 256));
    for (int m = 0; m <= maxMsgId; ++m) {
      ByteString s;
      const int length = static_cast<int>(random() % static_cast<unsigned>(maxLength + 1));
      for (int j = 0; j < length; ++j) s.push_back(alphabet[random() % alphabet.size()]);
      language.push_back(std::move(s));
    }
  }
  return strings;
}

}  // namespace tarvo::test
