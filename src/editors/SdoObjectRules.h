#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ordane {

// Rules on mapped CANopen objects shared by the SDO mapping editor, the checks across
// documents and the EDS writer: one object may be mapped once over both sides, and never
// at an index the EDS file already declares as a fixed object of the converter.

// An (Index, SubIndex) pair as the image and the EDS file store it: 16 and 8 bits. Pairs
// are compared in this form.
using MappedObject = std::pair<std::uint32_t, std::uint32_t>;
inline MappedObject storedObject(std::int32_t index, std::int32_t subIndex) {
    return {static_cast<std::uint32_t>(index) & 0xFFFF,
            static_cast<std::uint32_t>(subIndex) & 0xFF};
}

// 0x2010, 0x2020..0x2023, 0x202A..0x202D.
bool isFixedObjectIndex(std::uint32_t index);

// "Error! The Index 0x2020 is already used by a fixed object of the converter"
std::string fixedObjectMessage(std::uint32_t index);
// "Error! The Index 0x2100 and SubIndex 0x01 is already used"
std::string alreadyUsedMessage(std::uint32_t index, std::uint32_t subIndex);

// One refused row of an SDO mapping document.
struct MappingConflict {
    std::string document; // "RInfoCob.xml" or "TInfoCob.xml"
    int row;              // from 1
    std::string message;
};

// Reads RInfoCob.xml then TInfoCob.xml of the project (a missing document has no rows) and
// lists every row whose Index is a fixed object's and every (Index, SubIndex) that an
// earlier row already mapped. Throws Error when a document cannot be read.
std::vector<MappingConflict> findMappingConflicts(const std::filesystem::path& projectFolder);

// "Error! The Index must be between 0x2000 and 0x9FFF"
std::string indexRangeMessage();

} // namespace ordane
