// A command frame for tests: records what a command shows and answers its
// questions from a list.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "frame/command_frame.h"

namespace tarvo::test {

class TestFrame final : public CommandFrame {
 public:
  bool hexNumbers = false;
  bool signatures = true;
  std::deque<MessageAnswer> answers;                    // for questions, in turn
  MessageAnswer defaultAnswer = MessageAnswer::Cancel;  // once `answers` is used up
  std::function<void(TestFrame&)> onYield;

  std::vector<std::string> statuses;
  std::vector<Message> messages;
  int yields = 0;
  bool locked = false;
  int lockCount = 0;
  double minimum = 0, maximum = 100, value = 0;

  void SetStatusText(const std::string& text) override { statuses.push_back(text); }
  void SetProgressMinimum(double v) override { minimum = v; }
  void SetProgressMaximum(double v) override { maximum = v; }
  void SetProgressValue(double v) override { value = v; }
  double ProgressMaximum() const override { return maximum; }
  void Yield() override {
    ++yields;
    if (onYield) onYield(*this);
  }
  MessageAnswer ShowMessage(const Message& message) override {
    messages.push_back(message);
    if (!message.HasCancel()) return MessageAnswer::Ok;
    if (answers.empty()) return defaultAnswer;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  bool HexStringNumbers() const override { return hexNumbers; }
  bool SaveLangSignatures() const override { return signatures; }
  void Lock() override {
    locked = true;
    ++lockCount;
  }
  void Unlock() override { locked = false; }

  std::string LastStatus() const { return statuses.empty() ? std::string() : statuses.back(); }
};

}  // namespace tarvo::test
