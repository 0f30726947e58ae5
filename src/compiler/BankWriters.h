#pragma once

#include "compiler/DeviceImage.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ordane {

// Writes bank1.bin .. bank5.bin, 16384 bytes each, into the project's bin folder. A bank
// file that cannot be written is skipped and the others are still written; the returned
// texts say which files were skipped and why.
std::vector<std::string> writeBankFiles(const DeviceImage& image,
                                        const std::filesystem::path& projectFolder);

// The bank files and bankg.c, written together; the texts of those not written, in the order
// bank1.bin .. bank5.bin, bankg.c.
std::vector<std::string> writeBankFilesAndSource(const DeviceImage& image,
                                                 const std::filesystem::path& projectFolder);

// Writes bin/bankg.c, banks 1 and 2 as C arrays; throws Error naming the file on failure.
void writeBankSource(const DeviceImage& image, const std::filesystem::path& projectFolder);

// The text of bankg.c: 2052 lines, each ending in CR LF.
std::string bankSourceText(const DeviceImage& image);

inline constexpr const char* kBankSourceFileName = "bankg.c";

} // namespace ordane
