#include "model/SdoMapping.h"
#include "documents/MappingConflicts.h"

#include "core/MessageSink.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

using Kind = RecordingMessageSink::Kind;

TEST(SdoObjectRules, FindsFixedObjectsAndRepeatsAcrossBothDocuments) {
    test::TempFolder project;
    test::writeFile(project / "RInfoCob.xml",
                    "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\"/>"
                    "<row NrPdo=\"1\" Index=\"0x2020\" SubIndex=\"1\"/></RInfoCob>");
    test::writeFile(project / "tinfocob.XML",
                    "<TInfoCob><row NrPdo=\"1\" Index=\"0x2101\" SubIndex=\"0\"/>"
                    "<row NrPdo=\"2\" Index=\"$2100\" SubIndex=\"0x01\"/></TInfoCob>");
    const auto conflicts = findMappingConflicts(project.path());
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0].document, "RInfoCob.xml");
    EXPECT_EQ(conflicts[0].row, 2);
    EXPECT_EQ(conflicts[0].message,
              "Error! The Index 0x2020 is already used by a fixed object of the converter");
    EXPECT_EQ(conflicts[1].document, "TInfoCob.xml");
    EXPECT_EQ(conflicts[1].row, 2);
    EXPECT_EQ(conflicts[1].message, "Error! The Index 0x2100 and SubIndex 0x01 is already used");
}

// Four received frames, three transmitted ones.
void writeFrames(const test::TempFolder& project) {
    test::writeFile(project / "RCobDef.xml",
                    "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"EEC1\"/>"
                    "<row PGN=\"65262\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/>"
                    "<row PGN=\"0xFEF1\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/>"
                    "<row PGN=\"0xFEEF\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/></COBID>");
    test::writeFile(
        project / "TCobDef.xml",
        "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"0xFF10\" ID_DEV=\"0x80\" Mnemonic=\"\"/>"
        "<row Priority=\"6\" DP=\"0\" PGN=\"0xFF11\" ID_DEV=\"128\" Mnemonic=\"\"/>"
        "<row Priority=\"3\" DP=\"0\" PGN=\"0xEF00\" ID_DEV=\"0x80\" Mnemonic=\"\"/></COBID>");
}

SdoMappingEntry entryOf(std::int32_t index, std::int32_t subIndex, std::int32_t dimension = 0) {
    SdoMappingEntry e;
    e.index = index;
    e.subIndex = subIndex;
    e.dimension = dimension;
    return e;
}

