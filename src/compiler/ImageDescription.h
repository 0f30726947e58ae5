#pragma once

#include "compiler/ImageReader.h"

#include <string>

namespace ordane {

// The configuration that an image holds, in words and tables as a user reads it: the
// settings, the frames with PGNs in hexadecimal and identifiers split into priority, data
// page, PGN and source address, the objects as index:sub-index with their frame bytes, the
// PDOs with COB-ID and bytes, and the compile date and time. Lines end with LF.
std::string describeImage(const ImageContents& contents);

} // namespace ordane
