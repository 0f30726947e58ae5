#pragma once

#include "core/Finding.h"
#include "documents/ProjectDocuments.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// A drop-down position of a mapping row (Dimension, B1..B4, Send_SDO) that is no choice of
// its drop-down, as a document edited by hand or made elsewhere may hold: "Dimension 3 is no
// choice of its drop-down (0 to 2)". Every output would have to guess what such a value
// means, so the project check and the window name it, and the device image and the EDS and
// DCF files refuse the project. Nothing when the position is a choice.
std::optional<std::string> sdoPositionMessage(std::string_view attribute, std::int32_t value);

// The Dimension position whose objectSize() is `size` bytes (4, 2, 1); 2 ("1 Byte") for
// any other size.
std::int32_t dimensionOfSize(std::uint32_t size);

// The findings of a row's positions, in document order, named by the side's document.
std::vector<Finding> sdoPositionFindings(const SdoMappingRow& row, Side side);

} // namespace ordane
