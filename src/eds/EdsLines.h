#pragma once

#include "core/Clock.h"
#include "eds/EdsProject.h"

#include <string>
#include <vector>

namespace ordane {

// "03-09-2026": month, day, year.
std::string edsDate(const LocalDateTime& time);
// "03:07PM": a 12-hour clock, hours 01 to 12; seconds are dropped.
std::string edsTime(const LocalDateTime& time);

// The whole EDS file, every line ending in CR LF.
std::string buildEdsText(const EdsProject& project, const LocalDateTime& time);

// The lines of the EDS file, without line ends; empty strings are the empty lines.
std::vector<std::string> buildEdsLines(const EdsProject& project, const LocalDateTime& time);

} // namespace ordane
