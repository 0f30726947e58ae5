#include "core/ProjectFolder.h"

#include "core/Error.h"

#include <system_error>

namespace ordane {

void requireProjectFolder(const std::filesystem::path& folder) {
    if (folder.empty())
        throw Error("Project not valid");
}

void requireExistingProjectFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec))
        throw Error("Project folder not found: " + folder.string());
}

} // namespace ordane
