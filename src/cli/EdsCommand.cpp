#include "Commands.h"

#include "app/Clock.h"
#include "documents/Error.h"
#include "eds/EdsWriter.h"

#include <system_error>

namespace ordane::cli {

int edsCommand(const fs::path& project, const fs::path& output, std::ostream&, std::ostream& err) {
    // The window always has a project; here a mistyped folder would give a file of fixed
    // parts only, which looks like a good result.
    std::error_code ec;
    if (!fs::is_directory(project, ec)) {
        err << "Project folder not found: " << project.string() << "\n";
        return kFailed;
    }
    try {
        const SystemClock clock;
        EdsWriter(clock).write(project, output);
    } catch (const Error& e) {
        err << e.what() << "\n";
        return kFailed;
    }
    return kSuccess;
}

} // namespace ordane::cli
