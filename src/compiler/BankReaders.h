#pragma once

#include "compiler/DeviceImage.h"

#include <string_view>

namespace ordane {

// Banks 1 and 2 from the bytes of bank1.bin and bank2.bin; banks 3 to 5 stay zero. A bank
// that is not exactly 16384 bytes long throws Error naming it.
DeviceImage readBankFiles(std::string_view bank1, std::string_view bank2);

// Banks 1 and 2 from the text of bankg.c: the arrays Bank1 and Bank2, 16384 byte items
// each. A missing array, an item that is no byte or an array of another length throws Error.
DeviceImage readBankSource(std::string_view text);

} // namespace ordane
