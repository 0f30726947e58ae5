#pragma once

// Debian's srec_cat as the independent reader of S-record files.

#include "compiler/DeviceImage.h"

#include "TestSupport.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

// srec_cat is a Linux program: the Windows build's tests leave its comparisons out.
#ifdef _WIN32
#define ORDANE_SKIP_WITHOUT_SREC_CAT() GTEST_SKIP() << "srec_cat runs on Linux only"
#else
#define ORDANE_SKIP_WITHOUT_SREC_CAT() (void)0
#endif

namespace ordane::test {

// Bank `bank` (1 or 2) of an S-record file as srec_cat crops it to binary.
inline std::string srecCatBank(const std::filesystem::path& file, int bank,
                               const std::filesystem::path& scratch) {
    const std::uint32_t first = 0x388000u + std::uint32_t(bank - 1) * 0x10000u;
    const std::filesystem::path out = scratch / ("bank" + std::to_string(bank) + ".oracle");
    const std::filesystem::path messages = scratch / "srec_cat.txt";
    char command[2048];
    std::snprintf(command, sizeof command,
                  "srec_cat '%s' -crop 0x%X 0x%X -offset -0x%X -o '%s' -binary 2>'%s'",
                  file.c_str(), first, first + 0x4000, first, out.c_str(), messages.c_str());
    if (std::system(command) != 0)
        throw std::runtime_error(std::string(command) + ": " + readFile(messages));
    return readFile(out);
}

inline bool sameBytes(const std::string& oracle, DeviceImage::ConstBank bank) {
    return oracle.size() == bank.size() &&
           std::equal(oracle.begin(), oracle.end(), bank.begin(),
                      [](char a, std::uint8_t b) { return std::uint8_t(a) == b; });
}

} // namespace ordane::test
