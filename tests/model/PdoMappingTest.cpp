#include "model/PdoMapping.h"

#include "core/MessageSink.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

// Six received frames, offered to the TPDOs.
void writeReceivedFrames(const test::TempFolder& project) {
    std::string rows;
    for (const char* pgn : {"0xFEF1", "0xF004", "65262", "0xFEEF", "0xFEF2", "0xFEF5"})
        rows += std::string("<row PGN=\"") + pgn + "\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/>";
    test::writeFile(project / "RCobDef.xml", "<COBID>" + rows + "</COBID>");
}

PdoDefinition pdo(const char* cobId, const char* dimension, const char* offset,
                  const char* frame = "", const char* mnemonic = "") {
    return {cobId, dimension, offset, frame, mnemonic};
}

TEST(PdoMapping, LoadsChoicesAndRowsWithTheirDefaults) {
    test::TempFolder project;
    writeReceivedFrames(project);
    test::writeFile(project / "TpdoJ1939.xml",
                    "<PDOJ1939>"
                    "<row COB-ID=\"0x181\" Dimension=\"2\" Offset=\"4\" Frame_J1939=\"2\" "
                    "Mnemonic=\"Engine speed\"/>"
                    "<row COB-ID=\"0x281\" Dimension=\"8\" Mnemonic=\"\"/>"
                    "<row COB-ID=\"0x381\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"7\" "
                    "Mnemonic=\"\"/>"
                    "<row COB-ID=\"0x481\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"1\"/>"
                    "</PDOJ1939>");
    RecordingMessageSink messages;
    PdoMapping mapping(PdoDirection::Tpdo);
    mapping.load(project.path());
    mapping.tellLoadProblems(messages);
    EXPECT_EQ(mapping.frameChoices(),
              (std::vector<std::string>{"1;0xFEF1;0", "2;0xF004;0", "3;65262;0", "4;0xFEEF;0",
                                        "5;0xFEF2;0", "6;0xFEF5;0"}));
    EXPECT_EQ(mapping.rows()[0], pdo("0x181", "2", "4", "2;0xF004;0", "Engine speed"));
    EXPECT_EQ(mapping.rows()[1], pdo("0x281", "8", "1"));
    EXPECT_EQ(mapping.rows()[2], pdo("0x381", "1", "1")); // frame 7 of six
    // A row without Mnemonic stops the loading; what it read stays.
    EXPECT_EQ(mapping.rows()[3], pdo("0x481", "1", "1", "1;0xFEF1;0"));
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"TpdoJ1939.xml, row 4: attribute 'Mnemonic' is missing"});
}

TEST(PdoMapping, AnUnreadableFrameListStillShowsThePdos) {
    test::TempFolder project;
    test::writeFile(project / "TCobDef.xml", "<COBID><row Priority=\"6\" PGN=\"1\"/></COBID>");
    test::writeFile(project / "pdoJ1939.xml",
                    "<PDOJ1939><row COB-ID=\"0x201\" Dimension=\"4\" Offset=\"1\" "
                    "Frame_J1939=\"1\" Mnemonic=\"Setpoints\"/></PDOJ1939>");
    RecordingMessageSink messages;
    PdoMapping mapping(PdoDirection::Rpdo);
    mapping.load(project.path());
    mapping.tellLoadProblems(messages);
    EXPECT_EQ(messages.texts(),
              std::vector<std::string>{"TCobDef.xml, row 1: attribute 'ID_DEV' is missing"});
    EXPECT_TRUE(mapping.frameChoices().empty());
    EXPECT_EQ(mapping.rows()[0], pdo("0x201", "4", "1", "", "Setpoints"));
}

TEST(PdoMapping, ChecksEveryRowUpToTheFirstEmptyCobId) {
    const struct {
        PdoDefinition row;
        std::optional<std::string> message;
    } cases[] = {
        {pdo("0x001", "8", "1"), std::nullopt},
        {pdo("0x7FF", "1", "8"), std::nullopt},
        {pdo("0", "1", "1"), "!! COB-ID must be between 0x001 and 0x7FF. "},
        {pdo("0x800", "1", "1"), "!! COB-ID must be between 0x001 and 0x7FF. "},
        {pdo("x1G", "1", "1"), "!! COB-ID must be between 0x001 and 0x7FF. "},
        {pdo("0x181", "0", "1"), "!! Dimension must be between 1 and 8. "},
        {pdo("0x181", "9", "1"), "!! Dimension must be between 1 and 8. "},
        {pdo("0x181", "1", "0"), "!! Offset must be between 1 and 8. "},
        {pdo("0x181", "1", ""), "!! Offset must be between 1 and 8. "},
        {pdo("0x181", "8", "2"), "!! Dimension and Offset are not correct together. "},
        {pdo("0x181", "2", "8"), "!! Dimension and Offset are not correct together. "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row.cobId + " " + c.row.dimension + " " + c.row.offset);
        PdoMapping mapping(PdoDirection::Tpdo);
        mapping.rows()[0] = pdo("0x181", "2", "4");
        mapping.rows()[3] = c.row;
        // Row 4 is checked only below a full table.
        EXPECT_EQ(mapping.firstFailure(), std::nullopt);
        mapping.rows()[1] = mapping.rows()[2] = mapping.rows()[0];
        EXPECT_EQ(mapping.firstFailure(),
                  c.message ? std::optional("Error row 4" + *c.message) : std::nullopt);
    }

    PdoMapping mapping(PdoDirection::Rpdo);
    mapping.rows() = {pdo("0", "1", "1"), pdo("0x181", "1", "1"), pdo("0x182", "9", "1"),
                      pdo("0x183", "8", "2")};
    EXPECT_EQ(mapping.firstFailure(), "Error row 1!! COB-ID must be between 0x001 and 0x7FF. ");
    EXPECT_EQ(messagesOf(mapping.failures()),
              (std::vector<std::string>{
                  "Error row 1!! COB-ID must be between 0x001 and 0x7FF. ",
                  "Error row 3!! Dimension must be between 1 and 8. ",
                  "Error row 3!! Dimension and Offset are not correct together. ",
                  "Error row 4!! Dimension and Offset are not correct together. "}));
}

TEST(PdoMapping, SavesTheTableAndARowWithoutFrameComesBackAlike) {
    test::TempFolder project;
    writeReceivedFrames(project);
    PdoMapping mapping(PdoDirection::Tpdo);
    mapping.rows() = {pdo("0x181", "2", "4", "2;0xF004;0", "Engine speed"),
                      pdo("$281", "1", "1", "", ""), pdo("", "8", "1", "1;0xFEF1;0"),
                      pdo("0x481", "1", "1", "1;0xFEF1;0")};
    mapping.save(project.path());
    EXPECT_EQ(test::readFile(project / "TpdoJ1939.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<PDOJ1939>\n"
              "  <row COB-ID=\"0x181\" Dimension=\"2\" Offset=\"4\" Frame_J1939=\"2\" "
              "Mnemonic=\"Engine speed\" />\n"
              "  <row COB-ID=\"$281\" Dimension=\"1\" Offset=\"1\" Mnemonic=\"\" />\n"
              "</PDOJ1939>\n");

    RecordingMessageSink messages;
    PdoMapping again(PdoDirection::Tpdo);
    again.load(project.path());
    again.tellLoadProblems(messages);
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(again.rows()[0], mapping.rows()[0]);
    EXPECT_EQ(again.rows()[1], mapping.rows()[1]);
    EXPECT_EQ(again.rows()[2], PdoDefinition{});
}

} // namespace
} // namespace ordane
