#pragma once

#include <cstddef>
#include <cstdint>

namespace ordane {

// The device image is five banks of 16 KB: the bank files, bankg.c and the bank ranges of
// the firmware all follow this.
inline constexpr int kBankCount = 5;
inline constexpr std::size_t kBankSize = 16384;

// First and last S-record address of bank 1..5 in the firmware: the window 0x8000..0xBFFF
// of memory pages 0x38..0x3C.
constexpr std::uint32_t bankFirstAddress(int bank) {
    return 0x388000u + std::uint32_t(bank - 1) * 0x10000u;
}
constexpr std::uint32_t bankLastAddress(int bank) {
    return bankFirstAddress(bank) + std::uint32_t(kBankSize) - 1;
}

} // namespace ordane
