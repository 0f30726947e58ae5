#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ordane {

// Writes the bytes to a temporary file in the target's folder and renames it over the
// target, so a failed write never leaves a damaged file. Throws Error with the reason.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// Test hook: every following atomic write fails with "No space left on device" once it
// has written `bytes` bytes, as a full disk would; nothing resets it but another call.
void failAtomicWritesAfterForTests(std::optional<std::size_t> bytes);

// Reads a whole file; throws Error naming the file when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace ordane
