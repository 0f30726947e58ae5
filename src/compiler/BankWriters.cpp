#include "BankWriters.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ProjectFolder.h"

#include <string_view>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kContinuation = "                 "; // 17 blanks

void appendBank(std::string& text, int n, DeviceImage::ConstBank bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i == 0) {
            text += "const char Bank";
            text += std::to_string(n);
            text += " [] = {";
        } else if (i % kBytesPerLine == 0) {
            text += kContinuation;
        }
        text += " 0x";
        appendHexByte(text, bytes[i]);
        if (i + 1 == bytes.size()) {
            text += "};";
            text += kLineEnd;
        } else {
            text += ',';
            if ((i + 1) % kBytesPerLine == 0)
                text += kLineEnd;
        }
    }
    text += kLineEnd;
}

} // namespace

std::vector<std::string> writeBankFiles(const DeviceImage& image, const fs::path& projectFolder) {
    std::vector<std::string> skipped;
    for (int n = 1; n <= DeviceImage::kBankCount; ++n) {
        const DeviceImage::ConstBank bytes = image.bank(n);
        const fs::path file = binFolder(projectFolder) / ("bank" + std::to_string(n) + ".bin");
        try {
            writeFileAtomically(
                file, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
        } catch (const Error& e) {
            skipped.emplace_back(e.what());
        }
    }
    return skipped;
}

std::string bankSourceText(const DeviceImage& image) {
    std::string text;
    // Six characters per byte and a little for the line starts.
    text.reserve(2 * DeviceImage::kBankSize * 6 + 2 * 1024 * 20);
    text += "#pragma CONST_SEG SEGMENT0";
    text += kLineEnd;
    appendBank(text, 1, image.bank(1));
    appendBank(text, 2, image.bank(2));
    text += "#pragma CONST_SEG DEFAULT";
    text += kLineEnd;
    return text;
}

void writeBankSource(const DeviceImage& image, const fs::path& projectFolder) {
    writeFileAtomically(binFolder(projectFolder) / kBankSourceFileName, bankSourceText(image));
}

} // namespace ordane
