#include "editors/SdoClientFrames.h"

#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/NumberText.h"

namespace ordane {

namespace fs = std::filesystem;

J1939FrameDefinition defaultJ1939Frame(int k) {
    return {0, 0, hexText(std::uint32_t(k), 4), hexText(std::uint32_t(k), 2), {}};
}

int readChoice(const DocumentRow& row, std::string_view name, int entries) {
    const int value = row.integer(name);
    return value >= 0 && value < entries ? value : -1;
}

void readFrameValues(const DocumentRow& row, J1939FrameDefinition& frame) {
    frame.dataPage = readChoice(row, "DataPage", kDataPageEntries);
    frame.pgn = row.attribute("PGN");
    frame.sa = row.attribute("SA");
    frame.mnemonic = row.attribute("Mnemonic");
}

void checkJ1939Frame(const J1939FrameDefinition& frame, const std::string& name,
                     std::vector<std::string>& messages) {
    const int pgn = parseInteger(frame.pgn, -1);
    if (pgn < 0 || pgn > 0xFFFF)
        messages.push_back("Error in " + name + ". PGN must be between 0x0000 and 0xFFFF");
    const int sa = parseInteger(frame.sa, -1);
    if (sa < 0 || sa > 253)
        messages.push_back("Error in " + name + ". Source Address must be between 0 and 253");
}

std::vector<ProjectDocument::Pair> frameAttributes(const J1939FrameDefinition& frame) {
    return {{"Priority", std::to_string(frame.priority)},
            {"DataPage", std::to_string(frame.dataPage)},
            {"PGN", frame.pgn},
            {"SA", frame.sa},
            {"Mnemonic", frame.mnemonic}};
}

void requireProjectFolder(const fs::path& folder) {
    if (folder.empty())
        throw Error("Project not valid");
}

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

void SdoClientFrames::load(const fs::path& folder) {
    setDefaults();
    // Without a project folder there is nothing to read, not the current directory.
    if (folder.empty() || !documentExists(folder, kSdoClientDocument))
        return;
    ProjectDocument document;
    document.load(documentPath(folder, kSdoClientDocument));
    const std::vector<DocumentRow> rows = document.rows(document.root(kSdoClientRoot));
    for (int k = 1; k <= kFrames; ++k) {
        if (std::size_t(k) > rows.size())
            throw Error(document.name() + ": " + std::to_string(kFrames) + " rows expected, " +
                        std::to_string(rows.size()) + " found");
        const DocumentRow& row = rows[std::size_t(k - 1)];
        readFrameValues(row, frame(k));
        if (hasPriority(k))
            frame(k).priority = readChoice(row, "Priority", kPriorityEntries);
    }
}

std::vector<std::string> SdoClientFrames::validate() const {
    std::vector<std::string> messages;
    for (int k = 1; k <= kFrames; ++k)
        checkJ1939Frame(frame(k), kMessageNames[k - 1], messages);
    return messages;
}

void SdoClientFrames::save(const fs::path& folder) const {
    requireProjectFolder(folder);
    ProjectDocument document;
    document.create(kSdoClientRoot);
    for (int k = 1; k <= kFrames; ++k) {
        J1939FrameDefinition written = frame(k);
        if (!hasPriority(k))
            written.priority = 0;
        document.appendRow(frameAttributes(written));
    }
    document.save(documentPath(folder, kSdoClientDocument));
}

} // namespace ordane
