#include "FirmwareBanks.h"

#include "compiler/BankReaders.h"
#include "core/AtomicFile.h"
#include "core/DeviceBanks.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/DocumentFiles.h"

#include <array>
#include <optional>
#include <system_error>
#include <vector>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr int kImageBanks = 2; // the merge replaces only banks 1 and 2

std::string rangeText(int bank) {
    return "bank " + std::to_string(bank) + "'s range " + hexText(bankFirstAddress(bank), 6) +
           ".." + hexText(bankLastAddress(bank), 6);
}

class BankCollector {
public:
    explicit BankCollector(const std::string& name) : m_name(name) {}

    void line(std::string_view text, std::size_t number) {
        while (!text.empty() && (text.back() == '\r' || text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        if (text.empty())
            return;
        if (text.size() < 2 || text[0] != 'S' || hexDigitValue(text[1]) < 0 ||
            hexDigitValue(text[1]) > 9)
            throw Error(where(number) + "not an S-record");
        const int type = text[1] - '0';
        if (type < 1 || type > 3)
            return; // header, count and end records carry no data
        const std::vector<std::uint8_t> bytes = recordBytes(text, number);
        const std::size_t addressBytes = std::size_t(type) + 1;
        if (bytes.size() < addressBytes + 2)
            throw Error(where(number) + "a record too short for its address");
        std::uint32_t address = 0;
        for (std::size_t i = 1; i <= addressBytes; ++i)
            address = address << 8 | bytes[i];
        // The count byte, the address and the checksum frame the data.
        for (std::size_t i = addressBytes + 1; i + 1 < bytes.size(); ++i)
            take(address + std::uint32_t(i - addressBytes - 1), bytes[i], number);
    }

    DeviceImage finish() const {
        DeviceImage image;
        for (int bank = 1; bank <= kImageBanks; ++bank) {
            const auto& given = m_given[std::size_t(bank - 1)];
            std::size_t first = 0;
            while (first < given.size() && !given[first])
                ++first;
            if (first == given.size())
                throw Error(m_name + " holds no record in " + rangeText(bank));
            for (std::size_t i = 0; i < given.size(); ++i) {
                if (given[i])
                    continue;
                std::size_t last = i;
                while (last + 1 < given.size() && !given[last + 1])
                    ++last;
                throw Error(m_name + ": " + rangeText(bank) + " is not covered whole, nothing at " +
                            hexText(bankFirstAddress(bank) + std::uint32_t(i), 6) + ".." +
                            hexText(bankFirstAddress(bank) + std::uint32_t(last), 6) +
                            " (the image is truncated)");
            }
            std::copy(m_bytes[std::size_t(bank - 1)].begin(), m_bytes[std::size_t(bank - 1)].end(),
                      image.bank(bank).begin());
        }
        return image;
    }

private:
    std::string where(std::size_t number) const {
        return m_name + ", line " + std::to_string(number) + ": ";
    }

    std::vector<std::uint8_t> recordBytes(std::string_view text, std::size_t number) const {
        const std::string_view digits = text.substr(2);
        if (digits.size() % 2 != 0)
            throw Error(where(number) + "an odd number of hexadecimal digits");
        std::vector<std::uint8_t> bytes;
        bytes.reserve(digits.size() / 2);
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            const int high = hexDigitValue(digits[i]);
            const int low = hexDigitValue(digits[i + 1]);
            if (high < 0 || low < 0)
                throw Error(where(number) + "a character that is no hexadecimal digit");
            bytes.push_back(std::uint8_t(high * 16 + low));
        }
        if (bytes.empty() || bytes[0] != bytes.size() - 1)
            throw Error(where(number) + "the byte count does not match the record's length");
        unsigned sum = 0;
        for (std::size_t i = 0; i + 1 < bytes.size(); ++i)
            sum += bytes[i];
        if (std::uint8_t(~sum) != bytes.back())
            throw Error(where(number) + "checksum " + hexText(bytes.back(), 2) + ", " +
                        hexText(std::uint8_t(~sum), 2) + " expected");
        return bytes;
    }

    void take(std::uint32_t address, std::uint8_t value, std::size_t number) {
        for (int bank = 1; bank <= kImageBanks; ++bank) {
            if (address < bankFirstAddress(bank) || address > bankLastAddress(bank))
                continue;
            const std::size_t offset = address - bankFirstAddress(bank);
            auto& given = m_given[std::size_t(bank - 1)];
            auto& bytes = m_bytes[std::size_t(bank - 1)];
            if (given[offset] && bytes[offset] != value)
                throw Error(where(number) + "a second, different byte for address " +
                            hexText(address, 6));
            given[offset] = true;
            bytes[offset] = value;
        }
    }

    std::string m_name;
    std::array<std::array<std::uint8_t, DeviceImage::kBankSize>, kImageBanks> m_bytes{};
    std::array<std::array<bool, DeviceImage::kBankSize>, kImageBanks> m_given{};
};

bool isBankFileName(const fs::path& path) {
    const std::string name = path.filename().string();
    return equalsIgnoringCase(name, "bank1.bin") || equalsIgnoringCase(name, "bank2.bin");
}

ImageSource fromBankFiles(const fs::path& folder) {
    const fs::path first = documentPath(folder, "bank1.bin");
    const fs::path second = documentPath(folder, "bank2.bin");
    if (!fs::exists(first))
        throw Error("bank1.bin not found beside " + second.string());
    if (!fs::exists(second))
        throw Error("bank2.bin not found beside " + first.string());
    return {readBankFiles(readWholeFile(first), readWholeFile(second)),
            "bank files in " + folder.string()};
}

ImageSource fromBankSource(const fs::path& file) {
    return {readBankSource(readWholeFile(file)), "C source " + file.string()};
}

std::optional<ImageSource> fromFolder(const fs::path& folder) {
    if (documentExists(folder, "bank1.bin") || documentExists(folder, "bank2.bin"))
        return fromBankFiles(folder);
    if (documentExists(folder, "bankg.c"))
        return fromBankSource(documentPath(folder, "bankg.c"));
    return std::nullopt;
}

} // namespace

DeviceImage readFirmwareBanks(std::string_view text, const std::string& name) {
    BankCollector collector(name);
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        collector.line(text.substr(0, end), ++number);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    return collector.finish();
}

ImageSource readImageSource(const fs::path& path) {
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
        if (auto source = fromFolder(path))
            return *source;
        if (fs::is_directory(path / "bin", ec))
            if (auto source = fromFolder(path / "bin"))
                return *source;
        throw Error("The folder " + path.string() +
                    " holds neither bank1.bin and bank2.bin nor bankg.c");
    }
    if (!fs::exists(path, ec))
        throw Error("File not found: " + path.string());
    if (isBankFileName(path))
        return fromBankFiles(path.parent_path().empty() ? fs::path(".") : path.parent_path());
    if (equalsIgnoringCase(path.extension().string(), ".c"))
        return fromBankSource(path);
    const std::string name = path.filename().string();
    return {readFirmwareBanks(readWholeFile(path), name), "S-record file " + path.string()};
}

} // namespace ordane
