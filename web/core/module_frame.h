// The frame of a command run inside the WebAssembly module: nobody to ask, so
// the caller's options answer the questions. A question they do not answer
// yes stops the command and is kept, to be returned as data; every message
// and reader warning is kept too, and status and progress go to listeners
// (the JavaScript callbacks) at the moments tarvo-cli would draw its
// progress line.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "frame/command_frame.h"

namespace tarvo {

struct ModuleAnswers {
  bool crop = false;     // the crop question answered yes
  bool force = false;    // the missing-signature question answered yes
  bool compact = false;  // the compact question answered yes
};

struct ModuleListeners {
  std::function<void(const std::string& text)> status;
  std::function<void(double done, double total)> progress;
  std::function<void(const Message& message)> message;
  std::function<void(const std::vector<std::string>& warnings)> warnings;
};

class ModuleFrame final : public CommandFrame {
 public:
  ModuleFrame(ModuleAnswers answers, ModuleListeners listeners, bool saveLangSignatures = true,
              bool hexNumbers = false)
      : answers_(answers),
        listeners_(std::move(listeners)),
        signatures_(saveLangSignatures),
        hexNumbers_(hexNumbers) {}

  void SetStatusText(const std::string& text) override;
  void SetProgressMinimum(double value) override { minimum_ = value; }
  void SetProgressMaximum(double value) override { maximum_ = value; }
  void SetProgressValue(double value) override;
  double ProgressMaximum() const override { return maximum_; }
  void Yield() override {}
  MessageAnswer ShowMessage(const Message& message) override;
  void ShowReaderWarnings(const std::vector<std::string>& warnings) override;
  bool HexStringNumbers() const override { return hexNumbers_; }
  bool SaveLangSignatures() const override { return signatures_; }
  void Lock() override {}
  void Unlock() override {}

  // The messages shown, in order, without the unanswered question.
  const std::vector<Message>& Messages() const { return messages_; }
  const std::vector<std::string>& Warnings() const { return warnings_; }
  // The question that stopped the command, if one did.
  const std::optional<Message>& Question() const { return question_; }

 private:
  void ShowProgress();

  ModuleAnswers answers_;
  ModuleListeners listeners_;
  bool signatures_, hexNumbers_;
  double minimum_ = 0, maximum_ = 100, value_ = 0;
  int lastPercent_ = -1;
  std::vector<Message> messages_;
  std::vector<std::string> warnings_;
  std::optional<Message> question_;
};

}  // namespace tarvo
