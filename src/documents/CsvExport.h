#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ordane {

inline constexpr const char* kCsvExportFileName = "rpdodef.csv";

// The text of rpdodef.csv: the title line, then per pair "first,second,0,0,0"; CR LF.
std::string frameCsvText(const std::vector<std::pair<std::string, std::string>>& rows);

// Writes rpdodef.csv into the project folder, replacing it. Throws Error.
void writeFrameCsv(const std::filesystem::path& projectFolder,
                   const std::vector<std::pair<std::string, std::string>>& rows);

} // namespace ordane
