// The gauge of the pack's room: the standard and the compact packing's
// length against the phone's limit, measured off the window's thread on a
// snapshot of the document. A reading carries the revision it was taken at;
// one from an older revision is never shown as current ("Measuring...").
#pragma once

#include <QFutureWatcher>
#include <QLabel>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compile/packing.h"
#include "document/document.h"

namespace tarvo {

struct PackingFigures {
  std::int64_t Length = 0;  // the pack's bytes
  std::int64_t Limit = 0;   // the phone type's PackSizeLimit
  std::int64_t Spare = 0;   // negative when over
  bool Fits = false;
  std::vector<std::pair<std::int32_t, std::int64_t>> Payloads;  // LangId and bytes, in pack order
};

struct GaugeReading {
  std::uint64_t Revision = 0;    // the document's revision measured
  std::uint64_t Generation = 0;  // the pivot generator's state measured
  PackingFigures Standard, Compact;
  std::string Failure;  // why the pack could not be measured, when it could not
  std::shared_ptr<const void> Dictionaries;  // what string costs are computed with
};

// "1 723": groups of three digits.
QString GroupedNumber(std::int64_t value);
// "Standard: 1 723 bytes over · Compact: 1 054 bytes to spare", as rich text
// with the figures that are over in red.
QString GaugeText(const GaugeReading& reading);

class PackGauge final : public QLabel {
  Q_OBJECT

 public:
  explicit PackGauge(QWidget* parent = nullptr);
  ~PackGauge() override;

  // Forgets every reading (another document).
  void Reset();
  // The table that texts are encoded with; it must outlive the gauge.
  void SetCharTable(const CharTable* chars) { chars_ = chars; }
  // The document changed, or the generator did: measures it, now or after the
  // measure that runs.
  void Request(const Document& document, const PivotRandom& pivots, std::uint64_t generation);
  bool IsMeasuring() const { return running_ || pending_; }  // until the result is in
  const GaugeReading* Last() const { return last_.get(); }
  bool IsCurrent(std::uint64_t revision, std::uint64_t generation) const {
    return last_ && last_->Revision == revision && last_->Generation == generation;
  }
  // The bytes a text costs in a language with the last measure's dictionary.
  std::optional<std::int64_t> Cost(std::size_t language, const std::u16string& text) const;

 signals:
  void Measured();

 private:
  void Start();
  void Finished();
  void ShowState();

  QFutureWatcher<std::shared_ptr<GaugeReading>> watcher_;
  std::shared_ptr<GaugeReading> last_;
  const Document* document_ = nullptr;
  const PivotRandom* pivots_ = nullptr;
  const CharTable* chars_ = nullptr;
  std::uint64_t generation_ = 0;
  bool pending_ = false;
  bool running_ = false;
};

}  // namespace tarvo
