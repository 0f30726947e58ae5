#include "NumberText.h"

#include "Error.h"

#include <cstdio>

namespace ordane {

std::optional<std::int32_t> tryParseInteger(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    } else if (i < text.size() && (text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    }
    const std::size_t first = i;
    if (first == text.size())
        return std::nullopt;

    if (hex) {
        // Leading zeros count as digits: nine digits never fit.
        if (text.size() - first > 8)
            return std::nullopt;
        std::uint32_t value = 0;
        for (; i < text.size(); ++i) {
            const int d = hexDigitValue(text[i]);
            if (d < 0)
                return std::nullopt;
            value = value * 16 + static_cast<std::uint32_t>(d);
        }
        std::uint32_t result = negative ? (0u - value) : value;
        return static_cast<std::int32_t>(result);
    }

    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    if (negative)
        value = -value;
    if (value > 2147483647LL || value < -2147483648LL)
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::string notAnIntegerMessage(std::string_view text) {
    // No number is this long; a whole hostile value would only bury the message.
    constexpr std::size_t kShown = 64;
    if (text.size() <= kShown)
        return "'" + std::string(text) + "' is not a valid integer value";
    std::size_t cut = kShown;
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
        --cut;
    return "'" + std::string(text.substr(0, cut)) + "...' (" + std::to_string(text.size()) +
           " bytes) is not a valid integer value";
}

std::int32_t parseInteger(std::string_view text) {
    if (auto value = tryParseInteger(text))
        return *value;
    throw Error(notAnIntegerMessage(text));
}

std::int32_t parseInteger(std::string_view text, std::int32_t fallback) {
    return tryParseInteger(text).value_or(fallback);
}

// By hand rather than by snprintf: the EDS writer asks for tens of thousands of these.
std::string hexDigits(std::uint32_t value, int width) {
    char digits[8];
    int count = 0;
    do {
        digits[count++] = "0123456789ABCDEF"[value & 0x0F];
        value >>= 4;
    } while (value != 0);
    std::string text(std::size_t(width > count ? width - count : 0), '0');
    while (count > 0)
        text += digits[--count];
    return text;
}

std::string hexText(std::uint32_t value, int width) {
    return "0x" + hexDigits(value, width);
}

} // namespace ordane
