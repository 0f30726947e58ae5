#pragma once

#include <filesystem>
#include <string>

namespace ordane {

// The folder of a project that holds the bank files and bankg.c.
inline constexpr const char* kBinFolderName = "bin";

inline std::filesystem::path binFolder(const std::filesystem::path& projectFolder) {
    return projectFolder / kBinFolderName;
}

// Refuses a save without a project folder ("Project not valid"): the document would land
// in whatever folder the process happens to be in.
void requireProjectFolder(const std::filesystem::path& folder);

// Throws Error("Project folder not found: <folder>") unless the folder exists.
void requireExistingProjectFolder(const std::filesystem::path& folder);

// The project folder's own name, also for "Demo/" or ".".
std::string projectFolderName(const std::filesystem::path& folder);

} // namespace ordane
