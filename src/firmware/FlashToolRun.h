#pragma once

#include <string>

namespace ordane {

// What the Generate Firmware dialog tells when the flash tool has ended, from its exit
// status and its output.
struct FlashToolEnd {
    bool succeeded = false;
    // "The flash tool ended with exit 3: cannot open port" (its last line of output), or
    // "The flash tool ended successfully" on success.
    std::string message;
};
FlashToolEnd flashToolEnd(int exitCode, bool crashed, const std::string& output);

} // namespace ordane
