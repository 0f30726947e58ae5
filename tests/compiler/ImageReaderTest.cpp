#include "compiler/ImageReader.h"

#include "core/MessageSink.h"
#include "compiler/BankReaders.h"
#include "compiler/BankWriters.h"
#include "compiler/CompileProject.h"
#include "compiler/ImageComparison.h"
#include "compiler/ImageDescription.h"
#include "cli/ImageRecovery.h"
#include "core/Error.h"
#include "compiler/FirmwareBanks.h"

#include "ProjectGenerator.h"
#include "SrecCat.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <random>

#include <unistd.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& e) {
        return e.what();
    }
    return "(no error)";
}

void put(DeviceImage& image, int bank, std::size_t offset, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(), image.bank(bank).begin() + std::ptrdiff_t(offset));
}

// An image laid out by hand: the bytes below are worked out from the layout tables.
DeviceImage handMadeImage() {
    DeviceImage image;
    std::fill(image.bank(1).begin(), image.bank(1).begin() + 4096, 0xFF);
    std::fill(image.bank(1).begin() + 15700, image.bank(1).begin() + 15900, 0xFF);
    std::fill(image.bank(1).begin() + 16200, image.bank(1).begin() + 16300, 0xFF);
    // Received frames: PGN 0xFEF1 from 0x00 at position 0, PGN 0x1F004 from 0xFD at 1.
    put(image, 1, 0, {0xF1, 0xFE, 0x00, 0x00, 0x00, 0x00, 0x04, 0xF0, 0x01, 0x00, 0xFD, 0x01});
    // Received SDO entry: 0x2100:03, 2 bytes, frame 2, bytes 5 4 0 0.
    put(image, 1, 1000, {0x00, 0x21, 0x03, 0x02, 0x02, 0x05, 0x04, 0x00, 0x00});
    // TPDO: COB-ID 0x181, 2 bytes, frame 1, start byte 4.
    put(image, 1, 15600, {0x81, 0x01, 0x02, 0x01, 0x04});
    // Guarded node 16, guard time 0x1234, life time factor 3; the next is unused.
    put(image, 1, 15700, {0x10, 0x34, 0x12, 0x03});
    // State frame 0x18FEF180, then the marking.
    put(image, 1, 15850, {0x80, 0xF1, 0xFE, 0x18});
    // Parameter block: baud positions 5 (+1) and 0xFF, node 5, counts 2, 1, 1, 0, 0, 1.
    put(image, 1, 16000,
        {6, 1, 5,    0xFF, 1,    0,    10, 3, 1, 0,    1,    0, 2, 0,    1,    0, 1,    0,
         0, 0, 0x1A, 0x4E, 0x01, 0x79, 0,  1, 1, 0xE8, 0x03, 0, 0, 0xE8, 0x03, 0, 0x10, 0x27});
    put(image, 1, 16100, {0x02}); // row 2 deleted
    // Transmitted frame 0x0CEF0080.
    put(image, 2, 0, {0x80, 0x00, 0xEF, 0x0C});
    return image;
}

