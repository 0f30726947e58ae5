#include "Commands.h"

#include "core/CreateProject.h"
#include "core/MessageSink.h"

namespace ordane::cli {

int newCommand(const fs::path& root, const std::string& name, std::ostream& out,
               std::ostream& err) {
    StreamMessageSink messages(err);
    std::string reason;
    const auto folder = createProjectFolder(root, name, messages, &reason);
    if (!folder) {
        if (!reason.empty())
            err << "Cannot create project folder '" << (root / name).string() << "': " << reason
                << "\n";
        return kFailed;
    }
    out << folder->string() << "\n";
    return kSuccess;
}

} // namespace ordane::cli
