#include "Clock.h"

#include "core/NumberText.h"

#include <cstdlib>
#include <string>

namespace ordane {

LocalDateTime SystemClock::fromEpoch(std::time_t seconds) {
    std::tm parts{};
    localtime_r(&seconds, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
            parts.tm_hour,        parts.tm_min,     parts.tm_sec};
}

LocalDateTime SystemClock::now() const {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH")) {
        // Only plain decimal digits: the variable is a count of seconds, not number text.
        const std::string text(epoch);
        if (!text.empty() && text.find_first_not_of("0123456789") == std::string::npos &&
            text.size() < 19)
            return fromEpoch(static_cast<std::time_t>(std::stoll(text)));
    }
    return fromEpoch(std::time(nullptr));
}

} // namespace ordane
