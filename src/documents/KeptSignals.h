#pragma once

#include "documents/ProjectDocuments.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ordane {

// What a DBC import knew beyond bytes, kept in a file of its own in the project folder. No
// project document depends on it: a project without the file works as before, and a reader
// asks it about a frame or an object and falls back to bytes when it has no answer.
//
// The file belongs to the imports: a DBC import of a side replaces that side's part, and
// nothing else writes it. Frame lists and SDO mappings edited later are not followed; the
// lookups below compare what was imported with what the documents hold now, so a frame or
// an object that has changed since simply has no signal any more.

// The name of the file in the project folder (matched without regard to letter case).
inline constexpr std::string_view kKeptSignalsFileName = "DbcSignals.xml";

// An imported frame: the DBC message that a row of the side's frame list came from.
struct KeptFrame {
    int number = 0;               // 1-based row of the side's frame list
    std::string message;          // the DBC message's name
    std::uint32_t identifier = 0; // the 29-bit identifier as the DBC writes it (0xFE kept)
    int length = 8;               // the message's DLC in bytes
    // The frame-list row as saved by the import: its 16-bit PGN and source address (the
    // address given for a message that had none).
    std::uint32_t pgn = 0;
    int sourceAddress = 0;

    bool operator==(const KeptFrame&) const = default;
};

// A signal mapped as an SDO object, with the mapping it was imported as.
struct KeptSignal {
    // The object: 1-based frame number of its frame and the entry as imported (Index,
    // SubIndex, Dimension, B1..B4; Send_SDO is not part of the mapping and not compared).
    int frame = 0;
    SdoMappingEntry entry;

    std::string message; // the DBC message's name
    std::string name;
    std::string unit;
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    long spn = -1; // -1 when the DBC gives none
    std::string comment;
    std::vector<std::pair<std::int64_t, std::string>> values; // value table (VAL_), in order
    int startBit = 0;         // as the DBC writes it: LSB for little-endian, MSB for big-endian
    int length = 0;           // bits
    bool littleEndian = true; // @1 (Intel); false for @0 (Motorola)
    bool isSigned = false;

    // Whether the object that frame `frameNumber` maps now as `current` is still this
    // signal: same frame, Index and SubIndex, and the same Dimension and bytes.
    bool claims(int frameNumber, const SdoMappingEntry& current) const;

    bool operator==(const KeptSignal&) const = default;
};

// One side's part: frames in frame-list order, signals in mapping order.
struct KeptSide {
    std::vector<KeptFrame> frames;
    std::vector<KeptSignal> signalList;

    bool empty() const { return frames.empty() && signalList.empty(); }
    bool operator==(const KeptSide&) const = default;
};

class KeptSignals {
public:
    // The project's file; an empty store when the project has none. Throws Error naming
    // the file and the row when it exists and cannot be read.
    static KeptSignals load(const std::filesystem::path& projectFolder);
    // Writes the file atomically (an existing file of another letter case is replaced in
    // place); throws Error with the reason, the previous file then untouched.
    void save(const std::filesystem::path& projectFolder) const;

    // The file's text: UTF-8 XML, CR LF line ends.
    std::string text() const;
    // Reads text as load() does; `name` is used in messages.
    static KeptSignals fromText(std::string text, const std::string& name);

    bool empty() const { return m_received.empty() && m_transmitted.empty(); }
    const KeptSide& side(Side side) const;
    // What a re-import of the side does: the side's part is `part` from now on.
    void replaceSide(Side side, KeptSide part);

    // The imported frame at that row of the side's frame list, whatever the row holds now.
    const KeptFrame* frame(Side side, int number) const;
    // The same, only while the row still holds the imported PGN and source address.
    const KeptFrame* frameFor(Side side, int number, std::uint32_t pgn, int sourceAddress) const;

    // The signal imported as object (index, subIndex) of the side, whatever maps it now.
    const KeptSignal* signal(Side side, std::int32_t index, std::int32_t subIndex) const;
    // The signal of an object as the SDO mapping holds it now: only when the entry of
    // frame `frameNumber` still claims it (see KeptSignal::claims).
    const KeptSignal* signalFor(Side side, int frameNumber, const SdoMappingEntry& current) const;
    // The signals imported into that frame, in mapping order.
    std::vector<const KeptSignal*> signalsOfFrame(Side side, int number) const;

    bool operator==(const KeptSignals&) const = default;

private:
    KeptSide& part(Side side);

    KeptSide m_received;
    KeptSide m_transmitted;
};

// A scaling factor, offset or limit as the file writes it: the shortest text that reads
// back as the same double ("0.125", "-125", "8031.875", "1e-05").
std::string keptNumberText(double value);

} // namespace ordane
