#include "document/measure.h"

#include <future>

#include "codec/encode.h"
#include "compile/compact_packing.h"
#include "compile/pack_measure.h"

namespace tarvo {

namespace {

PackingGauge Gauge(PackingFigures figures) {
  PackingGauge gauge;
  gauge.Packed = figures.Packed;
  gauge.Failure = std::move(figures.Failure);
  if (!figures.Packed) return gauge;
  gauge.Length = figures.Measure.Length;
  gauge.SizeLimit = figures.Measure.SizeLimit;
  gauge.Spare = figures.Measure.Spare();
  gauge.TablesFitFirstBlock = figures.Measure.DictionariesEnd < kBlockSize;
  gauge.Overlong = figures.Overlong;
  gauge.Fits = figures.Fits();
  gauge.Payloads = std::move(figures.Payloads);
  gauge.Codes = std::move(figures.Codes);
  for (PackedLanguage& language : figures.Languages) {
    gauge.Lookups.push_back(std::make_shared<const DictionaryLookup>(language.Dict));
    gauge.Dictionaries.push_back(std::move(language.Dict));
  }
  return gauge;
}

}  // namespace

MeasureSnapshot TakeSnapshot(const Document& document, const PivotRandom& random) {
  MeasureSnapshot snapshot{document.Revision(), document.Lgp(), random, 0, document.MeasureCacheOf()};
  for (std::size_t l = 0; l < document.LanguageCount(); ++l) {
    for (std::int32_t m = 0; m <= document.MaxMsgId(); ++m)
      snapshot.Unencodable += document.CannotEncode(l, m);
  }
  return snapshot;
}

PackingGauge MeasureGauge(const MeasureSnapshot& snapshot, PackingStrategy strategy, MeasureCache* cache) {
  // The compact packer draws from a fresh generator of its own.
  PivotRandom random = snapshot.Random;
  PackingControl control;
  if (!cache) cache = snapshot.Cache.get();
  if (cache) control.Cache = &cache->Packings;
  return Gauge(MeasurePacking(snapshot.Lgp, strategy, random, control));
}

DocumentMeasure MeasureDocument(const MeasureSnapshot& snapshot, MeasureCache* cache) {
  DocumentMeasure measure;
  measure.Revision = snapshot.Revision;
  measure.Unencodable = snapshot.Unencodable;
#ifdef __EMSCRIPTEN__
  // The WebAssembly module has one thread: one packing after the other.
  measure.Standard = MeasureGauge(snapshot, PackingStrategy::Standard, cache);
  measure.Compact = MeasureGauge(snapshot, PackingStrategy::Compact, cache);
#else
  // The two packings share nothing, so the slower compact one runs beside.
  auto compact = std::async(std::launch::async, [&snapshot, cache] {
    return MeasureGauge(snapshot, PackingStrategy::Compact, cache);
  });
  measure.Standard = MeasureGauge(snapshot, PackingStrategy::Standard, cache);
  measure.Compact = compact.get();
#endif
  return measure;
}

std::optional<std::int64_t> StringCost(const DocumentMeasure& measure, PackingStrategy strategy,
                                       std::size_t language, std::u16string_view text,
                                       const CharTable& table) {
  const PackingGauge& gauge = measure.Of(strategy);
  if (language >= gauge.Lookups.size()) return std::nullopt;
  const EncodeResult encoded = EncodePhoneString(text, table);
  if (!encoded.Ok) return std::nullopt;
  const DictionaryLookup& lookup = *gauge.Lookups[language];
  const PhoneBytes codes = strategy == PackingStrategy::Standard ? PackString(encoded.Bytes, lookup)
                                                                 : PackStringOptimal(encoded.Bytes, lookup);
  return static_cast<std::int64_t>(codes.size()) + 1;
}

}  // namespace tarvo
