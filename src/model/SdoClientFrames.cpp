#include "model/SdoClientFrames.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ProjectFolder.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocuments.h"

namespace ordane {

namespace fs = std::filesystem;

namespace {

// The frames' names in the messages; the two write requests are named as answers.
constexpr const char* kMessageNames[SdoClientFrames::kFrames] = {
    "Request SDO Read", "Answer SDO Read", "Answer SDO Write (1/2)", "Answer SDO Write (2/2)",
    "Answer SDO Write"};

} // namespace

SdoClientFrames::SdoClientFrames() {
    setDefaults();
}

void SdoClientFrames::setDefaults() {
    for (int k = 1; k <= kFrames; ++k)
        frame(k) = defaultJ1939Frame(k);
}

bool SdoClientFrames::hasPriority(int k) {
    return k == 2 || k == 5;
}

void SdoClientFrames::read(const fs::path& folder) {
    setDefaults();
    // Without a project folder there is nothing to read, not the current directory.
    if (folder.empty())
        return;
    readStep(documents::sdoClient.fileName, [&] {
        DocumentFile file;
        if (!file.load(folder, documents::sdoClient))
            return;
        const std::vector<DocumentRow> rows = file.rowsOfNamedRoot();
        for (int k = 1; k <= kFrames; ++k) {
            if (std::size_t(k) > rows.size())
                throw Error(file.name() + ": " + std::to_string(kFrames) + " rows expected, " +
                            std::to_string(rows.size()) + " found");
            const DocumentRow& row = rows[std::size_t(k - 1)];
            readFrameValues(row, frame(k));
            if (hasPriority(k))
                frame(k).priority = readChoice(row, field::kPriority, kPriorityEntries);
        }
    });
}

std::vector<Finding> SdoClientFrames::failures() const {
    std::vector<std::string> messages;
    for (int k = 1; k <= kFrames; ++k)
        checkJ1939Frame(frame(k), kMessageNames[k - 1], messages);
    std::vector<Finding> result;
    appendFindings(result, documents::sdoClient.fileName, std::move(messages));
    return result;
}

void SdoClientFrames::save(const fs::path& folder) const {
    requireProjectFolder(folder);
    ProjectDocument document;
    document.create(documents::sdoClient.rootName);
    for (int k = 1; k <= kFrames; ++k) {
        J1939FrameDefinition written = frame(k);
        if (!hasPriority(k))
            written.priority = 0;
        document.appendRow(frameAttributes(written));
    }
    document.save(documentPath(folder, documents::sdoClient.fileName));
}

} // namespace ordane
