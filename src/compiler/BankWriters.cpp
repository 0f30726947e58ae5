#include "BankWriters.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ProjectFolder.h"

#include <algorithm>
#include <string_view>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBytesPerLine = 16;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kContinuation = "                 "; // 17 blanks

// One text line per 16 bytes, made in a buffer: 32768 bytes would otherwise be 200000 small
// appends.
void appendBank(std::string& text, int n, DeviceImage::ConstBank bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::string first = "const char Bank" + std::to_string(n) + " [] = {";
    char line[kBytesPerLine * 6];
    for (std::size_t start = 0; start < bytes.size(); start += kBytesPerLine) {
        text += start == 0 ? std::string_view(first) : kContinuation;
        const std::size_t end = std::min(bytes.size(), start + kBytesPerLine);
        char* p = line;
        for (std::size_t i = start; i < end; ++i) {
            *p++ = ' ';
            *p++ = '0';
            *p++ = 'x';
            *p++ = kDigits[bytes[i] >> 4];
            *p++ = kDigits[bytes[i] & 0x0F];
            *p++ = ',';
        }
        text.append(line, std::size_t(p - line));
        if (end == bytes.size()) {
            text.back() = '}'; // the last byte closes the array instead
            text += ';';
        }
        text += kLineEnd;
    }
    text += kLineEnd;
}

} // namespace

namespace {

std::vector<std::pair<fs::path, std::string_view>> bankFiles(const DeviceImage& image,
                                                             const fs::path& projectFolder) {
    std::vector<std::pair<fs::path, std::string_view>> files;
    for (int n = 1; n <= DeviceImage::kBankCount; ++n) {
        const DeviceImage::ConstBank bytes = image.bank(n);
        files.emplace_back(binFolder(projectFolder) / ("bank" + std::to_string(n) + ".bin"),
                           std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                            bytes.size()));
    }
    return files;
}

std::vector<std::string> unwritten(const std::vector<std::optional<std::string>>& failures) {
    std::vector<std::string> texts;
    for (const auto& failure : failures)
        if (failure)
            texts.push_back(*failure);
    return texts;
}

} // namespace

std::vector<std::string> writeBankFiles(const DeviceImage& image, const fs::path& projectFolder) {
    return unwritten(writeFilesAtomically(bankFiles(image, projectFolder)));
}

std::vector<std::string> writeBankFilesAndSource(const DeviceImage& image,
                                                 const fs::path& projectFolder) {
    const std::string source = bankSourceText(image);
    auto files = bankFiles(image, projectFolder);
    files.emplace_back(binFolder(projectFolder) / kBankSourceFileName, source);
    return unwritten(writeFilesAtomically(files));
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
