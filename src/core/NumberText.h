#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ordane {

// Reads number text: spaces, an optional sign, then decimal digits or a hexadecimal
// prefix ("$", "0x", "0X", "x", "X") and hex digits; nothing may follow. The value must
// fit a signed 32-bit integer; up to eight hex digits wrap (0xFFFFFFFF is -1).
std::optional<std::int32_t> tryParseInteger(std::string_view text);

// Strict form: throws Error("'<text>' is not a valid integer value").
std::int32_t parseInteger(std::string_view text);

// Lenient form: text that is no integer gives the fallback.
std::int32_t parseInteger(std::string_view text, std::int32_t fallback);

// "0x" followed by upper-case hex digits, zero-padded to `width` digits.
std::string hexText(std::uint32_t value, int width);

// The same digits without "0x", for messages whose text already carries the prefix.
std::string hexDigits(std::uint32_t value, int width);

// The value of one hexadecimal digit of either case, or -1.
constexpr int hexDigitValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Hexadecimal digits alone, without prefix or sign; nothing when another character is met.
// The caller bounds the length.
constexpr std::optional<std::uint32_t> parseHexDigits(std::string_view digits) {
    std::uint32_t value = 0;
    for (char c : digits) {
        const int d = hexDigitValue(c);
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

// Appends the byte as two upper-case hexadecimal digits.
inline void appendHexByte(std::string& out, unsigned byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out += kDigits[(byte >> 4) & 0xF];
    out += kDigits[byte & 0xF];
}

// The exact message of the strict form; a text of more than 64 bytes is shown cut, with
// its length.
std::string notAnIntegerMessage(std::string_view text);

} // namespace ordane
