#pragma once

#include "core/TextCase.h"

#include <filesystem>
#include <string_view>

namespace ordane {

// The path of document `name` in `folder`, matched without regard to letter case: the
// exact name wins, otherwise the first matching name in sorted order. When nothing
// matches, the exact name joined to the folder (which does not exist).
std::filesystem::path documentPath(const std::filesystem::path& folder, std::string_view name);

// Whether the document exists as a regular file (any letter case).
bool documentExists(const std::filesystem::path& folder, std::string_view name);

} // namespace ordane
