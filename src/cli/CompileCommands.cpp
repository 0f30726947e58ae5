#include "Commands.h"

#include "compiler/UpdateBanks.h"
#include "core/Clock.h"
#include "core/MessageSink.h"

namespace ordane::cli {

int compileCommand(const fs::path& project, std::ostream&, std::ostream& err) {
    return runInProject(project, err, [&] {
        // A fresh image per run: nothing of an earlier compilation can reach these bank files.
        DeviceImage image;
        StreamMessageSink messages(err);
        const SystemClock clock;
        // A script must not go on with a stale bank file: each one not written fails the
        // command.
        const std::vector<std::string> unwritten =
            compileAndWriteBanks(project, image, messages, clock);
        for (const std::string& reason : unwritten)
            err << reason << '\n';
        return unwritten.empty() ? kSuccess : kFailed;
    });
}

} // namespace ordane::cli
