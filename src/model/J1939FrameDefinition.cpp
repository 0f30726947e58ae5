#include "model/J1939FrameDefinition.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/ProjectDocuments.h"

namespace ordane {

J1939FrameDefinition defaultJ1939Frame(int k) {
    return {0, 0, hexText(std::uint32_t(k), 4), hexText(std::uint32_t(k), 2), {}};
}

int readChoice(const DocumentRow& row, std::string_view name, int entries) {
    const int value = row.integer(name);
    return value >= 0 && value < entries ? value : -1;
}

void readFrameValues(const DocumentRow& row, J1939FrameDefinition& frame) {
    frame.dataPage = readChoice(row, field::kDataPage, kDataPageEntries);
    frame.pgn = row.attribute(field::kPgn);
    frame.sa = row.attribute(field::kSa);
    frame.mnemonic = row.attribute(field::kMnemonic);
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
    return {{std::string(field::kPriority), std::to_string(frame.priority)},
            {std::string(field::kDataPage), std::to_string(frame.dataPage)},
            {std::string(field::kPgn), frame.pgn},
            {std::string(field::kSa), frame.sa},
            {std::string(field::kMnemonic), frame.mnemonic}};
}

} // namespace ordane
