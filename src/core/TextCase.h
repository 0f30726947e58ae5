#pragma once

#include <string_view>

namespace ordane {

// ASCII letters only: document names, extensions and device names are plain ASCII, and
// folding other letters would need a Unicode library.
inline bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i]))
            return false;
    return true;
}

} // namespace ordane
