#include "app/editor/pack_gauge.h"

#include <QtConcurrent/QtConcurrentRun>

#include "app/editor/language_names.h"

namespace tarvo {

QString GroupedNumber(std::int64_t value) {
  QString digits = QString::number(value < 0 ? -value : value);
  for (auto at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, u' ');
  return value < 0 ? QStringLiteral("-") + digits : digits;
}

QString GaugeText(const DocumentMeasure& measure) {
  auto part = [](const char* name, const PackingGauge& gauge) {
    QString text = QString::fromLatin1(name) + QStringLiteral(": ");
    if (!gauge.Packed) {
      text += QString::fromStdString(gauge.Failure).toHtmlEscaped();
    } else {
      text += gauge.Spare < 0 ? GroupedNumber(-gauge.Spare) + QStringLiteral(" bytes over")
                              : GroupedNumber(gauge.Spare) + QStringLiteral(" bytes to spare");
    }
    return gauge.Fits ? text
                      : QStringLiteral("<span style=\"color:#c00000\">") + text + QStringLiteral("</span>");
  };
  return part("Standard", measure.Standard) + QStringLiteral(" \u00B7 ") + part("Compact", measure.Compact);
}

namespace {

// Each language's payload with both packings, the pack and its limit.
QString PayloadTable(const Document& document, const DocumentMeasure& measure) {
  QString tip = QStringLiteral("<table><tr><th>Language</th><th>Standard</th><th>Compact</th></tr>");
  auto cell = [](const std::vector<std::int64_t>& payloads, std::size_t l) {
    return l < payloads.size() ? GroupedNumber(payloads[l]) : QString();
  };
  for (std::size_t l = 0; l < document.LanguageCount(); ++l) {
    tip += QStringLiteral("<tr><td>%1</td><td align=right>%2</td><td align=right>%3</td></tr>")
               .arg(LanguageLabel(document.LangId(l)).toHtmlEscaped())
               .arg(cell(measure.Standard.Payloads, l), cell(measure.Compact.Payloads, l));
  }
  tip += QStringLiteral("<tr><td>Pack</td><td align=right>%1</td><td align=right>%2</td></tr>")
             .arg(GroupedNumber(measure.Standard.Length), GroupedNumber(measure.Compact.Length));
  tip += QStringLiteral("<tr><td>Limit</td><td align=right colspan=2>%1</td></tr></table>")
             .arg(GroupedNumber(measure.Standard.SizeLimit));
  return tip;
}

}  // namespace

PackGauge::PackGauge(QWidget* parent) : QLabel(parent) {
  setObjectName(QStringLiteral("Gauge"));
  setTextFormat(Qt::RichText);
  connect(&watcher_, &QFutureWatcher<std::shared_ptr<const DocumentMeasure>>::finished, this,
          &PackGauge::Finished);
  ShowState();
}

PackGauge::~PackGauge() { watcher_.waitForFinished(); }

void PackGauge::Reset() {
  ++documents_;
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
  runningGeneration_ = generation_;
  runningDocument_ = documents_;
  // The snapshot is taken here, on the window's thread; only the copy travels.
  auto snapshot = std::make_shared<const MeasureSnapshot>(TakeSnapshot(*document_, *pivots_));
  watcher_.setFuture(QtConcurrent::run([snapshot] {
    return std::shared_ptr<const DocumentMeasure>(
        std::make_shared<DocumentMeasure>(MeasureDocument(*snapshot)));
  }));
}

void PackGauge::Finished() {
  running_ = false;
  // A measure of a document that has been replaced meanwhile is dropped.
  if (runningDocument_ == documents_) {
    last_ = watcher_.result();
    lastGeneration_ = runningGeneration_;
  }
  if (document_ && pending_) Start();
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
  setToolTip(PayloadTable(*document_, *last_));
}

}  // namespace tarvo
