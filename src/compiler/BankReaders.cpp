#include "BankReaders.h"

#include "core/Error.h"
#include "core/NumberText.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <string>

namespace ordane {

namespace {

void putBank(DeviceImage& image, int n, std::string_view bytes) {
    if (bytes.size() != DeviceImage::kBankSize)
        throw Error("bank" + std::to_string(n) + ".bin has " + std::to_string(bytes.size()) +
                    " bytes; a bank file holds " + std::to_string(DeviceImage::kBankSize) +
                    (bytes.size() < DeviceImage::kBankSize ? " (the image is truncated)" : ""));
    std::copy(bytes.begin(), bytes.end(), image.bank(n).begin());
}

// Reads one C array's items; the writer's spacing is not required.
class ArrayParser {
public:
    explicit ArrayParser(std::string_view text) : m_text(text) {}

    void readBank(int n, DeviceImage::Bank bank) {
        const std::string name = "Bank" + std::to_string(n);
        const std::string where = "bankg.c, array " + name;
        std::size_t start = findDeclaration(name);
        if (start == std::string_view::npos)
            throw Error("bankg.c holds no array " + name);
        m_pos = start;
        std::size_t count = 0;
        for (;;) {
            skipSpace();
            const std::optional<std::uint8_t> byte = item();
            if (!byte && m_text.find_first_of(",}", m_pos) == std::string_view::npos)
                throw Error(where + " ends after item " + std::to_string(count) +
                            " without its closing brace (the file is truncated)");
            if (!byte)
                throw Error(where + ", item " + std::to_string(count + 1) +
                            ": not a byte such as 0x1F");
            if (count == bank.size())
                throw Error(where + " has more than " + std::to_string(bank.size()) + " items");
            bank[count++] = *byte;
            skipSpace();
            if (m_pos < m_text.size() && m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_pos < m_text.size() && m_text[m_pos] == '}')
                break;
            throw Error(where + " ends after item " + std::to_string(count) +
                        " without its closing brace (the file is truncated)");
        }
        if (count != bank.size())
            throw Error(where + " has " + std::to_string(count) + " items; a bank holds " +
                        std::to_string(bank.size()));
    }

private:
    // The position after "BankN [] = {", or npos.
    std::size_t findDeclaration(const std::string& name) {
        for (std::size_t at = m_text.find(name); at != std::string_view::npos;
             at = m_text.find(name, at + 1)) {
            m_pos = at + name.size();
            if (m_pos < m_text.size() && std::isdigit(static_cast<unsigned char>(m_text[m_pos])))
                continue; // Bank10 is not Bank1
            if (expect('[') && expect(']') && expect('=') && expect('{'))
                return m_pos;
        }
        return std::string_view::npos;
    }

    bool expect(char c) {
        skipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == c) {
            ++m_pos;
            return true;
        }
        return false;
    }

    void skipSpace() {
        while (m_pos < m_text.size() && std::isspace(static_cast<unsigned char>(m_text[m_pos])))
            ++m_pos;
    }

    std::optional<std::uint8_t> item() {
        if (m_text.substr(m_pos, 2) != "0x" && m_text.substr(m_pos, 2) != "0X")
            return std::nullopt;
        m_pos += 2;
        int value = 0;
        int digits = 0;
        while (m_pos < m_text.size() && hexDigitValue(m_text[m_pos]) >= 0 && digits < 3) {
            value = value * 16 + hexDigitValue(m_text[m_pos++]);
            ++digits;
        }
        if (digits == 0 || value > 0xFF)
            return std::nullopt;
        return static_cast<std::uint8_t>(value);
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

DeviceImage readBankFiles(std::string_view bank1, std::string_view bank2) {
    DeviceImage image;
    putBank(image, 1, bank1);
    putBank(image, 2, bank2);
    return image;
}

DeviceImage readBankSource(std::string_view text) {
    DeviceImage image;
    ArrayParser parser(text);
    parser.readBank(1, image.bank(1));
    parser.readBank(2, image.bank(2));
    return image;
}

} // namespace ordane
