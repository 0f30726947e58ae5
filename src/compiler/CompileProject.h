#pragma once

#include "compiler/DeviceImage.h"
#include "core/Clock.h"
#include "core/MessageSink.h"

#include <filesystem>
#include <string>
#include <vector>

namespace ordane {

// Compiles the ten documents of the project folder into the image, in their fixed order.
// A missing NodeGuard.xml, NG_J1939_Frame.xml or SDOClient.xml is told through
// `messages.info` and compilation goes on. The first bad value, unreadable document or
// document with more rows than its area holds throws Error; the image keeps everything
// written before it. The stamps come from `clock`.
void compileProject(const std::filesystem::path& projectFolder, DeviceImage& image,
                    MessageSink& messages, const Clock& clock);

// The table documents of the project folder with more rows than their image area holds,
// each as "<document>: <n> rows; the device image has room for <room>", in compilation
// order. Documents that are missing or cannot be read are passed over.
std::vector<std::string> imageRoomFailures(const std::filesystem::path& projectFolder);

} // namespace ordane
