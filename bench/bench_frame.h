// A frame for benchmarks: shows nothing, answers every question Cancel and
// keeps the last message, so that a failed run can say why.
#pragma once

#include <string>

#include "frame/command_frame.h"

namespace tarvo::bench {

class BenchFrame final : public CommandFrame {
 public:
  bool signatures = true;
  std::string lastMessage = "stopped";

  void SetStatusText(const std::string&) override {}
  void SetProgressMinimum(double) override {}
  void SetProgressMaximum(double value) override { maximum_ = value; }
  void SetProgressValue(double) override {}
  double ProgressMaximum() const override { return maximum_; }
  void Yield() override {}
  MessageAnswer ShowMessage(const Message& message) override {
    lastMessage = message.Text;
    return message.HasCancel() ? MessageAnswer::Cancel : MessageAnswer::Ok;
  }
  bool HexStringNumbers() const override { return false; }
  bool SaveLangSignatures() const override { return signatures; }
  void Lock() override {}
  void Unlock() override {}

 private:
  double maximum_ = 100;
};

}  // namespace tarvo::bench
