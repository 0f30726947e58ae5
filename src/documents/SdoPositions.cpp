#include "documents/SdoPositions.h"

namespace ordane {

std::optional<std::string> sdoPositionMessage(std::string_view attribute, std::int32_t value) {
    std::int32_t last = 8; // B1..B4: None, then the frame's bytes 1 to 8
    if (attribute == field::kDimension)
        last = 2;
    else if (attribute == field::kSendSdo)
        last = 1;
    if (value >= 0 && value <= last)
        return std::nullopt;
    const std::string choices = last == 1 ? "0 or 1" : "0 to " + std::to_string(last);
    return std::string(attribute) + " " + std::to_string(value) +
           " is no choice of its drop-down (" + choices + ")";
}

std::int32_t dimensionOfSize(std::uint32_t size) {
    for (std::int32_t dimension : {0, 1})
        if (objectSize(dimension) == size)
            return dimension;
    return 2;
}

std::vector<Finding> sdoPositionFindings(const SdoMappingRow& row, Side side) {
    std::vector<Finding> findings;
    const std::string document(documents::sdoMapping(side).fileName);
    const SdoMappingEntry& entry = row.entry;
    auto add = [&](std::string_view attribute, std::int32_t value) {
        if (auto message = sdoPositionMessage(attribute, value))
            findings.push_back({document, row.row, std::move(*message), std::string(attribute)});
    };
    add(field::kDimension, entry.dimension);
    for (std::size_t b = 0; b < entry.bytes.size(); ++b)
        add(field::kBytes[b], entry.bytes[b]);
    if (side == Side::Transmitted)
        add(field::kSendSdo, entry.sendSdo);
    return findings;
}

} // namespace ordane
