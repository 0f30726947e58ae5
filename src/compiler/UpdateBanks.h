#pragma once

#include "compiler/DeviceImage.h"
#include "core/Clock.h"
#include "core/MessageSink.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ordane {

// "Up date Device" up to the bank files, for the desktop program and the command line:
// compiles the project into `image` (an Error of the compilation ends it and is thrown),
// then writes bank1.bin..bank5.bin and bankg.c. Returns the reason of every file that could
// not be written; the others are written all the same, and a caller must not merge then,
// or an older bank file would be flashed.
std::vector<std::string> compileAndWriteBanks(const std::filesystem::path& projectFolder,
                                              DeviceImage& image, MessageSink& messages,
                                              const Clock& clock);

} // namespace ordane
