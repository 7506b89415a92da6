// The frame of the command-line tool: reports on standard error and answers
// the commands' questions by the command-line options.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "frame/command_frame.h"

namespace tarvo {

class CliFrame final : public CommandFrame {
 public:
  // `showProgress`: draw a progress line (only when standard error is a terminal).
  CliFrame(std::ostream& err, bool showProgress) : err_(err), showProgress_(showProgress) {}

  bool hexNumbers = false;
  bool signatures = true;
  bool crop = false;
  bool force = false;

  void SetStatusText(const std::string& text) override;
  void SetProgressMinimum(double value) override { minimum_ = value; }
  void SetProgressMaximum(double value) override { maximum_ = value; }
  void SetProgressValue(double value) override;
  double ProgressMaximum() const override { return maximum_; }
  void Yield() override {}
  MessageAnswer ShowMessage(const Message& message) override;
  void ShowReaderWarnings(const std::vector<std::string>& warnings) override;
  bool HexStringNumbers() const override { return hexNumbers; }
  bool SaveLangSignatures() const override { return signatures; }
  void Lock() override {}
  void Unlock() override { EndProgressLine(); }

 private:
  void ShowProgress();
  void EndProgressLine();

  std::ostream& err_;
  bool showProgress_;
  std::string status_;
  double minimum_ = 0, maximum_ = 100, value_ = 0;
  int lastPercent_ = -1;
  bool lineOpen_ = false;
};

}  // namespace tarvo
