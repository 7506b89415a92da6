#include "compile/pack_measure.h"

#include "compile/compact_packing.h"
#include "config/error.h"

namespace tarvo {

namespace {

// Packs without a window: every over-long string is cropped, so that the
// packing goes on and its real length can be measured afterwards.
class QuietFrame final : public CommandFrame {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgressMinimum(double) override {}
  void SetProgressMaximum(double) override {}
  void SetProgressValue(double) override {}
  double ProgressMaximum() const override { return 0; }
  void Yield() override {}
  MessageAnswer ShowMessage(const Message& message) override {
    return message.Kind == MessageKind::CropQuestion ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
  bool HexStringNumbers() const override { return false; }
  bool SaveLangSignatures() const override { return true; }
  void Lock() override {}
  void Unlock() override {}
};

}  // namespace

PackingFigures MeasurePacking(const LgpFile& lgp, PackingStrategy strategy, PivotRandom& random) {
  PackingFigures figures;
  QuietFrame frame;
  try {
    figures.Languages = PackLanguages(frame, lgp, strategy, random);
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
    codes.reserve(language.Packed.size());
    for (std::size_t m = 0; m < language.Packed.size(); ++m) {
      std::size_t length = language.Packed[m].size();
      if (language.Cropped[m]) {
        const PhoneBytes& s = lgp.StringAt(static_cast<std::int32_t>(l), static_cast<std::int32_t>(m));
        length = (strategy == PackingStrategy::Standard ? PackString(s, language.Dict)
                                                        : PackStringOptimal(s, language.Dict))
                     .size();
        ++figures.Overlong;
      }
      codes.push_back(length);
    }
  }
  return figures;
}

}  // namespace tarvo
