#include "Commands.h"

#include "check/ProjectCheck.h"

namespace ordane::cli {

int checkCommand(const fs::path& project, std::ostream& out, std::ostream& err) {
    return runInProject(project, err, [&] {
        const ProjectCheck report = checkProject(project);
        for (const auto& note : report.notes)
            err << note << "\n";
        for (const auto& failure : report.failures)
            out << failure << "\n";
        return report.failures.empty() ? kSuccess : kFailed;
    });
}

} // namespace ordane::cli
