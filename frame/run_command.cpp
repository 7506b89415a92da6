#include "frame/run_command.h"

#include <new>

#include "config/error.h"

namespace tarvo {

CommandResult FailCommand(CommandFrame& frame, const std::string& text) {
  frame.ShowMessage({text, "Error", MessageKind::Notice});
  frame.SetStatusText("Stopped!");
  return {CommandOutcome::Failed, {}};
}

CommandResult RunCommand(CommandFrame& frame, const std::string& outOfMemoryText,
                         const std::function<CommandResult()>& body) {
  CommandResult result;
  try {
    result = body();
  } catch (const CommandStopped&) {
    frame.SetStatusText("Stopped!");
    return {CommandOutcome::Failed, {}};
  } catch (const Error& e) {
    return FailCommand(frame, e.what());
  } catch (const std::bad_alloc&) {
    return FailCommand(frame, outOfMemoryText);
  }
  if (result.Outcome == CommandOutcome::Done) frame.SetStatusText("Done!");
  return result;
}

}  // namespace tarvo
