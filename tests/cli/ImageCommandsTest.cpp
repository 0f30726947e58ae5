#include "CliRunner.h"
#include "TestSupport.h"
#include "compiler/SrecCat.h"
#include "compiler/FirmwareBanks.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace ordane {

namespace {

namespace fs = std::filesystem;

bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

void replaceIn(const fs::path& file, const std::string& from, const std::string& to) {
    std::string text = test::readFile(file);
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    test::writeFile(file, text.replace(at, from.size(), to));
}

// The example project updated into the example template's merged firmware file.
class ImageCommands : public ::testing::Test {
protected:
    void SetUp() override {
        fs::copy(fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo", demo,
                 fs::copy_options::recursive);
        const auto update = test::runCli(
            {"update", demo.string(),
             (fs::path(ORDANE_SOURCE_DIR) / "examples" / "MASTER" / "SX40218.sx").string()});
        ASSERT_EQ(update.status, 0) << update.err;
    }

    test::TempFolder folder;
    const fs::path demo = folder / "Demo";
    const fs::path firmware = demo / "New_SX40218.sx";
};

TEST_F(ImageCommands, verifyMatchesTheMergedFirmwareOfTheExampleProject) {
    const auto result = test::runCli({"verify", demo.string(), firmware.string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "banks 1 and 2 are the same but for the compile stamps"));
}

TEST_F(ImageCommands, theMergedFirmwareReadsAsSrecCatCropsIt) {
    ORDANE_SKIP_WITHOUT_SREC_CAT();
    const ImageSource source = readImageSource(firmware);
    for (int bank = 1; bank <= 2; ++bank)
        EXPECT_TRUE(test::sameBytes(test::srecCatBank(firmware, bank, folder.path()),
                                    source.image.bank(bank)))
            << bank;
}

TEST_F(ImageCommands, verifyNamesTheChangedDocumentRowAndAttribute) {
    const struct {
        const char* document;
        const char* from;
        const char* to;
        const char* expected;
    } cases[] = {
        {"TCobDef.xml", "PGN=\"0xEF00\"", "PGN=\"0xEF01\"",
         "TCobDef.xml row 3: PGN 0xEF01 in the project, 0xEF00 in the file"},
        {"pargen.xml", "<Sent_TPDO_Time>500<", "<Sent_TPDO_Time>600<",
         "pargen.xml: Sent_TPDO_Time 600 in the project, 500 in the file"},
        {"TpdoJ1939.xml", "0x381", "0x382",
         "TpdoJ1939.xml row 3: COB-ID 0x0382 in the project, 0x0381 in the file"},
        {"NodeGuard.xml", "NodeID=\"0x12\"", "NodeID=\"19\"",
         "NodeGuard.xml row 3: NodeID 19 in the project, 18 in the file"},
    };
    for (const auto& c : cases) {
        const std::string original = test::readFile(demo / c.document);
        replaceIn(demo / c.document, c.from, c.to);
        const auto result = test::runCli({"verify", demo.string(), firmware.string()});
        EXPECT_EQ(result.status, 1) << c.document;
        EXPECT_TRUE(contains(result.err, "1 difference:\n  " + std::string(c.expected) + "\n"))
            << result.err;
        test::writeFile(demo / c.document, original);
    }
}

TEST_F(ImageCommands, inspectReadsEveryFormOfTheImageAlike) {
    const auto merged = test::runCli({"inspect", firmware.string()});
    ASSERT_EQ(merged.status, 0) << merged.err;
    const auto body = [](const std::string& out) { return out.substr(out.find('\n')); };
    for (const fs::path& source : {demo / "bin", demo / "bin" / "bank1.bin",
                                   demo / "bin" / "bank2.bin", demo, demo / "bin" / "bankg.c"}) {
        const auto result = test::runCli({"inspect", source.string()});
        EXPECT_EQ(result.status, 0) << source << result.err;
        EXPECT_EQ(body(result.out), body(merged.out)) << source;
    }
    for (const char* expected : {"Transmitted J1939 frames (TCobDef.xml): 3 rows",
                                 "3    0x0CEF0080  3         0          0xEF00  0x80",
                                 "0x2202:01  4 bytes  3      4 3 2 1"})
        EXPECT_TRUE(contains(merged.out, expected)) << expected << "\n" << merged.out;
}

TEST_F(ImageCommands, recoverWritesAProjectThatCompilesToTheSameBanks) {
    const auto result =
        test::runCli({"recover", firmware.string(), folder.path().string(), "Back"});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(contains(result.out, "every Mnemonic is empty"));
    const fs::path back = folder / "Back";
    EXPECT_TRUE(fs::is_directory(back / "bin"));
    EXPECT_TRUE(
        contains(test::readFile(back / "TCobDef.xml"),
                 "<row Priority=\"3\" DP=\"0\" PGN=\"0xEF00\" ID_DEV=\"0x80\" Mnemonic=\"\" />"));
    EXPECT_TRUE(
        contains(test::readFile(back / "pargen.xml"), "<Sent_TPDO_Time>500</Sent_TPDO_Time>"));
    EXPECT_EQ(test::runCli({"verify", back.string(), firmware.string()}).status, 0);

    // Never into an existing folder.
    const auto again = test::runCli({"recover", firmware.string(), folder.path().string(), "Back"});
    EXPECT_EQ(again.status, 1);
    EXPECT_TRUE(contains(again.err, "Name project not valid because directory already exists"));
}

TEST_F(ImageCommands, badInputWritesNothing) {
    const fs::path master = fs::path(ORDANE_SOURCE_DIR) / "examples" / "MASTER" / "SX40218.sx";
    test::writeFile(folder / "empty" / "bin" / "bank1.bin", std::string(16384, '\0'));
    test::writeFile(folder / "empty" / "bin" / "bank2.bin", std::string(16384, '\0'));
    test::writeFile(folder / "short" / "bank1.bin", std::string(16384, '\0'));
    test::writeFile(folder / "short" / "bank2.bin", std::string(100, '\0'));
    const struct {
        fs::path file;
        const char* message;
    } cases[] = {
        {master, "is not covered whole"},
        {folder / "empty", "this firmware was never configured"},
        {folder / "short" / "bank1.bin", "bank2.bin has 100 bytes"},
        {folder / "missing.sx", "File not found"},
        {folder.path(), "holds neither bank1.bin and bank2.bin nor bankg.c"},
    };
    for (const auto& c : cases) {
        for (const char* command : {"inspect", "recover"}) {
            std::vector<std::string> arguments = {command, c.file.string()};
            if (std::string(command) == "recover")
                arguments.insert(arguments.end(), {folder.path().string(), "Never"});
            const auto result = test::runCli(arguments);
            EXPECT_EQ(result.status, 1) << command << " " << c.file;
            EXPECT_TRUE(contains(result.err, c.message)) << result.err;
            EXPECT_FALSE(fs::exists(folder / "Never"));
        }
    }
}

} // namespace
} // namespace ordane
