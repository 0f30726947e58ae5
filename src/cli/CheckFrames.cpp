#include "Commands.h"

#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "editors/CommunicationParameters.h"
#include "editors/J1939FrameList.h"

namespace ordane::cli {

// The checks the editors make on OK, run on the documents as stored; every failure is
// listed, not only the first.
void checkCommunicationAndFrames(const fs::path& project, CheckReport& report) {
    {
        const std::string name = documentPath(project, kPargenFileName).filename().string();
        CommunicationParameters parameters;
        try {
            parameters.load(project / kPargenFileName);
            for (const std::string& message : parameters.failures())
                report.failures.push_back(name + ": " + message);
        } catch (const Error& e) {
            report.failures.emplace_back(e.what());
        }
    }
    for (FrameSide side : {FrameSide::Received, FrameSide::Transmitted}) {
        J1939FrameList list(side);
        const std::string name = documentPath(project, list.documentName()).filename().string();
        try {
            list.load(project);
        } catch (const Error& e) {
            report.failures.emplace_back(e.what());
        }
        // The rows read before a load failure are those the editor would show and check.
        for (const FrameCheckFailure& failure : list.failures())
            report.failures.push_back(name + ": " + failure.message);
    }
}

} // namespace ordane::cli
