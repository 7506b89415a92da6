// The gauge of the pack's room: the standard and the compact packing's
// length against the phone's limit, measured off the window's thread on a
// snapshot of the document. A measure carries the revision it was taken at
// and the state of the pivot generator; one from an older state is never
// shown as current ("Measuring...").
#pragma once

#include <QFutureWatcher>
#include <QLabel>
#include <cstdint>
#include <memory>
#include <optional>

#include "compile/packing.h"
#include "document/measure.h"

namespace tarvo {

// "1 723": groups of three digits.
QString GroupedNumber(std::int64_t value);
// "Standard: 1 723 bytes over · Compact: 1 054 bytes to spare", as rich text
// with the figures that are over in red.
QString GaugeText(const DocumentMeasure& measure);

class PackGauge final : public QLabel {
  Q_OBJECT

 public:
  explicit PackGauge(QWidget* parent = nullptr);
  ~PackGauge() override;

  // Forgets every reading (another document).
  void Reset();
  // The document changed, or the generator did: measures it, now or after the
  // measure that runs.
  void Request(const Document& document, const PivotRandom& pivots, std::uint64_t generation);
  // Shows the last reading again, with the languages' names as they are now.
  void Refresh() { ShowState(); }
  bool IsMeasuring() const { return running_ || pending_; }  // until the result is in
  // The last measure that ended, which may be of an older revision.
  const DocumentMeasure* Last() const { return last_.get(); }
  bool IsCurrent(std::uint64_t revision, std::uint64_t generation) const {
    return last_ && last_->Revision == revision && lastGeneration_ == generation;
  }

 signals:
  void Measured();

 private:
  void Start();
  void Finished();
  void ShowState();

  QFutureWatcher<std::shared_ptr<const DocumentMeasure>> watcher_;
  std::shared_ptr<const DocumentMeasure> last_;
  std::uint64_t lastGeneration_ = 0, runningGeneration_ = 0;
  std::uint64_t documents_ = 0, runningDocument_ = 0;  // counts Reset: which document a measure is of
  const Document* document_ = nullptr;
  const PivotRandom* pivots_ = nullptr;
  std::uint64_t generation_ = 0;
  bool pending_ = false;
  bool running_ = false;
};

}  // namespace tarvo
