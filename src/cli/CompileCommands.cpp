#include "Commands.h"

#include "app/Clock.h"
#include "app/MessageSink.h"
#include "compiler/BankWriters.h"
#include "compiler/CompileProject.h"
#include "compiler/DeviceImage.h"
#include "documents/Error.h"

#include <system_error>

namespace ordane::cli {

int compileCommand(const fs::path& project, std::ostream&, std::ostream& err) {
    std::error_code ec;
    if (!fs::is_directory(project, ec)) {
        err << "Project folder not found: " << project.string() << "\n";
        return kFailed;
    }
    // A fresh image per run: nothing of an earlier compilation can reach these bank files.
    DeviceImage image;
    StreamMessageSink messages(err);
    const SystemClock clock;
    try {
        compileProject(project, image, messages, clock);
    } catch (const Error& e) {
        err << e.what() << '\n';
        return kFailed;
    }
    // The desktop program skips a bank file it cannot write without a word; a script
    // must not go on with a stale one, so here it is said and the command fails.
    const std::vector<std::string> skipped = writeBankFiles(image, project);
    for (const std::string& reason : skipped)
        err << reason << '\n';
    try {
        writeBankSource(image, project);
    } catch (const Error& e) {
        err << e.what() << '\n';
        return kFailed;
    }
    return skipped.empty() ? kSuccess : kFailed;
}

} // namespace ordane::cli
