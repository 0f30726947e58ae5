#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace ordane::test {

// What a CiA 306 checker would flag in the layout of an EDS file, one text per fault;
// empty for a sound file. Reads the text on its own, without the writer's code:
// - every line ends with CR LF and is plain ASCII; no section name appears twice;
// - the three list sections exist, each "SupportedObjects=" equals its numbered lines,
//   numbered 1..n without gaps, and each list holds only its index range;
// - every listed object has its section and every object section is listed once;
// - every SubNumber equals the number of the object's subN sections, and only objects
//   with a SubNumber have them.
std::vector<std::string> edsStructureFaults(std::string_view text);

} // namespace ordane::test
