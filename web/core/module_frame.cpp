#include "web/core/module_frame.h"

#include <cmath>

namespace tarvo {

void ModuleFrame::SetStatusText(const std::string& text) {
  if (listeners_.status) listeners_.status(text);
  lastPercent_ = -1;
  ShowProgress();
}

void ModuleFrame::SetProgressValue(double value) {
  value_ = value;
  ShowProgress();
}

// As tarvo-cli's frame: only when the whole percent changes.
void ModuleFrame::ShowProgress() {
  const double span = maximum_ - minimum_;
  const int percent = span > 0 ? static_cast<int>(std::floor(100 * (value_ - minimum_) / span)) : 0;
  if (percent == lastPercent_) return;
  lastPercent_ = percent;
  if (listeners_.progress) listeners_.progress(value_ - minimum_, span);
}

MessageAnswer ModuleFrame::ShowMessage(const Message& message) {
  bool yes = true;
  switch (message.Kind) {
    case MessageKind::Notice:
      break;
    case MessageKind::CropQuestion:
      yes = answers_.crop;
      break;
    case MessageKind::MissingSignatureQuestion:
      yes = answers_.force;
      break;
    case MessageKind::CompactQuestion:
      yes = answers_.compact;
      break;
  }
  if (!yes) {
    question_ = message;
    return MessageAnswer::Cancel;
  }
  messages_.push_back(message);
  if (listeners_.message) listeners_.message(message);
  return MessageAnswer::Ok;
}

void ModuleFrame::ShowReaderWarnings(const std::vector<std::string>& warnings) {
  warnings_.insert(warnings_.end(), warnings.begin(), warnings.end());
  if (listeners_.warnings) listeners_.warnings(warnings);
}

}  // namespace tarvo
