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

// The exact message of the strict form; a text of more than 64 bytes is shown cut, with
// its length.
std::string notAnIntegerMessage(std::string_view text);

} // namespace ordane
