#include "FuzzTarget.h"

#include "core/NumberText.h"

#include <cstdlib>

ORDANE_FUZZ_TARGET(number_text) {
    const std::string_view text = ordane::fuzz::asText(data, size);
    const auto value = ordane::tryParseInteger(text);
    // The strict and lenient forms must agree with the optional one.
    if (ordane::parseInteger(text, -7) != value.value_or(-7))
        std::abort();
    if (value) {
        // What hexText writes reads back.
        const auto again =
            ordane::tryParseInteger(ordane::hexText(static_cast<std::uint32_t>(*value), 8));
        if (!again || *again != *value)
            std::abort();
    }
    return 0;
}
