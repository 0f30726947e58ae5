#pragma once

#include "documents/ProjectDocuments.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// Frames are referred to by their row in the frame list (NrPdo of the SDO mapping,
// Frame_J1939 of the PDOs). Whatever changes a frame list (an import, a row cleared or
// moved) re-points those references here, so that each one stays with its frame.

// What tells a frame apart from the others of its list: its PGN and source address. Number
// text is compared by value (0xFEF1 and 65265 are one PGN); other text as it stands.
struct FrameIdentity {
    std::string pgn;
    std::string sourceAddress;
    bool operator==(const FrameIdentity&) const = default;
};
FrameIdentity frameIdentity(std::string_view pgnText, std::string_view sourceAddressText);

// The frames of the side's stored frame document, in order. Throws Error when it cannot
// be read; a missing document has none.
std::vector<FrameIdentity> storedFrameIdentities(const std::filesystem::path& projectFolder,
                                                 Side side);

// For each frame number 1..before.size() its number in `after`, or 0 when it is gone
// (element 0 is unused). Frames of the same identity are paired in order: the k-th such
// frame of `before` becomes the k-th of `after`.
std::vector<int> followFrames(const std::vector<FrameIdentity>& before,
                              const std::vector<FrameIdentity>& after);

// One row of the SDO mapping or PDO document that refers to a frame.
struct FrameReference {
    std::string document; // the name as found on disk
    int row = 0;          // from 1
    int frame = 0;        // the number it holds
    int newFrame = 0;     // the number of the same frame after the change; 0 when it is gone
    std::string what;     // "Index 0x2100 SubIndex 1", "PDO 1, COB-ID 0x181"
    FrameIdentity identity; // of the frame it held, when that frame was in the list

    // "RInfoCob.xml row 2 (Index 0x2100 SubIndex 1): frame 3 is now frame 1", or
    // "...: frame 3 (PGN 0xF004, source address 0) is no longer in the list".
    std::string line() const;
};

// What a change of one frame list does to the references of its side.
struct FrameReferencePlan {
    Side side = Side::Received;
    bool sdoMappingIncluded = true;
    std::vector<FrameReference> moved; // re-pointed to the frame's new number
    std::vector<FrameReference> lost;  // their frame is gone: removed when applied

    bool changesDocuments() const { return !moved.empty() || !lost.empty(); }
};

// The references of the side's SDO mapping (unless `includeSdoMapping` is false, as when
// an import replaces that mapping) and of its PDO document (TpdoJ1939.xml for the received
// frames, pdoJ1939.xml for the transmitted ones), followed from the stored frame list to
// `after`. A reference that names no frame of the stored list counts as lost. Throws
// Error when one of the documents cannot be read; nothing is written.
FrameReferencePlan planFrameReferences(const std::filesystem::path& projectFolder, Side side,
                                       const std::vector<FrameIdentity>& after,
                                       bool includeSdoMapping = true);

// A planned document, ready to be written.
struct PlannedDocument {
    std::filesystem::path path;
    ProjectDocument document;
};

// The re-pointed documents of `plan`: moved references take their new numbers, the rows
// of lost ones are removed, the SDO mapping's rows stay grouped in frame order; everything
// else stays as stored. Built whole in memory first, so that a document that cannot be
// read stops it before anything is written. Throws Error.
std::vector<PlannedDocument> repointedDocuments(const std::filesystem::path& projectFolder,
                                                const FrameReferencePlan& plan);
// Writes them; throws Error on the first that cannot be written.
void writePlannedDocuments(const std::vector<PlannedDocument>& documents);

} // namespace ordane
