#pragma once

#include "compiler/DeviceImage.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ordane {

struct RecoveryReport {
    // What the image cannot give back, in the documents' terms.
    std::vector<std::string> notes;
    // Where the recovered project compiles to other banks 1 and 2 than the image (the
    // stamps left aside); empty when it gives the same. A recovered project that does not
    // compile has its error here.
    std::vector<std::string> differences;
};

// Writes the documents of the configuration in `image` into the existing, empty project
// folder `folder`, each through its editor's model as the editor saves it: numbers in
// decimal, PGNs and source addresses in hexadecimal, Mnemonics empty. Then compiles the
// written project and compares. Throws Error (with `readImage`'s texts) before writing
// anything when the image holds no configuration or counts beyond their areas.
RecoveryReport recoverProject(const DeviceImage& image, const std::filesystem::path& folder);

} // namespace ordane
