#pragma once

#include "core/Clock.h"
#include "eds/EdsProject.h"

#include <string>
#include <string_view>

namespace ordane {

// "03-09-2026": month, day, year.
std::string edsDate(const LocalDateTime& time);
// "03:07PM": a 12-hour clock, hours 01 to 12; seconds are dropped.
std::string edsTime(const LocalDateTime& time);

// What a device configuration file (DCF) adds to the EDS content: the node as it is
// commissioned on its network.
struct Commissioning {
    int nodeId = 1;         // 1..127
    int bitRateKbit = 1000; // one of the nine CANopen rates
    std::string fileName;   // the DCF's own file name
    std::string lastEds;    // the EDS written beside it, or empty when there is none
    std::string nodeName;
};

// The EDS file's text: every line, the last one included, ends with CR LF.
std::string buildEdsText(const EdsProject& project, const LocalDateTime& time);

// The DCF's text: the EDS text with [FileInfo] naming the DCF (and, when known, its EDS in
// LastEDS), a
// [DeviceComissioning] section after [DeviceInfo], and a ParameterValue line after every
// DefaultValue line.
std::string buildDcfText(const EdsProject& project, const LocalDateTime& time,
                         const Commissioning& commissioning);

// `text` fit for the value of an INI line: control characters, which would end or split
// the line, become "_".
std::string iniValueText(std::string_view text);

} // namespace ordane
