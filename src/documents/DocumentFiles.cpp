#include "DocumentFiles.h"

#include <optional>
#include <string>
#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

fs::path documentPath(const fs::path& folder, std::string_view name) {
    const fs::path exact = folder / fs::path(std::string(name));
    std::error_code ec;
#ifndef _WIN32 // Windows finds any spelling; the search below gives the one on disk
    if (fs::exists(exact, ec))
        return exact;
#endif

    const fs::path where = folder.empty() ? fs::path(".") : folder;
    std::optional<std::string> best;
    for (fs::directory_iterator it(where, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (equalsIgnoringCase(candidate, name) && (!best || candidate < *best))
            best = candidate;
    }
    return best ? folder / *best : exact;
}

bool documentExists(const fs::path& folder, std::string_view name) {
    std::error_code ec;
    return fs::is_regular_file(documentPath(folder, name), ec);
}

} // namespace ordane
