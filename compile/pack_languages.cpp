#include "compile/pack_languages.h"

#include <optional>
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

Choice PackOptimally(Dictionary dictionary, const std::vector<const PhoneBytes*>& strings, PackingCache* cache) {
  Choice choice{std::move(dictionary), {}, 0};
  choice.Packed = cache ? cache->PackAll(strings, choice.Dict, true) : PackEvery(strings, choice.Dict, true);
  choice.Bytes = DictionaryBytes(choice.Dict);
  for (const PhoneBytes& packed : choice.Packed) choice.Bytes += static_cast<std::int64_t>(packed.size()) + 1;
  return choice;
}

void Report(const PackingControl& control, double done, double total) {
  if (control.Progress) control.Progress(done, total);
}

// Applies the crop policy to a string packed to `packed`; true when cut.
bool CropIfOverlong(const PackingControl& control, std::size_t language, std::int32_t message, PhoneBytes& packed,
                    PackedLanguage& into) {
  if (packed.size() <= static_cast<std::size_t>(kMaxPackedLength) || control.Crop == CropPolicy::Never) return false;
  if (control.Crop == CropPolicy::Ask) {
    const Message question{"String " + std::to_string(message) + " in language " + std::to_string(language + 1) +
                               " doesn't fit to 254 bytes length. Crop it?",
                           "String to long", MessageKind::CropQuestion};
    if (!control.AskCrop || !control.AskCrop(question)) throw PackingStopped{};
  }
  into.CroppedFrom[message] = packed.size();
  packed.resize(kMaxPackedLength);
  return true;
}

// Applies the crop policy to every string, in language and message order.
std::vector<PackedLanguage> CropWhereAllowed(const PackingControl& control, std::vector<Choice> choices) {
  std::vector<PackedLanguage> languages(choices.size());
  for (std::size_t l = 0; l < choices.size(); ++l) {
    PackedLanguage& language = languages[l];
    language.Dict = std::move(choices[l].Dict);
    language.Packed = std::move(choices[l].Packed);
    language.Cropped.assign(language.Packed.size(), false);
    for (std::size_t m = 0; m < language.Packed.size(); ++m) {
      language.Cropped[m] = CropIfOverlong(control, l, static_cast<std::int32_t>(m), language.Packed[m], language);
    }
  }
  return languages;
}

std::vector<PackedLanguage> PackStandard(const PackingControl& control, const LgpFile& lgp,
                                         const StringLists& strings, PivotRandom& random) {
  const std::int32_t nL = lgp.AllLangs;
  const std::int32_t M = lgp.MaxMsgId;
  const std::int32_t p = (M + 1) / 100;
  const double total = static_cast<double>(p) * nL * 2;
  double done = 0;
  Report(control, done, total);

  std::vector<PackedLanguage> languages(static_cast<std::size_t>(nL));
  for (std::int32_t l = 0; l < nL; ++l) {
    const auto progress = [&](int k, std::int32_t m) {
      if (m < 0) done = static_cast<double>(p) * l + (p / 4) * k;
      Report(control, done, total);
    };
    const auto& of = strings[static_cast<std::size_t>(l)];
    languages[static_cast<std::size_t>(l)].Dict = control.Cache ? control.Cache->StandardDictionary(of, random, progress)
                                                                : BuildDictionary(of, random, progress);
  }

  for (std::int32_t l = 0; l < nL; ++l) {
    PackedLanguage& language = languages[static_cast<std::size_t>(l)];
    const auto& of = strings[static_cast<std::size_t>(l)];
    // Packed string by string, for the progress bar, unless kept from before.
    std::vector<PhoneBytes> kept;
    std::optional<DictionaryLookup> lookup;
    if (control.Cache) {
      kept = control.Cache->PackAll(of, language.Dict, false);
    } else {
      lookup.emplace(language.Dict);
    }
    for (std::int32_t m = 0; m <= M; ++m) {
      const auto at = static_cast<std::size_t>(m);
      PhoneBytes packed = control.Cache ? std::move(kept[at]) : PackString(*of[at], *lookup);
      const bool cropped = CropIfOverlong(control, static_cast<std::size_t>(l), m, packed, language);
      language.Packed.push_back(std::move(packed));
      language.Cropped.push_back(cropped);
      done = static_cast<double>(nL + l) * p + (m + 1) / 100;
      Report(control, done, total);
    }
  }
  return languages;
}

// Per language the smaller of the standard dictionary and the compact one,
// both parsed optimally. When the dictionaries together would reach past the
// first block, each language gets an equal share of the room.
std::vector<PackedLanguage> PackCompact(const PackingControl& control, const LgpFile& lgp,
                                        const StringLists& strings) {
  const auto nL = static_cast<std::size_t>(lgp.AllLangs);
  const std::int64_t room = kBlockSize - 1 - PlacePack(lgp.PhoneType, lgp.AllLangs, lgp.MaxMsgId).D0;
  const double total = static_cast<double>(nL) * 100;
  double done = 0;
  Report(control, done, total);

  PivotRandom fresh;  // the same pivots on every run
  std::vector<Dictionary> standard;
  for (std::size_t l = 0; l < nL; ++l) {
    const auto progress = [&](int, std::int32_t) { Report(control, done, total); };
    standard.push_back(control.Cache ? control.Cache->StandardDictionary(strings[l], fresh, progress)
                                     : BuildDictionary(strings[l], fresh, progress));
  }

  auto packLanguage = [&](std::size_t l, std::int64_t budget, double from, double span) {
    const auto progress = [&](double part) {
      done = 100.0 * static_cast<double>(l) + from + span * part;
      Report(control, done, total);
    };
    Choice compact = PackOptimally(control.Cache ? control.Cache->CompactDictionary(strings[l], budget, progress)
                                                 : BuildCompactDictionary(strings[l], budget, progress),
                                   strings[l], control.Cache);
    Choice usual = PackOptimally(standard[l], strings[l], control.Cache);
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
  Report(control, total, total);
  return CropWhereAllowed(control, std::move(choices));
}

}  // namespace

PackingControl FrameControl(CommandFrame& frame) {
  PackingControl control;
  control.Crop = CropPolicy::Ask;
  control.AskCrop = [&frame](const Message& question) { return frame.ShowMessage(question) == MessageAnswer::Ok; };
  control.Progress = [&frame](double done, double total) {
    if (total != frame.ProgressMaximum()) frame.SetProgressMaximum(total);
    frame.SetProgressValue(done);
    frame.Yield();
  };
  return control;
}

std::vector<PackedLanguage> PackLanguages(const LgpFile& lgp, PackingStrategy strategy, PivotRandom& random,
                                          const PackingControl& control) {
  StringLists strings(static_cast<std::size_t>(lgp.AllLangs));
  for (std::int32_t l = 0; l < lgp.AllLangs; ++l) {
    for (std::int32_t m = 0; m <= lgp.MaxMsgId; ++m) strings[static_cast<std::size_t>(l)].push_back(&lgp.StringAt(l, m));
  }
  return strategy == PackingStrategy::Standard ? PackStandard(control, lgp, strings, random)
                                               : PackCompact(control, lgp, strings);
}

std::int64_t PayloadSize(const PackedLanguage& language) {
  std::int64_t bytes = DictionaryBytes(language.Dict);
  for (const PhoneBytes& codes : language.Packed) bytes += static_cast<std::int64_t>(codes.size()) + 1;
  return bytes;
}

}  // namespace tarvo
