#include "compile/pack_measure.h"

#include "compile/lgp_checks.h"
#include "config/error.h"

namespace tarvo {

PackingFigures MeasurePacking(const LgpFile& lgp, PackingStrategy strategy, PivotRandom& random,
                              const PackingControl& control) {
  PackingFigures figures;
  try {
    // What a compile refuses is no pack to measure (a negative AllLangs would
    // size the packers' tables from it).
    CheckDataModel(lgp);
    figures.Languages = PackLanguages(lgp, strategy, random, control);
    figures.Measure = MeasurePack(lgp, figures.Languages);
  } catch (const Error& e) {
    figures.Failure = e.what();
    figures.Languages.clear();
    return figures;
  }
  figures.Packed = true;
  figures.Codes.resize(figures.Languages.size());
  for (std::size_t l = 0; l < figures.Languages.size(); ++l) {
    const PackedLanguage& language = figures.Languages[l];
    figures.Payloads.push_back(PayloadSize(language));
    std::vector<std::size_t>& codes = figures.Codes[l];
    for (const PhoneBytes& packed : language.Packed) codes.push_back(packed.size());
    for (const auto& [message, length] : language.CroppedFrom) {
      codes[static_cast<std::size_t>(message)] = length;
      ++figures.Overlong;
    }
  }
  return figures;
}

}  // namespace tarvo
