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

std::string projectFolderName(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::path path = std::filesystem::absolute(folder, ec);
    if (ec)
        path = folder;
    path = path.lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

} // namespace ordane
