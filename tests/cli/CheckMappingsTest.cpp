#include "check/ProjectCheck.h"
#include "cli/Cli.h"
#include "model/SdoClientFrames.h"

#include <sstream>

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string sdoRow(int frame, const char* index, const char* subIndex) {
    return std::string("<row NrPdo=\"") + std::to_string(frame) + "\" Index=\"" + index +
           "\" SubIndex=\"" + subIndex +
           "\" Dimension=\"1\" B1=\"2\" B2=\"1\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/>";
}

// Four received frames and three transmitted ones.
void writeFrames(const test::TempFolder& project) {
    std::string received, transmitted;
    for (int k = 0; k < 4; ++k)
        received += "<row PGN=\"0xFEF1\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/>";
    for (int k = 0; k < 3; ++k)
        transmitted +=
            "<row Priority=\"6\" DP=\"0\" PGN=\"0xFF10\" ID_DEV=\"0x80\" Mnemonic=\"\"/>";
    test::writeFile(project / "RCobDef.xml", "<COBID>" + received + "</COBID>");
    test::writeFile(project / "TCobDef.xml", "<COBID>" + transmitted + "</COBID>");
}

TEST(CheckMappings, ListsThePdoChecksThenTheChecksAcrossDocuments) {
    test::TempFolder project;
    writeFrames(project);
    test::writeFile(project / "RInfoCob.xml",
                    "<RInfoCob>" + sdoRow(1, "0x2100", "1") + sdoRow(5, "0x2101", "1") +
                        sdoRow(2, "0x2020", "1") + sdoRow(2, "0x1000", "0") + "</RInfoCob>");
    // Row 3: "4 Bytes" with every byte "None" takes nothing of its frame.
    test::writeFile(project / "TInfoCob.xml",
                    "<TInfoCob>" + sdoRow(1, "8448", "0x01") + sdoRow(3, "0x2200", "1") +
                        "<row NrPdo=\"2\" Index=\"0x2201\" SubIndex=\"1\" Dimension=\"0\" B1=\"0\" "
                        "B2=\"0\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/></TInfoCob>");
    test::writeFile(
        project / "pdoJ1939.xml",
        "<PDOJ1939><row COB-ID=\"0x201\" Dimension=\"4\" Offset=\"1\" Frame_J1939=\"2\" "
        "Mnemonic=\"\"/><row COB-ID=\"0x800\" Dimension=\"1\" Frame_J1939=\"4\" "
        "Mnemonic=\"\"/></PDOJ1939>");
    test::writeFile(
        project / "TpdoJ1939.xml",
        "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"2\" Offset=\"4\" Frame_J1939=\"1\" "
        "Mnemonic=\"\"/><row COB-ID=\"0x281\" Dimension=\"8\" Offset=\"2\" "
        "Mnemonic=\"\"/></PDOJ1939>");
    ProjectCheck report;
    checkMappings(project.path(), report);
    EXPECT_EQ(
        report.failures,
        (Lines{"pdoJ1939.xml: Error row 2!! COB-ID must be between 0x001 and 0x7FF. ",
               "TpdoJ1939.xml: Error row 2!! Dimension and Offset are not correct together. ",
               "RInfoCob.xml, row 4: Error! The Index must be between 0x2000 and 0x9FFF",
               "TInfoCob.xml, row 3: Error! The object takes no byte of the J1939 frame: choose "
               "a frame byte for one of its SDO bytes",
               "RInfoCob.xml, row 3: Error! The Index 0x2020 is already used by a fixed "
               "object of the converter",
               "TInfoCob.xml, row 1: Error! The Index 0x2100 and SubIndex 0x01 is already used",
               "RInfoCob.xml, row 2: NrPdo 5 names no frame of RCobDef.xml",
               "pdoJ1939.xml, row 2: Frame_J1939 4 names no frame of TCobDef.xml",
               "TpdoJ1939.xml, row 2: the PDO has no J1939 Frame"}));
    EXPECT_TRUE(report.notes.empty());
}

TEST(CheckMappings, AnUnreadableRowIsAFailureAndNoDocumentIsNone) {
    test::TempFolder project;
    ProjectCheck empty;
    checkMappings(project.path(), empty);
    EXPECT_TRUE(empty.failures.empty());
    EXPECT_TRUE(empty.notes.empty());

    writeFrames(project);
    test::writeFile(project / "TInfoCob.xml",
                    "<TInfoCob>" + sdoRow(1, "zz", "1") + sdoRow(9, "0x2200", "1") + "</TInfoCob>");
    test::writeFile(project / "TpdoJ1939.xml", "<PDOJ1939><row Dimension=\"1\"/></PDOJ1939>");
    ProjectCheck report;
    checkMappings(project.path(), report);
    EXPECT_EQ(report.failures,
              (Lines{"TpdoJ1939.xml, row 1: attribute 'COB-ID' is missing",
                     "TInfoCob.xml, row 1, Index: 'zz' is not a valid integer value",
                     "TInfoCob.xml, row 2: NrPdo 9 names no frame of TCobDef.xml",
                     "TpdoJ1939.xml, row 1: the PDO has no J1939 Frame"}));
    EXPECT_EQ(report.notes.size(), 1u);
}

// A row is checked against every rule, as a frame-list row is; the window stops at the first.
TEST(CheckMappings, APdoRowGivesEveryFailingCheck) {
    test::TempFolder project;
    writeFrames(project);
    test::writeFile(project / "TpdoJ1939.xml",
                    "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"9\" Offset=\"1\" "
                    "Frame_J1939=\"1\" Mnemonic=\"\"/></PDOJ1939>");
    ProjectCheck report;
    checkMappings(project.path(), report);
    EXPECT_EQ(
        report.failures,
        (Lines{"TpdoJ1939.xml: Error row 1!! Dimension must be between 1 and 8. ",
               "TpdoJ1939.xml: Error row 1!! Dimension and Offset are not correct together. "}));
}

// A document that is not well-formed is refused by every reader, in the parser's words.
TEST(CheckMappings, EveryReaderRefusesADocumentWithTwoRoots) {
    const std::string twoRoots = "<J1939_Frames_SDOClient/><J1939_Frames_SDOClient/>";
    const std::string refusal = "SDOClient.xml: More than one root element (line 1)";
    test::TempFolder project;
    fs::create_directory(project / "bin");
    test::writeFile(project / "SDOClient.xml", twoRoots);

    SdoClientFrames client;
    client.load(project.path());
    ASSERT_EQ(client.loadProblems().size(), 1u);
    EXPECT_EQ(client.loadProblems()[0].message, refusal);

    for (const char* command : {"compile", "check"}) {
        std::ostringstream out, err;
        EXPECT_EQ(cli::run({command, project.path().string()}, out, err), 1) << command;
        EXPECT_NE((out.str() + err.str()).find(refusal), std::string::npos) << command;
    }
    EXPECT_FALSE(fs::exists(project / "bin" / "bank1.bin"));
}

} // namespace
} // namespace ordane
