#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

namespace ordane {

// Rules on mapped CANopen objects and PDOs, shared by the editors, the project check and
// the EDS writer, each with its one message text: an object lies in the application
// range, is mapped once over both sides, and never at an index the EDS file already
// declares as a fixed object of the converter; a direction has at most four PDOs.

// An (Index, SubIndex) pair as the image and the EDS file store it: 16 and 8 bits. Pairs
// are compared in this form.
using MappedObject = std::pair<std::uint32_t, std::uint32_t>;
inline MappedObject storedObject(std::int32_t index, std::int32_t subIndex) {
    return {static_cast<std::uint32_t>(index) & 0xFFFF,
            static_cast<std::uint32_t>(subIndex) & 0xFF};
}

// The objects a mapping may hold lie in the manufacturer range from 0x2000 to 0x9FFF.
inline constexpr std::int32_t kFirstMappedIndex = 0x2000;
inline constexpr std::int32_t kLastMappedIndex = 0x9FFF;

// "Error! The Index must be between 0x2000 and 0x9FFF", then the SubIndex's 0..255.
std::optional<std::string> objectRangeMessage(std::int32_t index, std::int32_t subIndex);

// An object takes at least one byte of its frame: one of the byte positions its Dimension
// uses (B1..B4 for "4 Bytes", B1..B2 for "2 Bytes", B1 for "1 Byte") names a frame byte.
// "Error! The object takes no byte of the J1939 frame: choose a frame byte for one of its
// SDO bytes" otherwise.
std::optional<std::string> noFrameByteMessage(std::int32_t dimension, const std::array<std::int32_t, 4>& bytes);

// 0x2010, 0x2020..0x2023, 0x202A..0x202D.
bool isFixedObjectIndex(std::uint32_t index);

// "Error! The Index 0x2020 is already used by a fixed object of the converter"
std::string fixedObjectMessage(std::uint32_t index);
// "Error! The Index 0x2100 and SubIndex 0x01 is already used"
std::string alreadyUsedMessage(std::uint32_t index, std::uint32_t subIndex);

// The device has four PDOs per direction; the EDS file declares no more.
inline constexpr int kPdosPerDirection = 4;
// "a direction has at most four PDOs"
std::string pdoCountMessage();

} // namespace ordane