TEST(ImageReader, readsEveryAreaOfAHandMadeImage) {
    const ImageContents c = readImage(handMadeImage());
    EXPECT_EQ(stampText(c.compiled()), "2026-12-09 01:08:30");

    const auto& received = c.tables[kReceivedFrames];
    ASSERT_EQ(received.count, 2u);
    EXPECT_EQ(received.rows[0], (std::vector<std::uint32_t>{0xFEF1, 0x00, 0}));
    EXPECT_EQ(received.rows[1], (std::vector<std::uint32_t>{0x1F004, 0xFD, 1}));
    EXPECT_EQ(c.deleted, (std::vector<bool>{false, true}));

    ASSERT_EQ(c.tables[kTransmittedFrames].count, 1u);
    EXPECT_EQ(c.tables[kTransmittedFrames].rows[0],
              (std::vector<std::uint32_t>{3, 0, 0xEF00, 0x80}));
    EXPECT_EQ(c.tables[kReceivedSdo].rows.at(0),
              (std::vector<std::uint32_t>{0x2100, 3, 2, 2, 5, 4, 0, 0}));
    EXPECT_EQ(c.tables[kTransmittedSdo].count, 0u);
    EXPECT_EQ(c.tables[kRpdoMappings].count, 0u);
    EXPECT_EQ(c.tables[kTpdoMappings].rows.at(0), (std::vector<std::uint32_t>{0x181, 2, 1, 4}));
    ASSERT_EQ(c.tables[kGuardedNodes].count, 1u);
    EXPECT_EQ(c.tables[kGuardedNodes].rows[0], (std::vector<std::uint32_t>{16, 0x1234, 3}));
    ASSERT_EQ(c.tables[kStateFrames].count, 1u);
    EXPECT_EQ(c.tables[kStateFrames].rows[0], (std::vector<std::uint32_t>{6, 0, 0xFEF1, 0x80}));
    EXPECT_EQ(c.tables[kSdoClientFrames].count, 0u);

    const std::string text = describeImage(c);
    for (const char* expected :
         {"Compiled 2026-12-09 01:08:30", "250 kbit/s      BaudRateCAN 5", "Baud_CANopen -1",
          "1    0x0CEF0080  3         0          0xEF00  0x80",
          "1    0x2100:03  2 bytes  2      5 4 0 0", "1    0x181   2      1      4",
          "1    16       4660 ms     3", "2    0x1F004  0xFD    Y"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST(ImageReader, refusesImagesThatHoldNoConfigurationOrCountTooMuch) {
    struct Case {
        const char* name;
        std::size_t offset;
        Bytes bytes;
        const char* message;
    };
    const Case cases[] = {
        {"never configured", 0, {}, "all zero: this firmware was never configured"},
        {"compiled without pargen.xml",
         16020,
         {0x1A, 0x4E},
         "all zero but for the compile stamps: the image was compiled without pargen.xml"},
        {"received frames",
         16012,
         {167, 0},
         "counts 167 rows of RCobDef.xml, but its area of the image holds 166"},
        {"transmitted frames", 16014, {251, 0}, "251 rows of TCobDef.xml"},
        {"received SDO", 16016, {0x59, 0x01}, "345 rows of RInfoCob.xml"},
        {"transmitted SDO", 16018, {0x03, 0x06}, "1539 rows of TInfoCob.xml"},
        {"RPDOs", 16024, {21}, "21 rows of pdoJ1939.xml, but its area of the image holds 20"},
        {"TPDOs", 16025, {255}, "255 rows of TpdoJ1939.xml"},
    };
    for (const Case& c : cases) {
        DeviceImage image;
        put(image, 1, c.offset, c.bytes);
        const std::string message = errorOf([&] { readImage(image); });
        EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
    }
}

// One S-record line by the format's rules: count, address, data, one's complement checksum.
std::string srecord(int type, std::uint32_t address, const Bytes& data) {
    const int addressBytes = type + 1;
    Bytes bytes = {std::uint8_t(addressBytes + data.size() + 1)};
    for (int i = addressBytes - 1; i >= 0; --i)
        bytes.push_back(std::uint8_t(address >> (8 * i)));
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    for (std::uint8_t b : bytes)
        sum += b;
    bytes.push_back(std::uint8_t(~sum));
    std::string line = "S" + std::to_string(type);
    char hex[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", b);
        line += hex;
    }
    return line + "\r\n";
}

// Records of `size` bytes over first..last, each byte's value from its address.
std::string records(std::uint32_t first, std::uint32_t last, std::size_t size = 32) {
    std::string text;
    for (std::uint32_t a = first; a <= last; a += std::uint32_t(size)) {
        Bytes data;
        for (std::uint32_t i = a; i < a + size && i <= last; ++i)
            data.push_back(std::uint8_t(i * 7 + (i >> 8)));
        text += srecord(2, a, data);
    }
    return text;
}

const std::string kBank1 = records(0x388000, 0x38BFFF);
const std::string kBank2 = records(0x398000, 0x39BFFF);
const std::string kEnd = "S9030000FC\r\n";

TEST(FirmwareBanks, refusesBadFirmwareFilesNamingLineOrRange) {
    std::string checksum = kBank1 + kBank2 + kEnd;
    checksum[checksum.find("\r\n") - 1] ^= 1; // the last checksum digit of line 1
    const struct {
        const char* name;
        std::string text;
        const char* message;
    } cases[] = {
        {"no record in either range", srecord(2, 0x3F8000, {1, 2}) + kEnd,
         "fw.sx holds no record in bank 1's range 0x388000..0x38BFFF"},
        {"no record in bank 2's range", kBank1 + kEnd,
         "fw.sx holds no record in bank 2's range 0x398000..0x39BFFF"},
        {"truncated bank", records(0x388000, 0x38BEFF) + kBank2 + kEnd,
         "bank 1's range 0x388000..0x38BFFF is not covered whole, nothing at "
         "0x38BF00..0x38BFFF (the image is truncated)"},
        {"file cut in a record", kBank1 + kBank2.substr(0, 1000),
         "the byte count does not match the record's length"},
        {"checksum", checksum, "fw.sx, line 1: checksum"},
        {"not an S-record", "hello\n" + kBank1, "fw.sx, line 1: not an S-record"},
        {"no hex digit", "S2240000GG\n", "line 1: a character that is no hexadecimal digit"},
        {"odd digits", "S21\n", "line 1: an odd number of hexadecimal digits"},
        {"no room for the address", "S2030000FC\n", "a record too short for its address"},
        {"contradicting bytes", kBank1 + srecord(2, 0x38BFFF, {0x00}) + kBank2,
         "line 513: a second, different byte for address 0x38BFFF"},
    };
    for (const auto& c : cases) {
        const std::string message = errorOf([&] { readFirmwareBanks(c.text, "fw.sx"); });
        EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
    }
}

TEST(FirmwareBanks, takesTheBytesInTheRangesWhateverTheRecordsAndTheirOrder) {
    // A record running into bank 1 from below, S3 records, LF and CR LF ends, and records
    // outside the ranges between.
    std::string text = "S00600004844521B\n" + srecord(1, 0x4000, {1, 2, 3}) +
                       srecord(2, 0x387FFE, {0xAA, 0xBB, 0xCC, 0xDD}) +
                       records(0x38A000, 0x38BFFF, 20) + srecord(3, 0x00398000, {0x11}) +
                       records(0x388002, 0x389FFF, 7) + records(0x398001, 0x39C0FF, 64) + kEnd;
    const DeviceImage image = readFirmwareBanks(text, "fw.sx");
    EXPECT_EQ(image.bank(1)[0], 0xCC);
    EXPECT_EQ(image.bank(1)[1], 0xDD);
    EXPECT_EQ(image.bank(2)[0], 0x11);
    for (std::uint32_t a : {0x388002u, 0x38A000u, 0x38BFFFu})
        EXPECT_EQ(image.bank(1)[a - 0x388000], std::uint8_t(a * 7 + (a >> 8))) << a;
    EXPECT_EQ(image.bank(2)[0x3FFF], std::uint8_t(0x39BFFFu * 7 + (0x39BFFFu >> 8)));
}

// The readers of merged firmware and of Debian's srec_cat give the same bytes for both
// bank ranges of firmware files whose records are cut and ordered at random.
TEST(FirmwareBanks, agreesWithSrecCatOnTheBankRanges) {
    ORDANE_SKIP_WITHOUT_SREC_CAT();
    test::TempFolder folder;
    std::mt19937 random(17);
    for (int round = 0; round < 6; ++round) {
        std::vector<std::string> lines;
        for (std::uint32_t a = 0x387F00; a < 0x39C100;) {
            if (a == 0x38C100)
                a = 0x397F00; // the pages between the banks are left out
            const std::uint32_t size = std::uniform_int_distribution<std::uint32_t>(1, 64)(random);
            Bytes data;
            for (std::uint32_t i = 0; i < size; ++i)
                data.push_back(std::uint8_t(random()));
            lines.push_back(srecord(random() % 4 == 0 ? 3 : 2, a, data));
            a += size;
        }
        std::shuffle(lines.begin(), lines.end(), random);
        std::string text;
        for (const std::string& line : lines)
            text += line;
        text += kEnd;
        const fs::path file = folder / "fw.sx";
        test::writeFile(file, text);

        const DeviceImage image = readFirmwareBanks(text, "fw.sx");
        for (int bank = 1; bank <= 2; ++bank)
            EXPECT_TRUE(
                test::sameBytes(test::srecCatBank(file, bank, folder.path()), image.bank(bank)))
                << "round " << round << ", bank " << bank;
    }
}

TEST(BankReaders, readBackWhatTheBankWritersWrite) {
    DeviceImage image = handMadeImage();
    for (std::size_t i = 0; i < DeviceImage::kBankSize; i += 97)
        image.bank(2)[i] = std::uint8_t(i);
    const DeviceImage fromSource = readBankSource(bankSourceText(image));
    const auto bankText = [&](int n) {
        return std::string_view(reinterpret_cast<const char*>(image.bank(n).data()),
                                DeviceImage::kBankSize);
    };
    const DeviceImage fromFiles = readBankFiles(bankText(1), bankText(2));
    for (int bank = 1; bank <= 2; ++bank) {
        EXPECT_TRUE(std::ranges::equal(fromSource.bank(bank), image.bank(bank))) << bank;
        EXPECT_TRUE(std::ranges::equal(fromFiles.bank(bank), image.bank(bank))) << bank;
    }
}

TEST(BankReaders, refuseShortLongAndDamagedBanks) {
    const std::string source = bankSourceText(DeviceImage());
    std::string badItem = source;
    badItem.replace(badItem.find("0x00", 200), 4, "0xG0");
    const std::string bank(DeviceImage::kBankSize, '\0');
    const struct {
        const char* name;
        std::function<void()> read;
        const char* message;
    } cases[] = {
        {"short bank file", [&] { readBankFiles(bank.substr(1), bank); },
         "bank1.bin has 16383 bytes; a bank file holds 16384 (the image is truncated)"},
        {"long bank file", [&] { readBankFiles(bank, bank + "x"); }, "bank2.bin has 16385 bytes"},
        {"truncated source", [&] { readBankSource(source.substr(0, source.size() / 3)); },
         "array Bank1 ends after item"},
        {"no Bank2", [&] { readBankSource(source.substr(0, source.find("const char Bank2"))); },
         "bankg.c holds no array Bank2"},
        {"bad item", [&] { readBankSource(badItem); }, "not a byte such as 0x1F"},
    };
    for (const auto& c : cases) {
        const std::string message = errorOf(c.read);
        EXPECT_NE(message.find(c.message), std::string::npos) << c.name << ": " << message;
    }
}

// Banks 1 and 2 of two images differ only in the stamps.
void expectSameBanks(const DeviceImage& a, const DeviceImage& b, const std::string& what) {
    for (int bank = 1; bank <= 2; ++bank)
        for (std::size_t i = 0; i < DeviceImage::kBankSize; ++i) {
            if (bank == 1 && i >= 16020 && i < 16024)
                continue;
            if (a.bank(bank)[i] != b.bank(bank)[i]) {
                ADD_FAILURE() << what << ": bank " << bank << " offset " << i << " differs";
                return;
            }
        }
}

// Every document is written with fsync; on a memory file system that costs nothing, which
// keeps the hundreds of writes of the round trip quick.
class MemoryScratch {
public:
    MemoryScratch() {
        if (const char* old = std::getenv("TMPDIR"))
            m_old = old;
        if (::access("/dev/shm", W_OK) == 0)
            ::setenv("TMPDIR", "/dev/shm", 1);
    }
    ~MemoryScratch() {
        if (m_old)
            ::setenv("TMPDIR", m_old->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }

private:
    std::optional<std::string> m_old;
};

TEST(ImageRecovery, roundTripOverGeneratedProjects) {
    const MemoryScratch scratch;
    test::ProjectGenerator generator(20261210);
    std::vector<test::ProjectShape> shapes = {
        {std::vector<std::size_t>(9, 0), false},  // empty documents
        {test::ProjectGenerator::rooms(), false}, // every area at its room
        {test::ProjectGenerator::rooms(), true},  // ... with the widest values
        {{1, 1, 1, 1, 1, 1, 1, 1, 1}, true},
    };
    while (shapes.size() < 200)
        shapes.push_back(generator.randomShape());

    const FixedClock clock({2026, 12, 9, 1, 8, 30});
    int projects = 0;
    for (const test::ProjectShape& shape : shapes) {
        const std::string what = "project " + std::to_string(projects);
        test::TempFolder folder;
        generator.write(folder / "original", shape);
        DeviceImage original;
        RecordingMessageSink messages;
        compileProject(folder / "original", original, messages, clock);

        fs::create_directories(folder / "recovered");
        const RecoveryReport report = recoverProject(original, folder / "recovered");
        EXPECT_EQ(report.differences, std::vector<std::string>{}) << what;
        DeviceImage again;
        compileProject(folder / "recovered", again, messages, FixedClock({2030, 1, 2, 3, 4, 5}));
        expectSameBanks(original, again, what);
        ++projects;
    }
    EXPECT_EQ(projects, 200);
}

TEST(ImageRecovery, saysWhatTheImageCannotGiveBack) {
    test::TempFolder folder;
    DeviceImage image = handMadeImage();
    put(image, 1, 16001, {2});             // CANType 2: the editor writes 1
    put(image, 1, 16012, {3});             // a third received frame...
    put(image, 1, 12, {1, 0, 0, 0, 7, 9}); // ...whose position byte is not its row's
    put(image, 1, 1004, {0});              // an SDO entry on frame 0
    // Twelve state frames: the marking ends there.
    for (std::size_t k = 0; k < 12; ++k)
        put(image, 1, 15850 + 4 * k, {std::uint8_t(k), 0, 0, 0});
    const RecoveryReport report = recoverProject(image, folder.path());
    std::string notes;
    for (const std::string& note : report.notes)
        notes += note + "\n";
    for (const char* expected :
         {"every Mnemonic is empty", "CANType 2 cannot be saved",
          "RCobDef.xml row 3: the image stores position 9",
          "RInfoCob.xml row 1: frame number 0 is no row of RCobDef.xml",
          "NG_J1939_Frame.xml: the image marks unused entries only in its first 12 records",
          "SDOClient.xml: the image holds no frame"})
        EXPECT_NE(notes.find(expected), std::string::npos) << expected << "\n" << notes;
    std::string differences;
    for (const std::string& d : report.differences)
        differences += d + "\n";
    for (const char* expected :
         {"pargen.xml: CANType 1 in the recovered project, 2 in the image",
          "RCobDef.xml row 3: row position 2 in the recovered project, 9 in the image",
          "RInfoCob.xml: 0 rows in the recovered project, 1 in the image"})
        EXPECT_NE(differences.find(expected), std::string::npos) << expected << "\n" << differences;
}

TEST(ImageComparison, namesDocumentRowAndAttributeAndPlacesOutsideTheDocuments) {
    const DeviceImage project = handMadeImage();
    DeviceImage file = project;
    put(file, 2, 1, {0x01});     // TCobDef row 1 PGN 0xEF01
    put(file, 1, 16100, {0x03}); // row 1 deleted
    put(file, 1, 16016, {2});    // a second received SDO entry
    put(file, 1, 1009, {0x01, 0x20, 0, 1, 1, 1, 0, 0, 0});
    put(file, 1, 15704, {0x11, 1, 0, 1}); // a second guarded node
    put(file, 1, 5000, {1, 2, 3});        // bytes no document fills
    put(file, 1, 16020, {0, 0, 0, 0});    // the stamps are not compared
    put(file, 2, 8, {0x55});              // after the last transmitted frame
    const std::vector<std::string> expected = {
        "TCobDef.xml row 1: PGN 0xEF00 in the project, 0xEF01 in the file",
        "RInfoCob.xml: 1 rows in the project, 2 in the file",
        "RInfoCob.xml row 2: only in the file (Index 0x2001, SubIndex 0, Dimension 2, NrPdo 1, "
        "B1 1, B2 0, B3 0, B4 0)",
        "NodeGuard.xml row 2: only in the file (NodeID 17, GuardTime 1, LifeTimeFactor 1)",
        "RCobDef.xml row 1: Delete N in the project, Y in the file",
        "bank 1 offsets 5000 to 5002 (not used by the configuration): 3 bytes differ",
        "bank 2 offsets 8 to 8 (TCobDef.xml area, after its last row): 1 byte differs",
    };
    EXPECT_EQ(compareImages(project, file), expected);
    EXPECT_EQ(compareImages(project, project), std::vector<std::string>{});
}

} // namespace
} // namespace ordane
