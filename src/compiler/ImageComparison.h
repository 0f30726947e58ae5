#pragma once

#include "compiler/DeviceImage.h"

#include <string>
#include <vector>

namespace ordane {

// The differences between banks 1 and 2 of two images, the compile stamps left aside, in
// the terms of the project's documents ("TCobDef.xml row 3: PGN 0xFEF1 in the project,
// 0xFEF2 in the file"); bytes that no document fills are named by their place in the
// image. Empty when the banks match. Rows and counts are read from each image as far as
// its areas hold them, so a damaged image is compared too.
std::vector<std::string> compareImages(const DeviceImage& project, const DeviceImage& file,
                                       const std::string& projectName = "the project",
                                       const std::string& fileName = "the file");

} // namespace ordane
