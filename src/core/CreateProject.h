#pragma once

#include "MessageSink.h"

#include <filesystem>
#include <optional>
#include <string>

namespace ordane {

class ProjectState;

// The New project dialog's OK: checks the name, creates the folder and its `bin`, and on
// success sets the project in `state`. Messages go to `messages` as plain message boxes.
// Returns whether the dialog may close with OK.
bool createProject(const std::filesystem::path& destination, const std::string& name,
                   ProjectState& state, MessageSink& messages);

// The same rules without a project state (the command line). Returns the new folder, or
// nothing when refused; `reason` receives the system's text of a failed creation.
std::optional<std::filesystem::path> createProjectFolder(const std::filesystem::path& destination,
                                                         const std::string& name,
                                                         MessageSink& messages,
                                                         std::string* reason = nullptr);

} // namespace ordane
