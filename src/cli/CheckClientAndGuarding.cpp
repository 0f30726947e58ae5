#include "Commands.h"

#include "documents/Error.h"
#include "editors/NodeGuardSettings.h"
#include "editors/SdoClientFrames.h"

namespace ordane::cli {

namespace {

void addAll(std::vector<std::string>& to, const char* document,
            const std::vector<std::string>& messages) {
    for (const std::string& message : messages)
        to.push_back(std::string(document) + ": " + message);
}

} // namespace

// What the two windows would show on opening and on OK. The values read before a broken
// document's first problem are checked as well, as the windows would check them.
void checkClientAndGuarding(const fs::path& project, CheckReport& report) {
    SdoClientFrames client;
    try {
        client.load(project);
    } catch (const Error& e) {
        report.failures.push_back(e.what());
    }
    addAll(report.failures, kSdoClientDocument, client.validate());

    NodeGuardSettings guarding;
    const NodeGuardSettings::TableLoad table = guarding.loadTable(project);
    if (!table.found)
        report.notes.push_back(std::string(kNodeGuardDocument) + ": " + kFileXmlNotFound);
    // The window passes over these silently, but the compiler would stop on them.
    if (table.problem)
        report.failures.push_back(*table.problem);
    if (table.droppedRows > 0)
        report.notes.push_back(std::string(kNodeGuardDocument) + ": " +
                               std::to_string(table.droppedRows) +
                               " rows after row 32 are not used");
    addAll(report.failures, kNodeGuardDocument, guarding.validateTable());

    try {
        guarding.loadFrames(project);
    } catch (const Error& e) {
        report.failures.push_back(e.what());
    }
    addAll(report.failures, kNodeGuardFramesDocument, guarding.validateFrames());
}

} // namespace ordane::cli
