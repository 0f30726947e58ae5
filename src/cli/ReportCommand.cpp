#include "Commands.h"

#include "check/ProjectCheck.h"
#include "core/Clock.h"
#include "report/MappingReport.h"

namespace ordane::cli {

int reportCommand(const fs::path& project, const fs::path& output, std::ostream&,
                  std::ostream& err) {
    return runInProject(project, err, [&] {
        // The findings of `check`, shown first in the report.
        const ProjectCheck check = checkProject(project);
        const SystemClock clock;
        writeMappingReport(project, output, {check.failures, check.notes}, clock);
        return kSuccess;
    });
}

} // namespace ordane::cli
