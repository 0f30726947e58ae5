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
