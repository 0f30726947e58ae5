#include "documents/J1939Identifier.h"

namespace ordane {

J1939Identifier splitJ1939Identifier(std::uint32_t id29) {
    J1939Identifier id;
    id.priority = int(id29 >> 26 & 0x7);
    id.extendedDataPage = int(id29 >> 25 & 0x1);
    id.dataPage = int(id29 >> 24 & 0x1);
    id.pduFormat = int(id29 >> 16 & 0xFF);
    id.pduSpecific = int(id29 >> 8 & 0xFF);
    id.sourceAddress = int(id29 & 0xFF);
    return id;
}

J1939Reading readJ1939(std::uint32_t rawId, std::string_view frameFormat, int length) {
    J1939Reading reading;
    const bool extended = (rawId & 0x80000000u) != 0;
    const std::uint32_t id = rawId & 0x7FFFFFFFu;
    if (id > 0x1FFFFFFF) {
        reading.reason = "not a CAN identifier (a message of the database's own)";
        return reading;
    }
    if (frameFormat.ends_with("_FD")) {
        reading.reason = "CAN FD frame (" + std::string(frameFormat) + ")";
        return reading;
    }
    if (!extended && frameFormat != "J1939PG") {
        reading.reason = "standard 11-bit identifier, not a J1939 frame";
        return reading;
    }
    reading.id = splitJ1939Identifier(id);
    if (reading.id.extendedDataPage != 0) {
        reading.reason = "extended data page bit set: not a J1939 parameter group";
        return reading;
    }
    if (length > 8) {
        reading.reason = "DLC " + std::to_string(length) + " above the converter's 8 bytes";
        return reading;
    }
    reading.isJ1939 = true;
    return reading;
}

} // namespace ordane
