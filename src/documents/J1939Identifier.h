#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ordane {

// The fields of a 29-bit J1939 identifier.
struct J1939Identifier {
    int priority = 0;         // bits 26..28
    int extendedDataPage = 0; // bit 25
    int dataPage = 0;         // bit 24
    int pduFormat = 0;        // bits 16..23
    int pduSpecific = 0;      // bits 8..15: destination address (PDU1) or group extension
    int sourceAddress = 0;    // bits 0..7

    bool pdu1() const { return pduFormat < 240; }
    // The 16-bit PGN of the frame lists (data page apart); PDU1 without its destination.
    std::uint32_t pgn() const {
        return std::uint32_t(pduFormat) << 8 | (pdu1() ? 0u : std::uint32_t(pduSpecific));
    }
    // The 18-bit PGN with the data page, as J1939 numbers parameter groups.
    std::uint32_t fullPgn() const { return std::uint32_t(dataPage) << 16 | pgn(); }
    // The destination address of a PDU1 frame, -1 for PDU2.
    int destination() const { return pdu1() ? pduSpecific : -1; }

    bool operator==(const J1939Identifier&) const = default;
};

J1939Identifier splitJ1939Identifier(std::uint32_t id29);

// How a DBC message reads as a J1939 frame: its identifier, or why it is none.
struct J1939Reading {
    bool isJ1939 = false;
    J1939Identifier id;
    std::string reason; // when !isJ1939
};

// `rawId` as the DBC writes it (bit 31 the extended flag); `frameFormat` the message's
// VFrameFormat attribute, its default included ("" when the file has none); `length` its DLC.
// An extended identifier, or VFrameFormat J1939PG, makes a J1939 frame; standard identifiers,
// the extended data page, CAN FD formats and more than 8 bytes do not.
J1939Reading readJ1939(std::uint32_t rawId, std::string_view frameFormat, int length);

} // namespace ordane
