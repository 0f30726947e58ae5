#include "Commands.h"

#include "app/Clock.h"
#include "documents/Error.h"
#include "eds/DcfWriter.h"

#include <system_error>

namespace ordane::cli {

int dcfCommand(const fs::path& project, const fs::path& output,
               const std::optional<std::string>& nodeId, const std::optional<std::string>& bitRate,
               std::ostream&, std::ostream& err) {
    // As for the EDS: a mistyped folder would give a file of fixed parts on node 1.
    std::error_code ec;
    if (!fs::is_directory(project, ec)) {
        err << "Project folder not found: " << project.string() << "\n";
        return kFailed;
    }
    try {
        const SystemClock clock;
        DcfWriter(clock).write(project, output, {nodeId, bitRate});
    } catch (const Error& e) {
        err << e.what() << "\n";
        return kFailed;
    }
    return kSuccess;
}

} // namespace ordane::cli
