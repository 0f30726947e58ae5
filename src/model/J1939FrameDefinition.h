#pragma once

#include "documents/ProjectDocument.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// A J1939 frame as the SDO client and the node-guarding documents store it. Priority and
// data page are drop-down positions, -1 for no selection; PGN and SA stay as typed.
struct J1939FrameDefinition {
    int priority = 0;
    int dataPage = 0;
    std::string pgn;
    std::string sa;
    std::string mnemonic;

    bool operator==(const J1939FrameDefinition&) const = default;
};

inline constexpr int kPriorityEntries = 8; // "0" to "7"
inline constexpr int kDataPageEntries = 2; // "0", "1"

// Frame k (1-based) of a new document: priority and data page 0, PGN "0x000k", SA "0x0k".
J1939FrameDefinition defaultJ1939Frame(int k);

// A drop-down position from an integer attribute; a value outside the list is no
// selection (-1). Throws Error when the attribute is absent or no integer.
int readChoice(const DocumentRow& row, std::string_view name, int entries);

// Reads DataPage, PGN, SA and Mnemonic in that order, storing each as soon as it is read,
// so that a failure keeps what came before it. Throws Error at the first problem.
void readFrameValues(const DocumentRow& row, J1939FrameDefinition& frame);

// PGN 0..65535 and SA 0..253, failures as "Error in <name>. ..." in that order.
void checkJ1939Frame(const J1939FrameDefinition& frame, const std::string& name,
                     std::vector<std::string>& messages);

// Priority, DataPage, PGN, SA, Mnemonic; the positions in decimal.
std::vector<ProjectDocument::Pair> frameAttributes(const J1939FrameDefinition& frame);

} // namespace ordane
