#include "Commands.h"

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

int updateCommand(const fs::path& project, const fs::path& templateFile, std::ostream& out,
                  std::ostream& err) {
    const int compiled = compileCommand(project, out, err);
    if (compiled != kSuccess)
        return compiled;
    return mergeCommand(project, templateFile, out, err);
}

} // namespace ordane::cli
