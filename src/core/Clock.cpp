#include "Clock.h"

#include "core/NumberText.h"

#include <cstdlib>
#include <ctime>
#include <string>

namespace ordane {

LocalDateTime SystemClock::fromEpoch(std::time_t seconds) {
    std::tm parts{};
#ifdef _WIN32
    _tzset(); // the C runtime reads TZ once otherwise
    localtime_s(&parts, &seconds);
#else
    localtime_r(&seconds, &parts);
#endif
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
