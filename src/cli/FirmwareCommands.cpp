#include "Commands.h"

#include "check/ProjectCheck.h"
#include "firmware/ProjectMerge.h"

namespace ordane::cli {

int mergeCommand(const fs::path& project, const fs::path& templateFile, std::ostream& out,
                 std::ostream& err) {
    return runInProject(project, err, [&] {
        StreamMessageSink messages(err);
        SrecordMerge merge(messages);
        switch (mergeProjectBanks(merge, project, templateFile)) {
        case MergeOutcome::Written:
            out << merge.mergedFile().string() << '\n';
            return kSuccess;
        case MergeOutcome::Stopped:
            return kFailed; // the stage has said why
        case MergeOutcome::NoEndRecord:
            err << "No merged firmware file was written: the template has no S9 record\n";
            return kFailed;
        case MergeOutcome::NothingPassed:
            break;
        }
        err << "No merged firmware file was written\n";
        return kFailed;
    });
}

int updateCommand(const fs::path& project, const fs::path& templateFile, bool force,
                  std::ostream& out, std::ostream& err) {
    // A project the check refuses is not put into a device unless the user insists.
    const int checked = runInProject(project, err, [&] {
        const ProjectCheck report = checkProject(project);
        if (report.failures.empty())
            return kSuccess;
        for (const auto& failure : report.failures)
            err << failure << "\n";
        if (force) {
            err << "The project check failed; updating anyway (--force)\n";
            return kSuccess;
        }
        err << "The project check failed; nothing was compiled or merged. Give --force to "
               "update anyway.\n";
        return kFailed;
    });
    if (checked != kSuccess)
        return checked;
    const int compiled = compileCommand(project, out, err);
    if (compiled != kSuccess)
        return compiled;
    return mergeCommand(project, templateFile, out, err);
}

} // namespace ordane::cli