TEST(SdoMapping, LoadsFramesWithLabelsAndSkipsEntriesBeyondTheFrames) {
    test::TempFolder project;
    writeFrames(project);
    test::writeFile(project / "RInfoCob.xml",
                    "<RInfoCob>"
                    "<row NrPdo=\"2\" Index=\"$2101\" SubIndex=\"0x01\" Dimension=\"2\" B1=\"1\" "
                    "B2=\"0\" B3=\"0\" B4=\"0\"/>"
                    "<row NrPdo=\"5\" Index=\"zz\"/>"
                    "<row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"1\" B1=\"5\" "
                    "B2=\"4\" B3=\"3\" B4=\"2\"/></RInfoCob>");
    RecordingMessageSink messages;
    SdoMapping received(SdoSide::Received);
    received.load(project.path());
    received.tellLoadProblems(messages);
    EXPECT_TRUE(messages.messages().empty());
    ASSERT_EQ(received.frames().size(), 4u);
    EXPECT_EQ(received.frames()[0].label, "0xF004\t0");
    EXPECT_EQ(received.frames()[1].label, "65262\t0");
    EXPECT_EQ(received.frames()[3].number, 4);
    SdoMappingEntry speed = entryOf(0x2100, 1, 1);
    speed.bytes = {5, 4, 3, 2};
    EXPECT_EQ(received.entries(0), std::vector<SdoMappingEntry>{speed});
    SdoMappingEntry temperature = entryOf(0x2101, 1, 2);
    temperature.bytes = {1, 0, 0, 0};
    EXPECT_EQ(received.entries(1), std::vector<SdoMappingEntry>{temperature});

    // Saved in frame order, all values decimal, the entry of frame 5 gone.
    received.save(project.path());
    EXPECT_EQ(test::readFile(project / "RInfoCob.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<RInfoCob>\n"
              "  <row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"1\" B1=\"5\" B2=\"4\" "
              "B3=\"3\" B4=\"2\" />\n"
              "  <row NrPdo=\"2\" Index=\"8449\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" B2=\"0\" "
              "B3=\"0\" B4=\"0\" />\n"
              "</RInfoCob>\n");

    SdoMapping transmitted(SdoSide::Transmitted);
    transmitted.load(project.path());
    transmitted.tellLoadProblems(messages);
    ASSERT_EQ(transmitted.frames().size(), 3u);
    EXPECT_EQ(transmitted.frames()[1].label, "6\t0\t0xFF11\t128");
}

TEST(SdoMapping, ReadingFailuresKeepWhatWasReadBefore) {
    struct Case {
        const char* name;
        const char* document;
        std::string text;
        std::vector<RecordingMessageSink::Message> messages;
        std::size_t frames;
        std::size_t entriesOfFrame1;
    };
    const char* good = "<row NrPdo=\"1\" Index=\"8192\" SubIndex=\"1\" Dimension=\"0\" B1=\"1\" "
                       "B2=\"2\" B3=\"3\" B4=\"4\" Send_SDO=\"1\"/>";
    const Case cases[] = {
        {"frame without ID_DEV",
         "TCobDef.xml",
         "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"1\" ID_DEV=\"2\"/>"
         "<row Priority=\"6\" DP=\"0\" PGN=\"1\"/><row Priority=\"6\" DP=\"0\" PGN=\"1\" "
         "ID_DEV=\"2\"/></COBID>",
         {{Kind::Info, "Error in reading file PDO XML"}},
         1,
         0},
        {"entry without Send_SDO",
         "TInfoCob.xml",
         std::string("<TInfoCob>")
             .append(good)
             .append(
                 "<row NrPdo=\"1\" Index=\"8193\" SubIndex=\"1\" Dimension=\"0\" B1=\"1\" B2=\"2\" "
                 "B3=\"3\" B4=\"4\"/></TInfoCob>"),
         {{Kind::Info, "Error in reading file SDOPDO XML"}},
         3,
         1},
        {"NrPdo below 1",
         "TInfoCob.xml",
         std::string("<TInfoCob>")
             .append(good)
             .append("<row NrPdo=\"0\"/>")
             .append(good)
             .append("</TInfoCob>"),
         {{Kind::Info, "Error in reading file SDOPDO XML"}},
         3,
         1},
        {"other side unreadable",
         "RInfoCob.xml",
         "<RInfoCob><row NrPdo=\"1\" Index=\"0x2200\" SubIndex=\"x\"/></RInfoCob>",
         {{Kind::Error, "RInfoCob.xml, row 1, SubIndex: 'x' is not a valid integer value"}},
         3,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project;
        writeFrames(project);
        test::writeFile(project / c.document, c.text);
        RecordingMessageSink messages;
        SdoMapping mapping(SdoSide::Transmitted);
        mapping.load(project.path());
        mapping.tellLoadProblems(messages);
        EXPECT_EQ(messages.messages(), c.messages);
        ASSERT_EQ(mapping.frames().size(), c.frames);
        EXPECT_EQ(mapping.entries(0).size(), c.entriesOfFrame1);
    }
}

// Received side: frame 1 maps 0x2100 sub 1 and 2, frame 2 maps 0x2101 sub 1; the
// transmitted side already maps 0x2000 sub 0.
class SdoMappingCheck : public ::testing::Test {
protected:
    void SetUp() override {
        writeFrames(m_project);
        test::writeFile(m_project / "TInfoCob.xml",
                        "<TInfoCob><row NrPdo=\"1\" Index=\"8192\" SubIndex=\"0\" Dimension=\"0\" "
                        "B1=\"1\" B2=\"2\" B3=\"3\" B4=\"4\" Send_SDO=\"1\"/></TInfoCob>");
        RecordingMessageSink messages;
        m_mapping.load(m_project.path());
        m_mapping.tellLoadProblems(messages);
        ASSERT_TRUE(messages.messages().empty());
        m_mapping.addEntry(0, entryOf(0x2100, 1));
        m_mapping.addEntry(0, entryOf(0x2100, 2));
        m_mapping.addEntry(1, entryOf(0x2101, 1));
    }

    test::TempFolder m_project;
    SdoMapping m_mapping{SdoSide::Received};
};

TEST_F(SdoMappingCheck, NewEntries) {
    const std::string used = " is already used";
    const struct {
        const char* index;
        const char* subIndex;
        std::optional<std::string> message;
    } cases[] = {
        {"0x2000", "1", std::nullopt},
        {"0x9FFF", "255", std::nullopt},
        {"0x1FFF", "0", "Error! The Index must be between 0x2000 and 0x9FFF"},
        {"0xA000", "0", "Error! The Index must be between 0x2000 and 0x9FFF"},
        {"0x2001", "256", "Error! The SubIndex must be between 0 and 255"},
        {"0x2001", "-1", "Error! The SubIndex must be between 0 and 255"},
        // Both texts are read before any range is tested.
        {"0x1000", "1 ", "'1 ' is not a valid integer value"},
        {"", "0", "'' is not a valid integer value"},
        {"0x2010", "0",
         "Error! The Index 0x2010 is already used by a fixed object of the converter"},
        {"0x2020", "1",
         "Error! The Index 0x2020 is already used by a fixed object of the converter"},
        {"0x202D", "8",
         "Error! The Index 0x202D is already used by a fixed object of the converter"},
        {"0x2024", "0", std::nullopt},
        {"0x2029", "0", std::nullopt},
        {"0x2000", "0",
         "Error! The Index 0x2000 and SubIndex 0x00 is already used in the Define SDO of "
         "Transmit J1939 section"},
        {"$2100", "0x02", "Error! The Index 0x2100 and SubIndex 0x02" + used},
        {"8449", "1", "Error! The Index 0x2101 and SubIndex 0x01" + used},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.index) + " / " + c.subIndex);
        EXPECT_EQ(m_mapping.checkEntry(c.index, c.subIndex, std::nullopt), c.message);
    }
}

