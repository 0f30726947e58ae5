#pragma once

#include "compiler/DeviceImage.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace ordane {

// Banks 1 and 2 from the data records (S1, S2, S3) of a merged firmware file: every byte
// whose address lies in a bank's range (0x388000..0x38BFFF, 0x398000..0x39BFFF), wherever
// its record starts. Throws Error, naming the line, for a line that is no S-record, a
// record that is malformed or fails its checksum, and an address given twice with
// different bytes; and, naming the range, when a bank's range holds no byte at all or is
// not covered whole (a truncated image). `name` is used in the messages.
DeviceImage readFirmwareBanks(std::string_view text, const std::string& name);

// The banks behind one path, as `inspect`, `verify` and `recover` take it.
struct ImageSource {
    DeviceImage image;
    std::string description; // "S-record file New_SX40218.sx", "bank files in /p/bin", ...
};

// A merged firmware file, bank1.bin or bank2.bin (the other beside it), bankg.c, or a
// folder holding bank1.bin and bank2.bin or bankg.c (itself or its bin folder). Throws
// Error when the path is none of these or its contents do not read.
ImageSource readImageSource(const std::filesystem::path& path);

} // namespace ordane
