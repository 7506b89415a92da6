// What a command needs of the window it runs in: status text, progress,
// yielding to pending events, message boxes, the two options and locking.
// The window, the command-line tool and the tests each implement it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tarvo {

enum class MessageAnswer { Ok, Cancel };

// What a message asks, so that a front end without a person in front of it
// can answer each kind of question by its own rule.
enum class MessageKind {
  Notice,                 // OK only
  CropQuestion,           // OK crops the over-long string, Cancel stops
  MissingSignatureQuestion,  // OK writes into an image without a pack signature
  CompactQuestion,        // OK writes the compact pack where only it fits
};

struct Message {
  Message() = default;
  Message(std::string text, std::string title, MessageKind kind = MessageKind::Notice, std::string report = {})
      : Text(std::move(text)), Title(std::move(title)), Kind(kind), Report(std::move(report)) {}

  std::string Text;
  std::string Title;
  MessageKind Kind = MessageKind::Notice;
  // For front ends that print rather than ask: lines below a notice's text;
  // for the compact question, all that is printed in its place.
  std::string Report;
  bool HasCancel() const { return Kind != MessageKind::Notice; }
};

class CommandFrame {
 public:
  virtual ~CommandFrame() = default;

  virtual void SetStatusText(const std::string& text) = 0;

  virtual void SetProgressMinimum(double value) = 0;
  virtual void SetProgressMaximum(double value) = 0;
  virtual void SetProgressValue(double value) = 0;
  virtual double ProgressMaximum() const = 0;

  // Lets the front end handle pending events (repaint, option toggles).
  virtual void Yield() = 0;

  // A modal message; closing it without a choice answers Cancel.
  virtual MessageAnswer ShowMessage(const Message& message) = 0;

  // "String numbers in hex", read afresh for every string line.
  virtual bool HexStringNumbers() const = 0;
  // "Save language signatures in .lgp".
  virtual bool SaveLangSignatures() const = 0;

  // The lines that the .lgp reader passed over or read other than they look,
  // each "line N: what"; for front ends that print them (the window does not).
  virtual void ShowReaderWarnings(const std::vector<std::string>& warnings) { (void)warnings; }

  // Disables both commands and the signature option while a command runs.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

// How a command ended.
enum class CommandOutcome {
  Done,     // "Done!"
  Silent,   // ended without a message box (empty input file, no byte order mark)
  Failed,   // a message box said why, or the user stopped it
};

struct CommandResult {
  CommandOutcome Outcome = CommandOutcome::Done;
  // For a silent end: why, for front ends that must say it anyway.
  std::string Reason;
};

// Unlocks the frame when a command leaves, however it leaves.
class FrameLock {
 public:
  explicit FrameLock(CommandFrame& frame) : frame_(frame) { frame_.Lock(); }
  ~FrameLock() { frame_.Unlock(); }
  FrameLock(const FrameLock&) = delete;
  FrameLock& operator=(const FrameLock&) = delete;

 private:
  CommandFrame& frame_;
};

}  // namespace tarvo
