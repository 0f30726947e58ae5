#pragma once

#include <filesystem>
#include <string_view>

namespace ordane {

// Writes the bytes to a temporary file in the target's folder and renames it over the
// target, so a failed write never leaves a damaged file. Throws Error with the reason.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Reads a whole file; throws Error naming the file when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace ordane
