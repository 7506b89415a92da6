#include "cli/cli_frame.h"

#include <cmath>
#include <ostream>

namespace tarvo {

void CliFrame::SetStatusText(const std::string& text) {
  status_ = text;
  lastPercent_ = -1;
  ShowProgress();
}

void CliFrame::SetProgressValue(double value) {
  value_ = value;
  ShowProgress();
}

MessageAnswer CliFrame::ShowMessage(const Message& message) {
  EndProgressLine();
  // The command line does not offer another pack than the one asked for: it
  // says why the pack failed and how it would fit.
  if (message.Kind == MessageKind::CompactQuestion) {
    err_ << message.Report << "\n";
    return MessageAnswer::Cancel;
  }
  err_ << message.Text << "\n";
  if (!message.Report.empty()) err_ << message.Report << "\n";
  switch (message.Kind) {
    case MessageKind::Notice:
    case MessageKind::CompactQuestion:
      return MessageAnswer::Ok;
    case MessageKind::CropQuestion:
      err_ << (crop ? "Cropped (--crop).\n" : "Stopped: give --crop to crop over-long strings.\n");
      return crop ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageKind::MissingSignatureQuestion:
      err_ << (force ? "Writing anyway (--force).\n" : "Stopped: give --force to write into this file anyway.\n");
      return force ? MessageAnswer::Ok : MessageAnswer::Cancel;
  }
  return MessageAnswer::Cancel;
}

void CliFrame::ShowReaderWarnings(const std::vector<std::string>& warnings) {
  constexpr std::size_t kShown = 20;
  EndProgressLine();
  for (std::size_t i = 0; i < warnings.size() && i < kShown; ++i) err_ << "Warning: " << warnings[i] << "\n";
  if (warnings.size() > kShown) {
    err_ << "... and " << warnings.size() - kShown << " more warnings; run tarvo-cli check for all.\n";
  }
}

void CliFrame::ShowProgress() {
  if (!showProgress_) return;
  const double span = maximum_ - minimum_;
  const int percent = span > 0 ? static_cast<int>(std::floor(100 * (value_ - minimum_) / span)) : 0;
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  err_ << "\r" << status_ << " " << percent << "%   " << std::flush;
  lineOpen_ = true;
}

void CliFrame::EndProgressLine() {
  if (lineOpen_) err_ << "\n";
  lineOpen_ = false;
}

}  // namespace tarvo
