#include "core/NumberText.h"
#include "core/Error.h"

#include <gtest/gtest.h>

#include <optional>

namespace ordane {
namespace {

struct NumberCase {
    const char* text;
    std::optional<std::int32_t> expected;
};

class ParseIntegerTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ParseIntegerTest, ReadsOrRefusesNumberText) {
    const NumberCase& c = GetParam();
    EXPECT_EQ(tryParseInteger(c.text), c.expected) << "text: '" << c.text << "'";
    EXPECT_EQ(parseInteger(c.text, -1), c.expected.value_or(-1));
    if (c.expected) {
        EXPECT_EQ(parseInteger(c.text), *c.expected);
    } else {
        try {
            parseInteger(c.text);
            ADD_FAILURE() << "strict form accepted '" << c.text << "'";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(c.text) + "' is not a valid integer value");
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    NumberText, ParseIntegerTest,
    ::testing::Values(
        // one value in every accepted form
        NumberCase{"31", 31}, NumberCase{"+31", 31}, NumberCase{"0x1F", 31}, NumberCase{"0X1f", 31},
        NumberCase{"$1F", 31}, NumberCase{"x1F", 31}, NumberCase{"X1f", 31}, NumberCase{"-1", -1},
        NumberCase{"   31", 31}, NumberCase{"-0x10", -16}, NumberCase{"0", 0}, NumberCase{"007", 7},
        // not numbers
        NumberCase{"", std::nullopt}, NumberCase{"0x", std::nullopt}, NumberCase{"$", std::nullopt},
        NumberCase{"1F", std::nullopt}, NumberCase{"31 ", std::nullopt},
        NumberCase{"0x1G", std::nullopt}, NumberCase{"\t31", std::nullopt},
        NumberCase{"-", std::nullopt}, NumberCase{"+-1", std::nullopt},
        NumberCase{"1.5", std::nullopt}, NumberCase{"1,000", std::nullopt},
        NumberCase{"true", std::nullopt}, NumberCase{" - 1", std::nullopt},
        // 32-bit limits: eight hex digits wrap, nine never fit, decimals must fit
        NumberCase{"0xFFFFFFFF", -1}, NumberCase{"$80000000", INT32_MIN},
        NumberCase{"0x7FFFFFFF", INT32_MAX}, NumberCase{"0x0FFFFFFFF", std::nullopt},
        NumberCase{"0x100000000", std::nullopt}, NumberCase{"2147483647", INT32_MAX},
        NumberCase{"-2147483648", INT32_MIN}, NumberCase{"2147483648", std::nullopt},
        NumberCase{"-2147483649", std::nullopt}, NumberCase{"99999999999999999999", std::nullopt}));

TEST(HexText, PadsToWidthAndKeepsLongerValues) {
    EXPECT_EQ(hexText(8193, 4), "0x2001");
    EXPECT_EQ(hexText(10, 2), "0x0A");
    EXPECT_EQ(hexText(0x201, 8), "0x00000201");
    EXPECT_EQ(hexText(0x12345, 2), "0x12345");
    EXPECT_EQ(hexDigits(255, 2), "FF");
}

} // namespace
} // namespace ordane
