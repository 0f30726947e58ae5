#include "Commands.h"

#include "compiler/CompileProject.h"

#include <system_error>

namespace ordane::cli {

int checkCommand(const fs::path& project, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (!fs::is_directory(project, ec)) {
        err << "Project folder not found: " << project.string() << "\n";
        return kFailed;
    }
    CheckReport report;
    checkCommunicationAndFrames(project, report);
    checkMappings(project, report);
    checkClientAndGuarding(project, report);
    // What the editors let through but the compiler refuses.
    for (std::string& failure : imageRoomFailures(project))
        report.failures.push_back(std::move(failure));
    for (const auto& note : report.notes)
        err << note << "\n";
    for (const auto& failure : report.failures)
        out << failure << "\n";
    return report.failures.empty() ? kSuccess : kFailed;
}

} // namespace ordane::cli
