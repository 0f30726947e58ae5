#include "CreateProject.h"

#include "ProjectState.h"
#include "core/ProjectFolder.h"
#include "core/Utf8.h"

#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

std::optional<fs::path> createProjectFolder(const fs::path& destination, const std::string& name,
                                            MessageSink& messages, std::string* reason) {
    bool allowed = true;
    if (destination.empty()) {
        messages.info("directory destination not valid");
        allowed = false;
    }
    if (name.empty()) {
        messages.info("Name project not valid");
        allowed = false;
    }
    if (!allowed)
        return std::nullopt;
    if (leavesFolder(name) || unportableName(name)) {
        messages.info("Name project not valid");
        return std::nullopt;
    }
    const fs::path folder = destination / pathFromUtf8(name);
    std::error_code ec;
    if (fs::is_directory(folder, ec)) {
        messages.info("Name project not valid because directory already exists");
        return std::nullopt;
    }
    if (!fs::create_directory(folder, ec)) {
        if (reason)
            *reason = ec ? ec.message() : std::string("a file of that name exists");
        return std::nullopt;
    }
    fs::create_directories(binFolder(folder), ec); // not reported: later bank writes fail instead
    return folder;
}

bool createProject(const fs::path& destination, const std::string& name, ProjectState& state,
                   MessageSink& messages) {
    const auto folder = createProjectFolder(destination, name, messages);
    if (!folder)
        return false;
    state.setNewProject(name, *folder);
    return true;
}

} // namespace ordane
