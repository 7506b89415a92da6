// A stand-in for the window's file dialogs and message boxes: a test sets the
// next files and answers, and reads what was asked.
#pragma once

#include <deque>
#include <vector>

#include "app/dialogs.h"

namespace tarvo::test {

class ScriptedDialogs final : public Dialogs {
 public:
  std::deque<QString> files;  // an empty text cancels the dialog
  std::deque<MessageAnswer> answers;
  std::deque<int> choices;  // without one, a question is answered with its last button
  std::vector<FileDialogSettings> asked;
  std::vector<Message> messages;
  std::vector<Choice> questions;

  QString AskForFile(QWidget*, const FileDialogSettings& settings) override {
    asked.push_back(settings);
    if (files.empty()) return {};
    QString file = files.front();
    files.pop_front();
    return file;
  }
  MessageAnswer ShowMessage(QWidget*, const Message& message) override {
    messages.push_back(message);
    if (!message.HasCancel() || answers.empty())
      return message.HasCancel() ? MessageAnswer::Cancel : MessageAnswer::Ok;
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  int Choose(QWidget*, const Choice& choice) override {
    questions.push_back(choice);
    if (choices.empty()) return static_cast<int>(choice.buttons.size()) - 1;
    const int answer = choices.front();
    choices.pop_front();
    return answer;
  }
};

}  // namespace tarvo::test
