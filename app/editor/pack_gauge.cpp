#include "app/editor/pack_gauge.h"

#include <QtConcurrent/QtConcurrentRun>

#include "codec/encode.h"
#include "compile/pack_languages.h"
#include "compile/pack_writer.h"
#include "config/error.h"

namespace tarvo {

// ---------------------------------------------------------------------------
// The measure itself, on a snapshot: packs with both strategies as a compile
// would, cropping nothing it is not told to, and writes nothing.
namespace {

class SilentFrame final : public CommandFrame {
 public:
  void SetStatusText(const std::string&) override {}
  void SetProgressMinimum(double) override {}
  void SetProgressMaximum(double value) override { maximum_ = value; }
  void SetProgressValue(double) override {}
  double ProgressMaximum() const override { return maximum_; }
  void Yield() override {}
  MessageAnswer ShowMessage(const Message&) override { return MessageAnswer::Ok; }
  bool HexStringNumbers() const override { return false; }
  bool SaveLangSignatures() const override { return true; }
  void Lock() override {}
  void Unlock() override {}

 private:
  double maximum_ = 100;
};

struct Snapshot {
  LgpFile Lgp;
  PivotRandom Pivots;
  CharTable Chars;
};

struct CostTables {
  CharTable Chars;
  std::vector<std::unique_ptr<DictionaryLookup>> Lookups;  // per language, of the standard packing
};

PackingFigures Figures(const LgpFile& lgp, const std::vector<PackedLanguage>& packed) {
  PackingFigures figures;
  const PackMeasure measure = MeasurePack(lgp, packed);
  figures.Length = measure.Length;
  figures.Limit = measure.SizeLimit;
  figures.Spare = measure.Spare();
  figures.Fits = measure.Fits();
  for (std::size_t l = 0; l < packed.size(); ++l) {
    figures.Payloads.emplace_back(l < lgp.LangIds.size() ? lgp.LangIds[l] : 0, PayloadSize(packed[l]));
  }
  return figures;
}

std::shared_ptr<GaugeReading> MeasureSnapshot(const Snapshot& snapshot) {
  auto reading = std::make_shared<GaugeReading>();
  try {
    SilentFrame frame;
    PivotRandom pivots = snapshot.Pivots;
    const auto standard = PackLanguages(frame, snapshot.Lgp, PackingStrategy::Standard, pivots);
    reading->Standard = Figures(snapshot.Lgp, standard);
    PivotRandom unused;
    reading->Compact = Figures(snapshot.Lgp, PackLanguages(frame, snapshot.Lgp, PackingStrategy::Compact, unused));
    auto tables = std::make_shared<CostTables>();
    tables->Chars = snapshot.Chars;
    for (const PackedLanguage& language : standard) tables->Lookups.push_back(std::make_unique<DictionaryLookup>(language.Dict));
    reading->Dictionaries = tables;
  } catch (const Error& e) {
    reading->Failure = e.what();
  } catch (const std::exception& e) {
    reading->Failure = e.what();
  }
  return reading;
}

}  // namespace
// ---------------------------------------------------------------------------

QString GroupedNumber(std::int64_t value) {
  QString digits = QString::number(value < 0 ? -value : value);
  for (auto at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u' ');
  return value < 0 ? QStringLiteral("-") + digits : digits;
}

QString GaugeText(const GaugeReading& reading) {
  if (!reading.Failure.empty()) return QString::fromStdString(reading.Failure).toHtmlEscaped();
  auto part = [](const char* name, const PackingFigures& figures) {
    const QString room = figures.Spare < 0 ? GroupedNumber(-figures.Spare) + QStringLiteral(" bytes over")
                                           : GroupedNumber(figures.Spare) + QStringLiteral(" bytes to spare");
    const QString text = QString::fromLatin1(name) + QStringLiteral(": ") + room;
    return figures.Fits ? text : QStringLiteral("<span style=\"color:#c00000\">") + text + QStringLiteral("</span>");
  };
  return part("Standard", reading.Standard) + QStringLiteral(" \u00B7 ") + part("Compact", reading.Compact);
}

PackGauge::PackGauge(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("Gauge"));
  setTextFormat(Qt::RichText);
  connect(&watcher_, &QFutureWatcher<std::shared_ptr<GaugeReading>>::finished, this, &PackGauge::Finished);
  ShowState();
}

PackGauge::~PackGauge() { watcher_.waitForFinished(); }

void PackGauge::Reset() {
  last_.reset();
  document_ = nullptr;
  pivots_ = nullptr;
  pending_ = false;
  ShowState();
}

void PackGauge::Request(const Document& document, const PivotRandom& pivots, std::uint64_t generation) {
  document_ = &document;
  pivots_ = &pivots;
  generation_ = generation;
  if (running_) {
    pending_ = true;  // one more measure of the newest texts when this one ends
  } else {
    Start();
  }
  ShowState();
}

void PackGauge::Start() {
  pending_ = false;
  running_ = true;
  // The snapshot is taken here, on the window's thread; only the copy travels.
  auto snapshot = std::make_shared<Snapshot>(Snapshot{document_->Lgp(), *pivots_, chars_ ? *chars_ : CharTable{}});
  const std::uint64_t revision = document_->Revision(), generation = generation_;
  watcher_.setFuture(QtConcurrent::run([snapshot, revision, generation] {
    auto reading = MeasureSnapshot(*snapshot);
    reading->Revision = revision;
    reading->Generation = generation;
    return reading;
  }));
}

void PackGauge::Finished() {
  auto reading = watcher_.result();
  running_ = false;
  // A reading of a document that has been replaced meanwhile is dropped.
  if (document_) last_ = std::move(reading);
  if (pending_ && document_) Start();
  ShowState();
  emit Measured();
}

void PackGauge::ShowState() {
  if (!document_) {
    setText(QString());
    setToolTip(QString());
    return;
  }
  if (!IsCurrent(document_->Revision(), generation_)) {
    setText(QStringLiteral("Measuring..."));
    return;
  }
  setText(GaugeText(*last_));
  QString tip = QStringLiteral("<table><tr><th>LangId</th><th>Standard</th><th>Compact</th></tr>");
  for (std::size_t l = 0; l < last_->Standard.Payloads.size(); ++l) {
    const auto compact = l < last_->Compact.Payloads.size() ? last_->Compact.Payloads[l].second : 0;
    tip += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
               .arg(last_->Standard.Payloads[l].first)
               .arg(GroupedNumber(last_->Standard.Payloads[l].second), GroupedNumber(compact));
  }
  tip += QStringLiteral("<tr><td>Pack</td><td align=right>%1</td><td align=right>%2</td></tr>")
             .arg(GroupedNumber(last_->Standard.Length), GroupedNumber(last_->Compact.Length));
  tip += QStringLiteral("<tr><td>Limit</td><td align=right colspan=2>%1</td></tr></table>")
             .arg(GroupedNumber(last_->Standard.Limit));
  setToolTip(tip);
}

std::optional<std::int64_t> PackGauge::Cost(std::size_t language, const std::u16string& text) const {
  if (!last_ || !last_->Dictionaries) return std::nullopt;
  const auto& tables = *static_cast<const CostTables*>(last_->Dictionaries.get());
  if (language >= tables.Lookups.size()) return std::nullopt;
  const EncodeResult encoded = EncodePhoneString(text, tables.Chars);
  return 1 + static_cast<std::int64_t>(PackString(encoded.Bytes, *tables.Lookups[language]).size());
}

}  // namespace tarvo
