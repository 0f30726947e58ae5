#include "CliRunner.h"
#include "TestSupport.h"

#include "core/MessageSink.h"
#include "documents/KeptSignals.h"
#include "model/J1939FrameList.h"
#include "model/SdoMapping.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runCli;
using test::TempFolder;
using test::writeFile;

const fs::path kDbc = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures" / "dbc";
const std::string kDemoDbc = (fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo.dbc").string();

std::vector<std::string> row(const J1939FrameList& list, int r) {
    std::vector<std::string> cells;
    for (int c = 1; c <= list.columnCount(); ++c)
        cells.push_back(list.cell(r, c));
    return cells;
}

TEST(DbcImportCommand, RebuildsTheDemoFrameListsAndMappingFromItsDatabase) {
    TempFolder project;
    const std::string folder = project.path().string();
    const auto received = runCli(
        {"import", folder, "received", kDemoDbc, "--node", "Gateway", "--map-signals", "0x2100"});
    ASSERT_EQ(received.status, 0) << received.err;
    EXPECT_NE(received.out.find("RCobDef.xml: 4 frames saved\n"), std::string::npos);
    EXPECT_NE(received.out.find("RInfoCob.xml: Index 0x2100 SubIndex 3: EngSpeed (SPN 190), 2 "
                                "Bytes, B1 byte 5, B2 byte 4, B3 None, B4 None\n"),
              std::string::npos)
        << received.out;
    EXPECT_NE(received.out.find("signal not mapped: EEC1.EngTorqueMode: does not start and end "
                                "on byte boundaries\n"),
              std::string::npos);

    J1939FrameList frames(FrameSide::Received);
    frames.load(project.path());
    EXPECT_EQ(frames.tableRows(), 4);
    EXPECT_EQ(row(frames, 1), (std::vector<std::string>{"0xF004", "0", "N", "EEC1"}));
    EXPECT_EQ(row(frames, 2), (std::vector<std::string>{"0xFEEE", "0", "N", "ET1"}));
    EXPECT_EQ(row(frames, 3), (std::vector<std::string>{"0xFEF1", "0", "N", "CCVS"}));
    EXPECT_EQ(row(frames, 4), (std::vector<std::string>{"0xFEEF", "0", "N", "EFL_P1"}));

    const auto transmitted = runCli({"import", folder, "transmitted", kDemoDbc, "--node", "Gateway",
                                     "--map-signals", "0x2200"});
    ASSERT_EQ(transmitted.status, 0) << transmitted.err;
    J1939FrameList sent(FrameSide::Transmitted);
    sent.load(project.path());
    EXPECT_EQ(sent.tableRows(), 3);
    EXPECT_EQ(row(sent, 1), (std::vector<std::string>{"6", "0", "0xFF10", "128", "GatewayStatus"}));
    EXPECT_EQ(row(sent, 3),
              (std::vector<std::string>{"3", "0", "0xEF00", "128", "PropA_Commands"}));

    SdoMapping mapping(SdoSide::Transmitted);
    mapping.load(project.path());
    EXPECT_TRUE(mapping.loadProblems().empty());
    EXPECT_TRUE(mapping.referenceProblems().empty());
    ASSERT_EQ(mapping.frames().size(), 3u);
    // Setpoints: two little-endian words; PropA: a 32-bit word and a big-endian word.
    EXPECT_EQ(mapping.entries(1), (std::vector<SdoMappingEntry>{{0x2201, 1, 1, {2, 1, 0, 0}, 0},
                                                                {0x2201, 2, 1, {4, 3, 0, 0}, 0}}));
    EXPECT_EQ(mapping.entries(2), (std::vector<SdoMappingEntry>{{0x2202, 1, 0, {4, 3, 2, 1}, 0},
                                                                {0x2202, 2, 1, {5, 6, 0, 0}, 0}}));
}

TEST(DbcImportCommand, WritesNothingOnAnyError) {
    TempFolder project;
    const std::string folder = project.path().string();
    const std::string frames = "<COBID><row PGN=\"1\" ID_DEV=\"2\" Mnemonic=\"kept\"/></COBID>";
    const std::string sdo = "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" "
                            "Dimension=\"2\" B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\"/></RInfoCob>";
    const std::string other = "<TInfoCob><row NrPdo=\"1\" Index=\"8449\" SubIndex=\"3\" "
                              "Dimension=\"2\" B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\" "
                              "Send_SDO=\"0\"/></TInfoCob>";
    writeFile(project / "RCobDef.xml", frames);
    writeFile(project / "RInfoCob.xml", sdo);
    writeFile(project / "TInfoCob.xml", other);
    writeFile(project / "bad.dbc", "VERSION \"\"\n\nBO_ 2364539904 EEC1: 8 Engine\n"
                                   " SG_ EngSpeed : 24|16@1+ (0.125,0) [0|8031.875]\n");

    struct Case {
        std::vector<std::string> arguments;
        std::string err;
    };
    const std::vector<Case> cases = {
        {{(project / "bad.dbc").string()},
         "bad.dbc, line 4: truncated or malformed SG_ line; expected SG_ <name> : "
         "<start>|<length>@<byte order><sign> (<factor>,<offset>) [<minimum>|<maximum>] "
         "\"<unit>\" <receivers>\n"},
        {{kDemoDbc, "--map-signals", "0x2100"},
         "RInfoCob.xml already holds 1 SDO entries; nothing was written. Give "
         "--replace-mapping to replace them.\n"},
        {{kDemoDbc, "--map-signals", "0x2100", "--replace-mapping"},
         "ET1 (0x18FEEE00), signal EngOilTemp1 (Index 0x2101, SubIndex 3): Error! The Index "
         "0x2101 and SubIndex 0x03 is already used in the Define SDO of Transmit J1939 "
         "section\n"},
        {{(kDbc / "null_address.dbc").string(), "--messages", "ET1"},
         "ET1 (0x18FEEEFE): source address 0xFE (null address) in the DBC: give the sender's "
         "address with --source-address\n"},
        {{(kDbc / "null_address.dbc").string(), "--source-address", "0xFE"},
         "The source address 0xFE is not between 0 and 253\n"},
        {{kDemoDbc, "--map-signals", "0x9FFE", "--replace-mapping"},
         "Error! The Index must be between 0x2000 and 0x9FFF\n"},
        {{kDemoDbc, "--messages", "EEC1,Nothing"}, "The DBC file has no message named Nothing\n"},
        {{kDemoDbc, "--pgn", "0xFEF2"}, "The DBC file has no J1939 message with the PGN 0xFEF2\n"},
        {{kDemoDbc, "--node", "Nobody"}, "The DBC file has no node named Nobody\n"},
        {{(kDbc / "mixed_crlf_cp1252.dbc").string(), "--messages", "Dashboard"},
         "No J1939 frame to import for the received list\n"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> arguments = {"import", folder, "received"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        const auto r = runCli(arguments);
        EXPECT_EQ(r.status, 1) << c.arguments[0];
        EXPECT_EQ(r.err, c.err);
    }
    EXPECT_EQ(readFile(project / "RCobDef.xml"), frames);
    EXPECT_EQ(readFile(project / "RInfoCob.xml"), sdo);

    // The standard message is named as skipped, with its reason.
    const auto skipped =
        runCli({"import", folder, "received", (kDbc / "mixed_crlf_cp1252.dbc").string(),
                "--messages", "Dashboard,CCVS"});
    EXPECT_EQ(skipped.status, 0) << skipped.err;
    EXPECT_EQ(skipped.out, "skipped Dashboard (identifier 0x00000123): standard 11-bit identifier, "
                           "not a J1939 frame\n"
                           "RCobDef.xml: 1 frames saved\n"
                           "removed: RInfoCob.xml row 1 (Index 0x2100 SubIndex 1): frame 1 (PGN "
                           "0x0001, source address 2) is no longer in the list\n"
                           "DbcSignals.xml: 1 messages and 0 signals kept\n");
}

// Two messages imported into the Demo without mapping their signals: the SDO mapping and
// the TPDOs follow their frames, those of the frames gone are removed, and the project
// still passes the check. --keep-references refuses instead and writes nothing.
TEST(DbcImportCommand, TheMappingFollowsItsFramesIntoTheImportedList) {
    TempFolder folder;
    const fs::path demo = folder / "Demo";
    fs::copy(fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo", demo, fs::copy_options::recursive);
    const std::vector<std::string> import = {"import", demo.string(), "received", kDemoDbc,
                                             "--messages", "CCVS,EEC1"};
    const std::string sdoBefore = readFile(demo / "RInfoCob.xml");
    const std::string framesBefore = readFile(demo / "RCobDef.xml");

    std::vector<std::string> keeping = import;
    keeping.push_back("--keep-references");
    const auto refused = runCli(keeping);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err.rfind("6 rows refer to a frame the import removes; nothing was "
                                "written (without --keep-references they are removed):\n",
                                0),
              0u)
        << refused.err;
    EXPECT_NE(refused.err.find("TpdoJ1939.xml row 2 (PDO 2, COB-ID 0x281): frame 2 (PGN 0xFEEE, "
                               "source address 0) is no longer in the list\n"),
              std::string::npos);
    EXPECT_EQ(readFile(demo / "RInfoCob.xml"), sdoBefore);
    EXPECT_EQ(readFile(demo / "RCobDef.xml"), framesBefore);

    const auto imported = runCli(import);
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_NE(imported.out.find("re-pointed: RInfoCob.xml row 6 (Index 0x2102 SubIndex 1): frame "
                                "3 is now frame 2\n"),
              std::string::npos)
        << imported.out;
    EXPECT_NE(imported.out.find("removed: RInfoCob.xml row 7 (Index 0x2103 SubIndex 1)"),
              std::string::npos);

    const auto sdo = readSdoMapping(demo, Side::Received);
    std::vector<std::pair<int, int>> frameAndIndex;
    for (const auto& row : sdo)
        frameAndIndex.emplace_back(row.nrPdo, row.entry.index);
    EXPECT_EQ(frameAndIndex,
              (std::vector<std::pair<int, int>>{{1, 0x2100}, {1, 0x2100}, {2, 0x2102}}));
    const std::string tpdo = readFile(demo / "TpdoJ1939.xml");
    EXPECT_NE(tpdo.find("COB-ID=\"0x181\" Dimension=\"2\" Offset=\"4\" Frame_J1939=\"1\""),
              std::string::npos)
        << tpdo;
    EXPECT_NE(tpdo.find("COB-ID=\"0x381\" Dimension=\"2\" Offset=\"2\" Frame_J1939=\"2\""),
              std::string::npos);
    EXPECT_EQ(tpdo.find("0x281"), std::string::npos);

    const auto check = runCli({"check", demo.string()});
    EXPECT_EQ(check.status, 0) << check.out;
}

TEST(DbcImportCommand, DbcOptionsNeedADbcFileAndTheWorkbookImportStays) {
    TempFolder project;
    writeFile(project / "in.csv", "cobid,id_dev_orig\r\n0xF004,0\r\n");
    const auto wrong = runCli({"import", project.path().string(), "received",
                               (project / "in.csv").string(), "--node", "Gateway"});
    EXPECT_EQ(wrong.status, 2);
    const auto csv =
        runCli({"import", project.path().string(), "received", (project / "in.csv").string()});
    EXPECT_EQ(csv.status, 0) << csv.err;
    EXPECT_EQ(csv.out, "RCobDef.xml: 1 frames saved\n");
    EXPECT_FALSE(fs::exists(project / "DbcSignals.xml"));
    // The extension decides, in any letter case.
    fs::copy_file(kDemoDbc, project / "DEMO.DBC");
    const auto upper = runCli({"import", project.path().string(), "transmitted",
                               (project / "DEMO.DBC").string(), "--pgn", "0xEF00"});
    EXPECT_EQ(upper.status, 0) << upper.err;
    EXPECT_EQ(upper.out, "TCobDef.xml: 1 frames saved\nDbcSignals.xml: 1 messages and 0 signals "
                         "kept\n");
}

TEST(DbcImportCommand, MessagesWithoutASourceAddressAreSkippedOrGivenOne) {
    TempFolder project;
    const std::string folder = project.path().string();
    const std::string mixed = (kDbc / "mixed_addresses.dbc").string();
    const auto without = runCli({"import", folder, "received", mixed});
    ASSERT_EQ(without.status, 0) << without.err;
    EXPECT_EQ(without.out,
              "skipped AMB (identifier 0x18FEF5FE): source address 0xFE (null address) in the "
              "DBC: give the sender's address with --source-address\n"
              "skipped HRW (identifier 0x08FE6EFE): source address 0xFE (null address) in the "
              "DBC: give the sender's address with --source-address\n"
              "RCobDef.xml: 3 frames saved\n"
              "DbcSignals.xml: 3 messages and 0 signals kept\n");

    const std::string published = (kDbc / "null_address.dbc").string();
    const auto nothing = runCli({"import", folder, "received", published});
    EXPECT_EQ(nothing.status, 1);
    EXPECT_EQ(nothing.err, "No J1939 frame to import for the received list\n");

    for (const char* side : {"received", "transmitted"}) {
        const auto r = runCli({"import", folder, side, published, "--source-address", "0x21",
                               "--map-signals", side == std::string("received") ? "0x2100" : "0x2200",
                               "--replace-mapping"});
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_NE(r.out.find("DbcSignals.xml: 4 messages and 8 signals kept\n"), std::string::npos)
            << r.out;
    }
    J1939FrameList sent(FrameSide::Transmitted);
    sent.load(project.path());
    EXPECT_EQ(row(sent, 4), (std::vector<std::string>{"3", "0", "0x0000", "33", "TSC1"}));

    // Read back; a re-import of one side replaces that side's part only.
    const auto again =
        runCli({"import", folder, "received", published, "--source-address", "7", "--messages",
                "CCVS1", "--map-signals", "0x2100", "--replace-mapping"});
    ASSERT_EQ(again.status, 0) << again.err;
    const KeptSignals kept = KeptSignals::load(project.path());
    ASSERT_EQ(kept.side(Side::Received).frames.size(), 1u);
    EXPECT_EQ(kept.side(Side::Received).frames[0],
              (KeptFrame{1, "CCVS1", 0x18FEF1FE, 8, 0xFEF1, 7}));
    ASSERT_EQ(kept.side(Side::Received).signalList.size(), 1u);
    const KeptSignal& speed = kept.side(Side::Received).signalList[0];
    EXPECT_EQ(speed.name, "WheelBasedVehicleSpeed");
    EXPECT_EQ(speed.entry, (SdoMappingEntry{0x2100, 1, 1, {3, 2, 0, 0}, 0}));
    EXPECT_EQ(speed.spn, 84);
    EXPECT_EQ(kept.side(Side::Transmitted).frames.size(), 4u);
    const KeptSignal* torque = kept.signal(Side::Transmitted, 0x2203, 2);
    ASSERT_NE(torque, nullptr);
    EXPECT_EQ(torque->name, "EngineRequestedTorque");
    EXPECT_EQ(torque->offset, -125);
    const KeptSignal* engineSpeed = kept.signal(Side::Transmitted, 0x2200, 2);
    ASSERT_NE(engineSpeed, nullptr);
    EXPECT_EQ(engineSpeed->comment, "Actual engine speed, calculated over a minimum crankshaft "
                                    "angle of 720 degrees divided by the number of cylinders.");

    // A kept-signals file that cannot be read stops the import before anything is written.
    writeFile(project / "DbcSignals.xml", "<DbcSignals><Frame/></DbcSignals>");
    const std::string before = readFile(project / "RCobDef.xml");
    const auto damaged = runCli({"import", folder, "received", mixed});
    EXPECT_EQ(damaged.status, 1);
    EXPECT_EQ(damaged.err, "DbcSignals.xml, row 1: attribute 'Side' is missing\n");
    EXPECT_EQ(readFile(project / "RCobDef.xml"), before);
}

} // namespace
} // namespace ordane
