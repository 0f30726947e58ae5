#include "TestSupport.h"

#include "core/Error.h"
#include "model/FrameReferences.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::TempFolder;
using test::writeFile;

std::vector<FrameIdentity> identities(std::initializer_list<std::pair<const char*, const char*>> list) {
    std::vector<FrameIdentity> result;
    for (const auto& [pgn, sa] : list)
        result.push_back(frameIdentity(pgn, sa));
    return result;
}

TEST(FrameReferences, FramesFollowByPgnAndSourceAddress) {
    struct Case {
        const char* what;
        std::vector<FrameIdentity> before, after;
        std::vector<int> numbers; // from frame 1
    };
    const Case cases[] = {
        {"moved and removed",
         identities({{"0xF004", "0"}, {"0xFEEE", "0"}, {"0xFEF1", "0"}}),
         identities({{"0xFEF1", "0"}, {"0xF004", "0"}}),
         {2, 0, 1}},
        {"numbers by value, other text as it stands",
         identities({{"65265", "$10"}, {"abc", "1"}, {"0xFEF1", "17"}}),
         identities({{"abc", "1"}, {"0xFEF1", "16"}}),
         {2, 1, 0}},
        {"the same frame twice: paired in order",
         identities({{"1", "2"}, {"1", "2"}, {"3", "4"}}),
         identities({{"3", "4"}, {"1", "2"}}),
         {2, 0, 1}},
        {"another source address is another frame",
         identities({{"0xF004", "0"}}), identities({{"0xF004", "1"}}), {0}},
    };
    for (const Case& c : cases) {
        std::vector<int> expected{0};
        expected.insert(expected.end(), c.numbers.begin(), c.numbers.end());
        EXPECT_EQ(followFrames(c.before, c.after), expected) << c.what;
    }
}

// Frames A (1), B (2), C (3); entries on each, two PDOs and one without a frame.
struct Project {
    TempFolder folder;
    Project() {
        writeFile(folder / "RCobDef.xml", "<COBID><row PGN=\"0xA\" ID_DEV=\"1\"/>"
                                          "<row PGN=\"0xB\" ID_DEV=\"1\"/>"
                                          "<row PGN=\"0xC\" ID_DEV=\"1\"/></COBID>");
        writeFile(folder / "RInfoCob.xml",
                  "<RInfoCob>"
                  "<row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
                  "B2=\"0\" B3=\"0\" B4=\"0\" Note=\"a\"/>"
                  "<row NrPdo=\"2\" Index=\"8449\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
                  "B2=\"0\" B3=\"0\" B4=\"0\"/>"
                  "<row NrPdo=\"3\" Index=\"8450\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
                  "B2=\"0\" B3=\"0\" B4=\"0\"/>"
                  "<row NrPdo=\"9\" Index=\"8451\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
                  "B2=\"0\" B3=\"0\" B4=\"0\"/>"
                  "</RInfoCob>");
        writeFile(folder / "TpdoJ1939.xml",
                  "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"1\" Offset=\"1\" "
                  "Frame_J1939=\"3\" Mnemonic=\"c\"/>"
                  "<row COB-ID=\"0x281\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"2\" "
                  "Mnemonic=\"b\"/>"
                  "<row COB-ID=\"0x381\" Dimension=\"1\" Offset=\"1\" Mnemonic=\"none\"/>"
                  "</PDOJ1939>");
    }
};

std::vector<std::string> lines(const std::vector<FrameReference>& refs) {
    std::vector<std::string> result;
    for (const FrameReference& ref : refs)
        result.push_back(ref.line());
    return result;
}

TEST(FrameReferences, ReferencesFollowTheirFramesAndLostOnesAreRemoved) {
    Project p;
    // C first, then A; B is gone.
    const auto after = identities({{"12", "1"}, {"0xA", "1"}});
    const FrameReferencePlan plan = planFrameReferences(p.folder.path(), Side::Received, after);
    EXPECT_EQ(lines(plan.moved),
              (std::vector<std::string>{
                  "RInfoCob.xml row 1 (Index 0x2100 SubIndex 1): frame 1 is now frame 2",
                  "RInfoCob.xml row 3 (Index 0x2102 SubIndex 1): frame 3 is now frame 1",
                  "TpdoJ1939.xml row 1 (PDO 1, COB-ID 0x181): frame 3 is now frame 1"}));
    EXPECT_EQ(lines(plan.lost),
              (std::vector<std::string>{
                  "RInfoCob.xml row 2 (Index 0x2101 SubIndex 1): frame 2 (PGN 0x000B, source "
                  "address 1) is no longer in the list",
                  "RInfoCob.xml row 4 (Index 0x2103 SubIndex 1): frame 9 is not in the list",
                  "TpdoJ1939.xml row 2 (PDO 2, COB-ID 0x281): frame 2 (PGN 0x000B, source "
                  "address 1) is no longer in the list"}));

    const std::string before = test::readFile(p.folder / "RInfoCob.xml");
    const auto documents = repointedDocuments(p.folder.path(), plan);
    EXPECT_EQ(test::readFile(p.folder / "RInfoCob.xml"), before) << "written before asked";
    writePlannedDocuments(documents);

    // Grouped in the new frame order; what the rows hold besides stays.
    const auto sdo = readSdoMapping(p.folder.path(), Side::Received);
    ASSERT_EQ(sdo.size(), 2u);
    EXPECT_EQ(sdo[0].nrPdo, 1);
    EXPECT_EQ(sdo[0].entry.index, 8450);
    EXPECT_EQ(sdo[1].nrPdo, 2);
    EXPECT_EQ(sdo[1].entry.index, 8448);
    EXPECT_NE(test::readFile(p.folder / "RInfoCob.xml").find("Note=\"a\""), std::string::npos);
    const std::string pdo = test::readFile(p.folder / "TpdoJ1939.xml");
    EXPECT_NE(pdo.find("COB-ID=\"0x181\" Dimension=\"1\" Offset=\"1\" Frame_J1939=\"1\""),
              std::string::npos) << pdo;
    EXPECT_EQ(pdo.find("0x281"), std::string::npos);
    EXPECT_NE(pdo.find("Mnemonic=\"none\""), std::string::npos);

    // The same list again changes nothing.
    writeFile(p.folder / "RCobDef.xml", "<COBID><row PGN=\"12\" ID_DEV=\"1\"/>"
                                        "<row PGN=\"0xA\" ID_DEV=\"1\"/></COBID>");
    const auto again = planFrameReferences(p.folder.path(), Side::Received, after);
    EXPECT_FALSE(again.changesDocuments());
}

TEST(FrameReferences, AReplacedMappingIsLeftOutAndAnUnreadableDocumentStopsThePlan) {
    Project p;
    const auto after = identities({{"0xC", "1"}});
    const auto plan = planFrameReferences(p.folder.path(), Side::Received, after, false);
    for (const auto& ref : plan.moved)
        EXPECT_EQ(ref.document, "TpdoJ1939.xml");
    EXPECT_EQ(plan.lost.size(), 1u);

    writeFile(p.folder / "TpdoJ1939.xml", "<PDOJ1939><row");
    EXPECT_NE(test::thrownText([&] { planFrameReferences(p.folder.path(), Side::Received, after); })
                  .find("TpdoJ1939.xml"),
              std::string::npos);
}

} // namespace
} // namespace ordane
