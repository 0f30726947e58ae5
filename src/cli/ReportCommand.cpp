#include "Commands.h"

#include "app/Clock.h"
#include "compiler/CompileProject.h"
#include "documents/Error.h"
#include "report/MappingReport.h"

#include <system_error>

namespace ordane::cli {

int reportCommand(const fs::path& project, const fs::path& output, std::ostream&,
                  std::ostream& err) {
    std::error_code ec;
    if (!fs::is_directory(project, ec)) {
        err << "Project folder not found: " << project.string() << "\n";
        return kFailed;
    }
    // The findings of `check`, shown first in the report.
    CheckReport check;
    checkCommunicationAndFrames(project, check);
    checkMappings(project, check);
    checkClientAndGuarding(project, check);
    for (std::string& failure : imageRoomFailures(project))
        check.failures.push_back(std::move(failure));
    try {
        const SystemClock clock;
        writeMappingReport(project, output, {check.failures, check.notes}, clock);
    } catch (const Error& e) {
        err << e.what() << "\n";
        return kFailed;
    }
    return kSuccess;
}

} // namespace ordane::cli
