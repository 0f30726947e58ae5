#include "compiler/DeviceImage.h"

#include "compiler/BankWriters.h"
#include "core/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <vector>

namespace ordane {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> bytesAt(const DeviceImage& image, int bank, std::size_t offset,
                                  std::size_t count) {
    const auto b = image.bank(bank);
    return {b.begin() + offset, b.begin() + offset + count};
}

TEST(DeviceImage, StampsPackDateAndTimeIntoSixteenBits) {
    struct Case {
        LocalDateTime time;
        std::uint16_t date;
        std::uint16_t clock;
    };
    const Case cases[] = {
        {{2026, 12, 9, 1, 8, 30}, 19994, 30977}, // 0x4E1A, 0x7901
        {{2000, 1, 1, 0, 0, 1}, 2048 + 128, 0},  // year 0, odd second halves to 0
        {{2099, 12, 31, 23, 59, 59}, 99 + 12 * 128 + 31 * 2048, 23 + 59 * 32 + 29 * 2048},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(dateStamp(c.time), c.date) << c.time.year;
        EXPECT_EQ(timeStamp(c.time), c.clock) << c.time.year;
    }
}

TEST(DeviceImage, J1939IdentifierUsesThirtyTwoBitArithmetic) {
    EXPECT_EQ(j1939Identifier(6, 0, 0xFEF1, 0x80), 0x18FEF180u);
    EXPECT_EQ(j1939Identifier(7, 1, 0xFFFF, 0xFF), 0x1DFFFFFFu);
    // Out-of-range values are not checked here; they wrap.
    EXPECT_EQ(j1939Identifier(0, 0, -1, 0), 0xFFFFFF00u);
    EXPECT_EQ(j1939Identifier(64, 0, 0, 1), 0x00000001u);
}

TEST(DeviceImage, FieldsAreLittleEndianPackedAndTruncated) {
    DeviceImage image;
    image.putU16(1, 15701, 0x1234); // odd offset
    image.putU32(2, 4, 0x18FEF180);
    image.putU8(3, 0, 0x1FF);           // keeps the low byte
    image.putU16(5, 16382, 0xFFFFFFFF); // -1, last two bytes of the image
    EXPECT_EQ(bytesAt(image, 1, 15700, 4), (std::vector<std::uint8_t>{0x00, 0x34, 0x12, 0x00}));
    EXPECT_EQ(bytesAt(image, 2, 4, 4), (std::vector<std::uint8_t>{0x80, 0xF1, 0xFE, 0x18}));
    EXPECT_EQ(bytesAt(image, 3, 0, 2), (std::vector<std::uint8_t>{0xFF, 0x00}));
    // Bank n starts at image offset (n - 1) * 16384.
    EXPECT_EQ(image.bytes()[16384 + 4], 0x80);
    EXPECT_EQ(image.bytes()[2 * 16384], 0xFF);
    EXPECT_EQ(image.bytes()[81918], 0xFF);
    EXPECT_EQ(image.bytes()[81919], 0xFF);

    EXPECT_THROW(image.bank(0), std::out_of_range);
    EXPECT_THROW(image.bank(6), std::out_of_range);
    EXPECT_THROW(image.putU16(1, 16383, 0), std::out_of_range);
    EXPECT_THROW(image.fill(1, 16000, 16384, 0xFF), std::out_of_range);
}

TEST(DeviceImage, RecordWriterStaysInsideItsArea) {
    DeviceImage image;
    RecordWriter last(image, area::receivedFrames, 165); // room for 166
    last.u32(0, 0xFFFFFFFF);
    last.u8(5, 0xFF);
    EXPECT_EQ(bytesAt(image, 1, 990, 10),
              (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0, 0, 0, 0}));
    EXPECT_THROW(RecordWriter(image, area::receivedFrames, 166), std::out_of_range);
    EXPECT_THROW(last.u16(5, 1), std::out_of_range);
}

class BankFiles : public ::testing::Test {
protected:
    BankFiles() {
        fs::create_directories(project / "bin");
        // A mark in each bank tells the files apart.
        for (int n = 1; n <= 5; ++n) {
            image.putU8(n, 0, 0x10 * n);
            image.putU8(n, 16383, n);
        }
    }

    test::TempFolder project;
    DeviceImage image;
};

TEST_F(BankFiles, EachFileHoldsItsBankUnchanged) {
    EXPECT_TRUE(writeBankFiles(image, project.path()).empty());
    for (int n = 1; n <= 5; ++n) {
        const std::string bytes =
            test::readFile(project / "bin" / ("bank" + std::to_string(n) + ".bin"));
        ASSERT_EQ(bytes.size(), 16384u) << n;
        EXPECT_EQ(static_cast<unsigned char>(bytes.front()), 0x10 * n);
        EXPECT_EQ(static_cast<unsigned char>(bytes.back()), n);
        EXPECT_EQ(bytes.substr(1, 16382), std::string(16382, '\0'));
    }
}

TEST_F(BankFiles, AFileThatCannotBeWrittenIsSkippedAndTheOthersAreWritten) {
    fs::create_directories(project / "bin" / "bank3.bin" / "inside"); // a folder in the way
    const std::vector<std::string> skipped = writeBankFiles(image, project.path());
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_NE(skipped[0].find("bank3.bin"), std::string::npos) << skipped[0];
    for (int n : {1, 2, 4, 5})
        EXPECT_EQ(fs::file_size(project / "bin" / ("bank" + std::to_string(n) + ".bin")), 16384u);

    fs::remove_all(project / "bin");
    EXPECT_EQ(writeBankFiles(image, project.path()).size(), 5u);
    EXPECT_FALSE(fs::exists(project / "bin"));
}

std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back("missing CR LF: " + text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

std::string repeat(const std::string& item, int times) {
    std::string s;
    for (int i = 0; i < times; ++i)
        s += item;
    return s;
}

TEST_F(BankFiles, SourceHoldsBanksOneAndTwoAsCArrays) {
    image.putU8(1, 17, 0xAB); // second line of bank 1, second byte
    writeBankSource(image, project.path());
    const std::vector<std::string> lines = crlfLines(test::readFile(project / "bin" / "bankg.c"));
    ASSERT_EQ(lines.size(), 2052u);

    const std::string blanks(17, ' ');
    const std::string zeros = repeat(" 0x00,", 14);
    EXPECT_EQ(lines[0], "#pragma CONST_SEG SEGMENT0");
    EXPECT_EQ(lines[1], "const char Bank1 [] = { 0x10," + zeros + " 0x00,");
    EXPECT_EQ(lines[2], blanks + " 0x00, 0xAB," + zeros);
    EXPECT_EQ(lines[1024], blanks + zeros + " 0x00, 0x01};");
    EXPECT_EQ(lines[1025], "");
    EXPECT_EQ(lines[1026], "const char Bank2 [] = { 0x20," + zeros + " 0x00,");
    EXPECT_EQ(lines[1027], blanks + repeat(" 0x00,", 16));
    EXPECT_EQ(lines[2049], blanks + zeros + " 0x00, 0x02};");
    EXPECT_EQ(lines[2050], "");
    EXPECT_EQ(lines[2051], "#pragma CONST_SEG DEFAULT");
}

TEST_F(BankFiles, SourceThatCannotBeWrittenIsAnErrorNamingTheFile) {
    fs::create_directories(project / "bin" / "bankg.c" / "inside");
    try {
        writeBankSource(image, project.path());
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("bankg.c"), std::string::npos) << e.what();
    }
}

} // namespace
} // namespace ordane
