#include "FuzzTarget.h"

#include "compiler/BankReaders.h"
#include "compiler/BankWriters.h"
#include "compiler/ImageComparison.h"
#include "compiler/ImageDescription.h"
#include "compiler/ImageReader.h"
#include "core/Error.h"
#include "compiler/FirmwareBanks.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace {

[[noreturn]] void broken(const char* what) {
    std::fputs(what, stderr);
    std::fputc('\n', stderr);
    std::abort();
}

} // namespace

// The readers behind `inspect`. Input: one byte choosing the reader (0 merged firmware,
// 1 bankg.c, 2 bank files, whose first two bytes give bank1.bin's length), then its text.
ORDANE_FUZZ_TARGET(inspect) {
    using namespace ordane;
    if (size < 1)
        return 0;
    const std::string_view text = fuzz::asText(data + 1, size - 1);
    std::optional<DeviceImage> image;
    try {
        switch (data[0] % 3) {
        case 0:
            image = readFirmwareBanks(text, "fuzz.sx");
            break;
        case 1:
            image = readBankSource(text);
            break;
        default: {
            if (text.size() < 2)
                return 0;
            const std::size_t first = std::size_t(std::uint8_t(text[0]) | std::uint8_t(text[1]) << 8);
            const std::string_view rest = text.substr(2);
            image = readBankFiles(rest.substr(0, first), rest.substr(std::min(first, rest.size())));
        }
        }
    } catch (const Error&) {
        return 0;
    }
    for (int bank = 3; bank <= DeviceImage::kBankCount; ++bank)
        if (!std::ranges::all_of(image->bank(bank), [](std::uint8_t b) { return b == 0; }))
            broken("a bank beyond 2 was written");
    // What bankg.c would hold reads back as the same banks.
    const DeviceImage again = readBankSource(bankSourceText(*image));
    if (!std::ranges::equal(again.bytes(), image->bytes()))
        broken("bankg.c does not read back");
    if (!compareImages(*image, *image).empty())
        broken("an image differs from itself");

    const ImageContents lenient = readImage(*image, false);
    for (std::size_t t = 0; t < kTableCount; ++t)
        if (lenient.tables[t].count > imageTables()[t].area.room() ||
            lenient.tables[t].rows.size() != lenient.tables[t].count)
            broken("rows beyond the room of an area");
    try {
        (void)describeImage(readImage(*image));
    } catch (const Error&) {
    }
    return 0;
}
