#pragma once

#include "core/Clock.h"
#include "report/ReportData.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// What the project check found, shown first in the report.
struct ReportFindings {
    std::vector<std::string> failures;
    std::vector<std::string> notes;
};

// Text for HTML element content and attribute values: <, >, &, " and ' as references;
// UTF-8 kept as typed; line breaks as blanks; invalid bytes and other control characters
// (but tab) as U+FFFD, which a browser would show for them anyway.
std::string htmlText(std::string_view text);

// The whole report: one HTML5 file with its style inline, no script and no reference to
// any file or address, lines ending in CR LF. The same data gives the same bytes.
std::string buildMappingReport(const ReportData& data, const ReportFindings& findings,
                               const LocalDateTime& made);

// Reads the project and writes its report to `target` in one piece. Throws Error when the
// file cannot be written; a document that cannot be read is told in the report instead.
void writeMappingReport(const std::filesystem::path& projectFolder,
                        const std::filesystem::path& target, const ReportFindings& findings,
                        const Clock& clock);

inline constexpr const char* kReportFileName = "report.html";

} // namespace ordane
