#include "Commands.h"

#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"
#include "editors/PdoMapping.h"
#include "editors/SdoMapping.h"
#include "editors/SdoObjectRules.h"

#include <optional>

namespace ordane::cli {

namespace {

constexpr PdoDirection kDirections[] = {PdoDirection::Rpdo, PdoDirection::Tpdo};
constexpr SdoSide kSides[] = {SdoSide::Received, SdoSide::Transmitted};

std::string rowLine(const std::string& document, int row, const std::string& text) {
    return document + ", row " + std::to_string(row) + ": " + text;
}

// The rows of a document, or nothing when it is absent; a document that cannot be read
// is a failure.
std::optional<std::vector<DocumentRow>> readRows(const fs::path& project, const char* name,
                                                 ProjectDocument& document, CheckReport& report) {
    if (!documentExists(project, name))
        return std::nullopt;
    try {
        document.load(documentPath(project, name));
        return document.rows(document.documentElement());
    } catch (const Error& e) {
        report.failures.push_back(e.what());
        return std::nullopt;
    }
}

// The number of frames of a frame list; unknown when it cannot be read (the frame-list
// checks report why).
std::optional<std::size_t> frameCount(const fs::path& project, const char* name) {
    if (!documentExists(project, name))
        return 0;
    try {
        ProjectDocument document;
        document.load(documentPath(project, name));
        return ProjectDocument::rowCount(document.documentElement());
    } catch (const Error&) {
        return std::nullopt;
    }
}

std::string noFrameText(const char* attribute, const std::string& number,
                        const char* frameDocument) {
    return std::string(attribute) + " " + number + " names no frame of " + frameDocument;
}

void checkPdoDocument(const fs::path& project, PdoDirection direction, CheckReport& report) {
    const std::string name = PdoMapping::documentName(direction);
    if (!documentExists(project, name))
        return;
    PdoMapping mapping(direction);
    try {
        mapping.loadDefinitions(project);
    } catch (const Error& e) {
        report.failures.push_back(e.what());
    }
    for (const std::string& message : mapping.validateAll())
        report.failures.push_back(name + ": " + message);
}

// Index and SubIndex of every row within the editor's ranges; the rows whose frame number
// names no frame go to `frameFailures`, which are listed with the checks across documents.
void checkSdoRows(const fs::path& project, SdoSide side, CheckReport& report,
                  std::vector<std::string>& frameFailures) {
    const char* name = SdoMapping::mappingDocumentName(side);
    const char* frames = SdoMapping::frameDocumentName(side);
    ProjectDocument document;
    const auto rows = readRows(project, name, document, report);
    if (!rows)
        return;
    const auto count = frameCount(project, frames);
    if (!count)
        report.notes.push_back(std::string(name) + ": frame numbers not checked, " + frames +
                               " cannot be read");
    for (const DocumentRow& row : *rows) {
        try {
            const std::int32_t number = row.integer("NrPdo");
            const std::int32_t index = row.integer("Index");
            const std::int32_t subIndex = row.integer("SubIndex");
            if (auto message = SdoMapping::rangeMessage(index, subIndex))
                report.failures.push_back(rowLine(name, row.number(), *message));
            if (count && (number < 1 || static_cast<std::size_t>(number) > *count))
                frameFailures.push_back(rowLine(
                    name, row.number(), noFrameText("NrPdo", row.attribute("NrPdo"), frames)));
        } catch (const Error& e) {
            report.failures.push_back(e.what());
        }
    }
}

// Every PDO needs a frame of the list before the device can be updated.
void checkPdoFrames(const fs::path& project, PdoDirection direction, CheckReport& report) {
    const char* name = PdoMapping::documentName(direction);
    const char* frames = PdoMapping::frameDocumentName(direction);
    ProjectDocument document;
    if (!documentExists(project, name))
        return;
    std::vector<DocumentRow> rows;
    try {
        document.load(documentPath(project, name));
        rows = document.rows(document.root("PDOJ1939"));
    } catch (const Error&) {
        return; // reported with the editor's checks
    }
    const auto count = frameCount(project, frames);
    for (const DocumentRow& row : rows) {
        if (row.number() > static_cast<int>(PdoMapping::kRows)) {
            report.failures.push_back(rowLine(name, row.number(),
                                              "only " + std::to_string(PdoMapping::kRows) +
                                                  " PDOs per direction are possible"));
            continue;
        }
        const auto frame = row.find("Frame_J1939");
        if (!frame) {
            report.failures.push_back(rowLine(name, row.number(), "the PDO has no J1939 Frame"));
            continue;
        }
        const std::int32_t number = parseInteger(*frame, -1);
        if (count && (number < 1 || static_cast<std::size_t>(number) > *count))
            report.failures.push_back(
                rowLine(name, row.number(), noFrameText("Frame_J1939", *frame, frames)));
    }
}

} // namespace

void checkMappings(const fs::path& project, CheckReport& report) {
    for (PdoDirection direction : kDirections)
        checkPdoDocument(project, direction, report);
    std::vector<std::string> frameFailures;
    for (SdoSide side : kSides)
        checkSdoRows(project, side, report, frameFailures);
    try {
        for (const MappingConflict& conflict : findMappingConflicts(project))
            report.failures.push_back(rowLine(conflict.document, conflict.row, conflict.message));
    } catch (const Error&) {
        // An unreadable row or document was reported above; fix it to see the conflicts.
        report.notes.push_back("Objects mapped twice not checked: an SDO mapping document "
                               "cannot be read");
    }
    report.failures.insert(report.failures.end(), frameFailures.begin(), frameFailures.end());
    for (PdoDirection direction : kDirections)
        checkPdoFrames(project, direction, report);
}

} // namespace ordane::cli
