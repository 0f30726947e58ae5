#include "Commands.h"

#include "core/CreateProject.h"
#include "core/MessageSink.h"
#include "core/Utf8.h"

namespace ordane::cli {

std::optional<fs::path> createProjectTelling(const fs::path& root, const std::string& name,
                                             std::ostream& err) {
    StreamMessageSink messages(err);
    std::string reason;
    auto folder = createProjectFolder(root, name, messages, &reason);
    if (!folder && !reason.empty())
        err << "Cannot create project folder '" << (root / pathFromUtf8(name)).string() << "': " << reason
            << "\n";
    return folder;
}

int newCommand(const fs::path& root, const std::string& name, std::ostream& out,
               std::ostream& err) {
    const auto folder = createProjectTelling(root, name, err);
    if (!folder)
        return kFailed;
    out << folder->string() << "\n";
    return kSuccess;
}

} // namespace ordane::cli
