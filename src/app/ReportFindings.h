#pragma once

#include "report/MappingReport.h"

#include <filesystem>

namespace ordane {

// The project check's findings for the mapping report: what `ordane-cli check` lists.
ReportFindings reportFindings(const std::filesystem::path& projectFolder);

} // namespace ordane
