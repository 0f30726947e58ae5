#pragma once

#include <filesystem>

namespace ordane::bench {

// Writes the largest project the editors let a user build: 100 received and 100
// transmitted frames, 344 and 1538 SDO entries, 4 RPDOs and 4 TPDOs, 32 guarded nodes,
// the five state frames and the five SDO client frames, and the communication parameters.
// Numbers are written in the forms the editors store (hexadecimal as typed, decimal
// where derived), so reading them costs what it costs in a real project.
void writeMaximalProject(const std::filesystem::path& folder);

} // namespace ordane::bench
