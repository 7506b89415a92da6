// How every command ends: one envelope around a command's body that turns a
// failure into what the user is told.
#pragma once

#include <functional>
#include <string>

#include "frame/command_frame.h"

namespace tarvo {

// Thrown when the user answers Cancel to a question of a command: it stops
// with nothing written and no further message.
struct CommandStopped {};

// Runs `body` and reports how it ended. An Error is shown in a message box
// titled "Error", a CommandStopped shows nothing more, and running out of
// memory shows `outOfMemoryText`; each of them then sets the status
// "Stopped!" and answers Failed. A body that answers Done gets the status
// "Done!"; one that answers Silent or Failed has said what it had to.
CommandResult RunCommand(CommandFrame& frame, const std::string& outOfMemoryText,
                         const std::function<CommandResult()>& body);

// Shows `text` as an error and answers Failed with the status "Stopped!".
CommandResult FailCommand(CommandFrame& frame, const std::string& text);

}  // namespace tarvo
