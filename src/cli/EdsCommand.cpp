#include "Commands.h"

#include "core/Clock.h"
#include "eds/EdsWriter.h"

namespace ordane::cli {

// The window always has a project; here a mistyped folder would give a file of fixed parts
// only, which looks like a good result.
int edsCommand(const fs::path& project, const fs::path& output, std::ostream&, std::ostream& err) {
    return runInProject(project, err, [&] {
        const SystemClock clock;
        EdsWriter(clock).write(project, output);
        return kSuccess;
    });
}

} // namespace ordane::cli
