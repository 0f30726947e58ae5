#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace ordane {

// One code point read from `text` at `at`: its value and how many bytes it took, or a
// length of 0 when the bytes there are no well-formed UTF-8 sequence (a stray or cut
// sequence, an overlong form, a surrogate, beyond 0x10FFFF).
struct Utf8Char {
    std::uint32_t code = 0;
    std::size_t length = 0;
};

inline Utf8Char decodeUtf8(std::string_view text, std::size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80)
        return {lead, 1};
    const std::size_t more = lead >= 0xF0 && lead <= 0xF4   ? 3
                             : lead >= 0xE0 && lead <= 0xEF ? 2
                             : lead >= 0xC2 && lead <= 0xDF ? 1
                                                            : 0;
    if (more == 0 || more >= text.size() - at)
        return {};
    std::uint32_t code = more == 3 ? lead & 0x07u : more == 2 ? lead & 0x0Fu : lead & 0x1Fu;
    for (std::size_t k = 1; k <= more; ++k) {
        const auto next = static_cast<unsigned char>(text[at + k]);
        if ((next & 0xC0) != 0x80)
            return {};
        code = (code << 6) | (next & 0x3Fu);
    }
    static constexpr std::uint32_t kLowest[] = {0, 0x80, 0x800, 0x10000};
    if (code < kLowest[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return {};
    return {code, more + 1};
}

// Appends one Unicode code point (at most 0x10FFFF) as UTF-8.
inline void appendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

// A path from UTF-8 text (an argument, a document, a setting), and a path's UTF-8 text. On
// Linux these are the bytes as they are; on Windows a path from a std::string would be read
// in the ANSI code page, which cannot hold every name.
inline std::filesystem::path pathFromUtf8(std::string_view text) {
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string utf8Text(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace ordane