TEST_F(SdoMappingCheck, ModifyLeavesOutOnlyTheEntryItself) {
    const SdoEntryPosition first{0, 0};
    EXPECT_EQ(m_mapping.checkEntry("0x2100", "1", first), std::nullopt);
    // Another entry of the same frame, and the entry at the same position in frame 2.
    EXPECT_EQ(m_mapping.checkEntry("0x2100", "2", first),
              "Error! The Index 0x2100 and SubIndex 0x02 is already used");
    EXPECT_EQ(m_mapping.checkEntry("0x2101", "1", first),
              "Error! The Index 0x2101 and SubIndex 0x01 is already used");
}

TEST_F(SdoMappingCheck, TransmittedSideNamesTheReceiveSection) {
    m_mapping.save(m_project.path());
    SdoMapping transmitted(SdoSide::Transmitted);
    RecordingMessageSink messages;
    transmitted.load(m_project.path());
    transmitted.tellLoadProblems(messages);
    ASSERT_TRUE(messages.messages().empty());
    EXPECT_EQ(transmitted.checkEntry("0x2101", "1", std::nullopt),
              "Error! The Index 0x2101 and SubIndex 0x01 is already used in the Define SDO of "
              "Receive J1939 section");
    EXPECT_EQ(transmitted.checkEntry("0x2000", "0", std::nullopt),
              "Error! The Index 0x2000 and SubIndex 0x00 is already used");
}

TEST_F(SdoMappingCheck, EditingThenSavingKeepsFrameThenEntryOrder) {
    SdoMappingEntry setpoint = entryOf(0x2000, 0x10, 1);
    setpoint.bytes = {2, 1, 7, 8}; // bytes 3 and 4 disabled by "2 Bytes" are saved as chosen
    m_mapping.addEntry(2, entryOf(0x2300, 0));
    EXPECT_EQ(m_mapping.addEntry(0, setpoint), 2u);
    m_mapping.modifyEntry({1, 0}, entryOf(0x2101, 9, 2));
    m_mapping.deleteEntry({0, 0});
    EXPECT_EQ(m_mapping.entry({0, 1}), setpoint);
    m_mapping.save(m_project.path());
    EXPECT_EQ(test::readFile(m_project / "RInfoCob.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<RInfoCob>\n"
              "  <row NrPdo=\"1\" Index=\"8448\" SubIndex=\"2\" Dimension=\"0\" B1=\"0\" B2=\"0\" "
              "B3=\"0\" B4=\"0\" />\n"
              "  <row NrPdo=\"1\" Index=\"8192\" SubIndex=\"16\" Dimension=\"1\" B1=\"2\" B2=\"1\" "
              "B3=\"7\" B4=\"8\" />\n"
              "  <row NrPdo=\"2\" Index=\"8449\" SubIndex=\"9\" Dimension=\"2\" B1=\"0\" B2=\"0\" "
              "B3=\"0\" B4=\"0\" />\n"
              "  <row NrPdo=\"3\" Index=\"8960\" SubIndex=\"0\" Dimension=\"0\" B1=\"0\" B2=\"0\" "
              "B3=\"0\" B4=\"0\" />\n"
              "</RInfoCob>\n");
}

TEST_F(SdoMappingCheck, ClipboardStartsEmptyAndSurvivesLoading) {
    EXPECT_EQ(m_mapping.clipboard(), SdoMappingEntry{});
    SdoMappingEntry positions = entryOf(0, 0, 2);
    positions.bytes = {3, 0, 0, 0};
    EXPECT_EQ(m_mapping.copy("0x2100", "x", positions), "'x' is not a valid integer value");
    EXPECT_EQ(m_mapping.clipboard(), SdoMappingEntry{});
    // Copy takes any number; the range is New's and Modify's matter.
    EXPECT_EQ(m_mapping.copy("0x12345", "300", positions), std::nullopt);
    RecordingMessageSink messages;
    m_mapping.load(m_project.path());
    m_mapping.tellLoadProblems(messages);
    SdoMappingEntry expected = positions;
    expected.index = 0x12345;
    expected.subIndex = 300;
    EXPECT_EQ(m_mapping.clipboard(), expected);
}

} // namespace
} // namespace ordane
