#include "compile/pack_languages.h"

#include <string>

#include "compile/compact_packing.h"
#include "flash/layout.h"

namespace tarvo {

namespace {

using StringLists = std::vector<std::vector<const PhoneBytes*>>;

// The packed strings of one language before the crop question.
struct Choice {
  Dictionary Dict;
  std::vector<PhoneBytes> Packed;
  std::int64_t Bytes = 0;  // dictionary plus records
};

Choice PackOptimally(Dictionary dictionary, const std::vector<const PhoneBytes*>& strings) {
  Choice choice{std::move(dictionary), {}, 0};
  const DictionaryLookup lookup(choice.Dict);
  choice.Bytes = DictionaryBytes(choice.Dict);
  for (const PhoneBytes* s : strings) {
    choice.Packed.push_back(PackStringOptimal(*s, lookup));
    choice.Bytes += static_cast<std::int64_t>(choice.Packed.back().size()) + 1;
  }
  return choice;
}

// Asks about every string over 254 codes, in language and message order.
std::vector<PackedLanguage> CropWhereAllowed(CommandFrame& frame, std::vector<Choice> choices) {
  std::vector<PackedLanguage> languages(choices.size());
  for (std::size_t l = 0; l < choices.size(); ++l) {
    PackedLanguage& language = languages[l];
    language.Dict = std::move(choices[l].Dict);
    language.Packed = std::move(choices[l].Packed);
    language.Cropped.assign(language.Packed.size(), false);
    for (std::size_t m = 0; m < language.Packed.size(); ++m) {
      if (language.Packed[m].size() <= static_cast<std::size_t>(kMaxPackedLength)) continue;
      const Message question{"String " + std::to_string(m) + " in language " + std::to_string(l + 1) +
                                 " doesn't fit to 254 bytes length. Crop it?",
                             "String to long", MessageKind::CropQuestion};
      if (frame.ShowMessage(question) != MessageAnswer::Ok) throw PackingStopped{};
      language.Packed[m].resize(kMaxPackedLength);
      language.Cropped[m] = true;
    }
  }
  return languages;
}

std::vector<PackedLanguage> PackStandard(CommandFrame& frame, const LgpFile& lgp, const StringLists& strings,
                                         PivotRandom& random) {
  const std::int32_t nL = lgp.AllLangs;
  const std::int32_t M = lgp.MaxMsgId;
  const std::int32_t p = (M + 1) / 100;
  frame.SetProgressMaximum(static_cast<double>(p) * nL * 2);
  frame.Yield();

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
        if (frame.ShowMessage(question) != MessageAnswer::Ok) throw PackingStopped{};
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

// Per language the smaller of the standard dictionary and the compact one,
// both parsed optimally. When the dictionaries together would reach past the
// first block, each language gets an equal share of the room.
std::vector<PackedLanguage> PackCompact(CommandFrame& frame, const LgpFile& lgp, const StringLists& strings) {
  const auto nL = static_cast<std::size_t>(lgp.AllLangs);
  const std::int64_t room = kBlockSize - 1 - PlacePack(lgp.PhoneType, lgp.AllLangs, lgp.MaxMsgId).D0;
  frame.SetProgressMaximum(static_cast<double>(nL) * 100);
  frame.Yield();

  PivotRandom fresh;  // the same pivots on every run
  std::vector<Dictionary> standard;
  for (std::size_t l = 0; l < nL; ++l) {
    standard.push_back(BuildDictionary(strings[l], fresh, [&](int, std::int32_t) { frame.Yield(); }));
  }

  auto packLanguage = [&](std::size_t l, std::int64_t budget, double from, double span) {
    Choice compact = PackOptimally(BuildCompactDictionary(strings[l], budget, [&](double done) {
                                     frame.SetProgressValue(100.0 * static_cast<double>(l) + from + span * done);
                                     frame.Yield();
                                   }),
                                   strings[l]);
    Choice usual = PackOptimally(standard[l], strings[l]);
    const bool usualFits = DictionaryBytes(usual.Dict) <= budget;
    return usualFits && usual.Bytes <= compact.Bytes ? std::move(usual) : std::move(compact);
  };

  std::vector<Choice> choices;
  std::int64_t dictionaries = 0;
  for (std::size_t l = 0; l < nL; ++l) {
    choices.push_back(packLanguage(l, room, 0, 100.0));
    dictionaries += DictionaryBytes(choices.back().Dict);
  }
  if (dictionaries > room && nL > 0) {
    const std::int64_t share = room / static_cast<std::int64_t>(nL);
    for (std::size_t l = 0; l < nL; ++l) {
      if (DictionaryBytes(choices[l].Dict) > share) choices[l] = packLanguage(l, share, 0, 100.0);
    }
  }
  frame.SetProgressValue(static_cast<double>(nL) * 100);
  frame.Yield();
  return CropWhereAllowed(frame, std::move(choices));
}

}  // namespace

std::vector<PackedLanguage> PackLanguages(CommandFrame& frame, const LgpFile& lgp, PackingStrategy strategy,
                                          PivotRandom& random) {
  frame.SetStatusText("Packing...");
  StringLists strings(static_cast<std::size_t>(lgp.AllLangs));
  for (std::int32_t l = 0; l < lgp.AllLangs; ++l) {
    for (std::int32_t m = 0; m <= lgp.MaxMsgId; ++m) strings[static_cast<std::size_t>(l)].push_back(&lgp.StringAt(l, m));
  }
  return strategy == PackingStrategy::Standard ? PackStandard(frame, lgp, strings, random)
                                               : PackCompact(frame, lgp, strings);
}

std::int64_t PayloadSize(const PackedLanguage& language) {
  std::int64_t bytes = DictionaryBytes(language.Dict);
  for (const PhoneBytes& codes : language.Packed) bytes += static_cast<std::int64_t>(codes.size()) + 1;
  return bytes;
}

}  // namespace tarvo
