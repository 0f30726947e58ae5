#pragma once

#include <cstddef>

namespace ordane {

// The device image is five banks of 16 KB: the bank files, bankg.c and the bank ranges of
// the firmware all follow this.
inline constexpr int kBankCount = 5;
inline constexpr std::size_t kBankSize = 16384;

} // namespace ordane
