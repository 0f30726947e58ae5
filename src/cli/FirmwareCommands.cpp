#include "Commands.h"

#include "documents/Error.h"
#include "firmware/SrecordMerge.h"

#include <system_error>

namespace ordane::cli {

int mergeCommand(const fs::path& project, const fs::path& templateFile, std::ostream& out,
                 std::ostream& err) {
    StreamMessageSink messages(err);
    SrecordMerge merge(messages);
    merge.setProjectFolder(project);
    std::error_code ec;
    if (fs::is_directory(project / "bin", ec))
        merge.setBankFolder(project / "bin");
    merge.setMergedFileName(kMergedFilePrefix + templateFile.filename().string());

    MergeOutcome outcome;
    try {
        outcome = merge.mergeChain({1, 2}, templateFile);
    } catch (const Error& e) {
        err << e.what() << '\n';
        return kFailed;
    }
    switch (outcome) {
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
}

int updateCommand(const fs::path& project, const fs::path& templateFile, std::ostream& out,
                  std::ostream& err) {
    const int compiled = compileCommand(project, out, err);
    if (compiled != kSuccess)
        return compiled;
    return mergeCommand(project, templateFile, out, err);
}

} // namespace ordane::cli
