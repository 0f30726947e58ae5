#include "Commands.h"

#include "core/Clock.h"
#include "dbc/DbcExport.h"

namespace ordane::cli {

int dbcCommand(const fs::path& project, const fs::path& output, std::ostream&, std::ostream& err) {
    return runInProject(project, err, [&] {
        const SystemClock clock;
        writeProjectDbc(project, output, clock);
        return kSuccess;
    });
}

} // namespace ordane::cli
