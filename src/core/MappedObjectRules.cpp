#include "core/MappedObjectRules.h"

#include "core/NumberText.h"

namespace ordane {

std::optional<std::string> objectRangeMessage(std::int32_t index, std::int32_t subIndex) {
    if (index < kFirstMappedIndex || index > kLastMappedIndex)
        return "Error! The Index must be between 0x2000 and 0x9FFF";
    if (subIndex < 0 || subIndex > 255)
        return "Error! The SubIndex must be between 0 and 255";
    return std::nullopt;
}

std::optional<std::string> noFrameByteMessage(std::int32_t dimension,
                                              const std::array<std::int32_t, 4>& bytes) {
    // A position that is no choice counts as "4 Bytes", as the window shows its bytes.
    const std::size_t used = dimension == 1 ? 2 : dimension == 2 ? 1 : 4;
    for (std::size_t b = 0; b < used; ++b)
        if (bytes[b] != 0)
            return std::nullopt;
    return "Error! The object takes no byte of the J1939 frame: choose a frame byte for one of "
           "its SDO bytes";
}

bool isFixedObjectIndex(std::uint32_t index) {
    return index == 0x2010 || (index >= 0x2020 && index <= 0x2023) ||
           (index >= 0x202A && index <= 0x202D);
}

std::string fixedObjectMessage(std::uint32_t index) {
    return "Error! The Index 0x" + hexDigits(index, 4) +
           " is already used by a fixed object of the converter";
}

std::string alreadyUsedMessage(std::uint32_t index, std::uint32_t subIndex) {
    return "Error! The Index 0x" + hexDigits(index, 4) + " and SubIndex 0x" +
           hexDigits(subIndex, 2) + " is already used";
}

std::string pdoCountMessage() {
    return "a direction has at most four PDOs";
}

} // namespace ordane
