#include "simulator/Simulation.h"
#include "CliRunner.h"
#include "TestSupport.h"
#include "core/Error.h"
#include "simulator/LogFileOutput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::runCli;
using test::TempFolder;
using test::writeFile;

// Node 5. Received frame 1: PGN 0xFEF1 from 0x00; frame 2: PGN 0xEF00 (PDU1) from 0x21.
// Transmitted frame 1: 0x18FF1180. Objects: 0x2100/1, two bytes, B1 = byte 4, B2 = byte 3
// of received frame 1 (a little-endian signal in bytes 3..4); 0x2100/2, one byte, byte 8 of
// received frame 2; 0x2200/1, one byte into byte 2 of the transmitted frame, sent on write;
// 0x2200/2, four bytes into bytes 8, 7, 6, 5, not sent. TPDO 0x181: bytes 3..4 of received
// frame 1; TPDO 0x182: byte 8 of received frame 2. RPDO 0x201: two bytes into bytes 3..4.
SimulationProject testProject(bool startOperational, bool onChange) {
    SimulationProject p;
    p.received = {{true, 0xFEF1, 0x00, "CCVS"}, {true, 0xEF00, 0x21, "PDU1 frame"}};
    p.transmitted = {{true, 0x18FF1180, "Setpoints"}};
    p.receivedObjects = {{0x2100, 1, 2, 0, {4, 3, 0, 0}, false},
                         {0x2100, 2, 1, 1, {8, 5, 5, 5}, false}};
    p.transmittedObjects = {{0x2200, 1, 1, 0, {2, 0, 0, 0}, true},
                            {0x2200, 2, 4, 0, {8, 7, 6, 5}, false}};
    p.tpdos = {{0x181, 2, 3, 0, 1, ""}, {0x182, 1, 8, 1, 2, ""}};
    p.rpdos = {{0x201, 2, 3, 0, 1, ""}};
    p.nodeId = 5;
    p.startOperational = startOperational;
    p.tpdoOnChange = onChange;
    p.tpdoPeriodMs = 100;
    return p;
}

struct EngineCase {
    const char* name;
    bool startOperational;
    bool onChange;
    const char* log;
    const char* expected; // lines of OUT, without their CR LF
};

const EngineCase kEngineCases[] = {
    {"TwoByteLittleEndianSignalReadBySdo", false, true,
     "(1.000000) j1939 18FEF100#0011223344556677\n"
     "(2.000000) canopen 605#4000210100000000\n",
     "(0000000002.000000) canopen 585#4B00210122330000\n"},
    {"Pdu1DestinationIsIgnored", true, true,
     "(1.0) j1939 18EF0521#00000000000000A1\n"
     "(1.1) j1939 18EFFF21#00000000000000A2\n"
     "(1.2) j1939 18EF0522#00000000000000A3\n"  // another source address
     "(1.3) j1939 19EF0521#00000000000000A4\n"  // data page 1
     "(1.4) j1939 14EF0521#00000000000000A5\n"  // another priority
     "(1.5) j1939 18FEF200#0000000000000000\n", // PDU2: the PDU specific byte counts
     "(0000000001.000000) canopen 182#A1\n"
     "(0000000001.100000) canopen 182#A2\n"
     "(0000000001.400000) canopen 182#A5\n"},
    {"OnChangeTpdoOnceForEqualFrames", true, true,
     "(1.0) j1939 18FEF100#0011223344556677\n"
     "(1.1) j1939 18FEF100#0011223344556677\n"
     "(1.2) j1939 18FEF100#FF11223344556677\n" // a byte outside the TPDO
     "(1.3) j1939 18FEF100#FF11AA3344556677\n"
     "(1.4) j1939 18FEF100#FF11\n", // short: bytes 3 and 4 read 0x00
     "(0000000001.000000) canopen 181#2233\n"
     "(0000000001.300000) canopen 181#AA33\n"
     "(0000000001.400000) canopen 181#0000\n"},
    {"CyclicTpdosAtTheirDueTimes", true, false,
     "(1.000000) j1939 18FEF100#0011223344556677\n"
     "(1.200000) j1939 18FEF100#0011AABB44556677\n" // at a due time: the frame comes first
     "(1.350000) other 123#00\n",
     "(0000000001.000000) canopen 181#2233\n"
     "(0000000001.100000) canopen 181#2233\n"
     "(0000000001.200000) canopen 181#AABB\n"
     "(0000000001.300000) canopen 181#AABB\n"},
    {"CyclicTpdosRunToTheEndOfTheLogOnlyInOperational", false, false,
     "(1.000) j1939 18FEF100#0011223344556677\n" // Pre-operational: not sent
     "(1.150) canopen 000#0100\n"                // start all
     "(1.250) canopen 000#0205\n"                // stop node 5
     "(1.350) canopen 000#0105\n"
     "(1.400) other 123#00\n", // the end of the log is a due time
     "(0000000001.200000) canopen 181#2233\n"
     "(0000000001.400000) canopen 181#2233\n"},
    {"SdoServerAnswersAndAborts", false, true,
     "(1.00) canopen 605#2B00210134120000\n" // download to a received object: read only
     "(1.10) canopen 605#4000230000000000\n" // no such object
     "(1.20) canopen 605#2B00220134120000\n" // two bytes to a one-byte object
     "(1.30) canopen 605#2100220101000000\n" // segmented download
     "(1.35) canopen 605#2100220102000000\n" // segmented, announcing two bytes
     "(1.40) canopen 605#6000000000000000\n" // upload segment: nothing under way
     "(1.50) canopen 605#2F002201AB000000\n" // stored and sent (Send_SDO)
     "(1.60) canopen 605#2300220278563412\n" // four bytes, not sent
     "(1.70) canopen 605#2F002201CD000000\n"
     "(1.80) canopen 605#4000220200000000\n"  // reads back what was written
     "(1.90) canopen 605#2200220101000000\n"  // no size given: the object's size
     "(2.00) canopen 606#4000210100000000\n"  // another node
     "(2.10) canopen 605#8000220100000000\n", // the master aborts: no answer
     "(0000000001.000000) canopen 585#8000210102000106\n"
     "(0000000001.100000) canopen 585#8000230000000206\n"
     "(0000000001.200000) canopen 585#8000220110000706\n"
     "(0000000001.300000) canopen 585#8000220101000405\n"
     "(0000000001.350000) canopen 585#8000220110000706\n"
     "(0000000001.400000) canopen 585#8000000001000405\n"
     "(0000000001.500000) canopen 585#6000220100000000\n"
     "(0000000001.500000) j1939 18FF1180#00AB000000000000\n"
     "(0000000001.600000) canopen 585#6000220200000000\n"
     "(0000000001.700000) canopen 585#6000220100000000\n"
     "(0000000001.700000) j1939 18FF1180#00CD000078563412\n"
     "(0000000001.800000) canopen 585#4300220278563412\n"
     "(0000000001.900000) canopen 585#6000220100000000\n"
     "(0000000001.900000) j1939 18FF1180#0001000078563412\n"},
    {"NmtStateGovernsPdosAndSdo", true, true,
     "(1.0) j1939 18FEF100#0011223344556677\n"
     "(1.1) canopen 000#0205\n" // stop node 5
     "(1.2) j1939 18FEF100#0011AABB44556677\n"
     "(1.3) canopen 605#4000210100000000\n"
     "(1.4) canopen 201#1122\n"
     "(1.5) canopen 000#0206\n" // for another node
     "(1.6) j1939 18FEF100#0011CCDD44556677\n"
     "(1.7) canopen 000#0100\n" // start all
     "(1.8) j1939 18FEF100#0011CCDD44556677\n"
     "(1.9) canopen 000#8000\n" // all to Pre-operational
     "(2.0) canopen 605#4000210100000000\n"
     "(2.1) canopen 201#1122\n"
     "(2.2) canopen 000#8205\n" // reset communication: back to the start state
     "(2.3) canopen 201#1122\n",
     "(0000000001.000000) canopen 181#2233\n"
     "(0000000001.800000) canopen 181#CCDD\n"
     "(0000000002.000000) canopen 585#4B002101CCDD0000\n"
     "(0000000002.300000) j1939 18FF1180#0000112200000000\n"},
    {"RpdoShorterThanItsDimensionIsIgnored", true, true,
     "(1.0) canopen 201#11\n"
     "(1.1) canopen 201#AABBCC\n",
     "(0000000001.100000) j1939 18FF1180#0000AABB00000000\n"},
};

class Engine : public testing::TestWithParam<EngineCase> {};

std::string crlf(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// Where the python-can check collects every OUT these tests write.
void keepForTheLogCheck(const fs::path& out, const std::string& name) {
    if (const char* folder = std::getenv("ORDANE_SIMULATION_OUT_DIR"))
        fs::copy_file(out, fs::path(folder) / (name + ".log"),
                      fs::copy_options::overwrite_existing);
}

TEST_P(Engine, SendsTheHandWorkedFrames) {
    const EngineCase& c = GetParam();
    const SimulationProject project = testProject(c.startOperational, c.onChange);
    TempFolder folder;
    const fs::path out = folder / "out.log";
    {
        LogFileOutput file(out);
        std::istringstream log(c.log);
        simulateLog(project, log, "t.log", {}, file);
        file.commit();
    }
    EXPECT_EQ(readFile(out), crlf(c.expected));
    keepForTheLogCheck(out, c.name);
}

INSTANTIATE_TEST_SUITE_P(Cases, Engine, testing::ValuesIn(kEngineCases),
                         [](const auto& param) { return std::string(param.param.name); });

class Recorder : public FrameOutput {
public:
    void send(const CanFrame&) override { ++frames; }
    int frames = 0;
};

TEST(Simulation, ValuesAndSummaryAtTheEnd) {
    const SimulationProject project = testProject(false, true);
    Recorder recorder;
    std::istringstream log("(1.0) j1939 18FEF100#0011223344556677\n"
                           "(1.1) j1939 18EF0521#00000000000000A1\n"
                           "(1.2) canopen 605#2F002201AB000000\n"
                           "(1.3) canopen 605#4000230000000000\n"
                           "(1.4) j1939 18FECA00#00\n"
                           "(1.5) j1939 18FECA00#00\n"
                           "(1.6) j1939 0CF00400#00\n"
                           "(1.7) vcan0 123#R\n"
                           "(1.8) vcan0 123#00\n");
    const SimulationRun run = simulateLog(project, log, "t.log", {}, recorder);
    EXPECT_EQ(valuesCsv(run.values), "0x2100,0x01,0x00003322\r\n"
                                     "0x2100,0x02,0x000000A1\r\n"
                                     "0x2200,0x01,0x000000AB\r\n"
                                     "0x2200,0x02,0x00000000\r\n");
    for (const char* line : {
             "Log: 9 lines; frames read: j1939 5, canopen 2, vcan0 1 (ignored)\n",
             "Skipped: 1 remote, 0 CAN FD, 0 error frames\n",
             "  row 1 PGN 0xFEF1 SA 0x00 (CCVS): 1\n",
             "  row 2 PGN 0xEF00 SA 0x21 (PDU1 frame): 1\n",
             "Frames that matched no row: 3\n  PGN 0xFECA SA 0x00: 2\n  PGN 0xF004 SA 0x00: 1\n",
             "NMT: 0 commands; state at the end: Pre-operational\n",
             "SDO: 0 uploads, 1 downloads, aborts 0x06020000 x1\n",
             "J1939 frames sent: 1\n  row 1 0x18FF1180 (Setpoints): 1\n",
         })
        EXPECT_NE(run.summary.find(line), std::string::npos) << line << run.summary;
    for (const std::string& assumption : simulationAssumptions())
        EXPECT_NE(run.summary.find(assumption), std::string::npos);
}

TEST(Simulation, ReadsTheDemoProjectThroughTheModels) {
    std::vector<std::string> problems;
    const SimulationProject p =
        loadSimulationProject(fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo", problems);
    EXPECT_TRUE(problems.empty());
    EXPECT_EQ(p.nodeId, 5);
    EXPECT_TRUE(p.startOperational);
    EXPECT_TRUE(p.tpdoOnChange);
    EXPECT_EQ(p.tpdoPeriodMs, 500u);
    ASSERT_EQ(p.received.size(), 4u);
    EXPECT_EQ(p.received[2].pgn, 0xFEF1u);
    ASSERT_EQ(p.transmitted.size(), 3u);
    EXPECT_EQ(p.transmitted[2].identifier, 0x0CEF0080u);
    ASSERT_EQ(p.receivedObjects.size(), 8u);
    // Engine speed: Dimension 1 (2 bytes), B1 = byte 5, B2 = byte 4.
    EXPECT_EQ(p.receivedObjects[0].size, 2);
    EXPECT_EQ(p.receivedObjects[0].bytes, (std::array<std::uint8_t, 4>{5, 4, 0, 0}));
    ASSERT_EQ(p.transmittedObjects.size(), 4u);
    EXPECT_TRUE(p.transmittedObjects[1].sendOnWrite);
    ASSERT_EQ(p.tpdos.size(), 3u);
    EXPECT_EQ(p.tpdos[0].cobId, 0x181);
    EXPECT_EQ(p.tpdos[0].start, 4);
    ASSERT_EQ(p.rpdos.size(), 1u);
    EXPECT_EQ(p.rpdos[0].frame, 1u);
}

TEST(Simulation, LoaderTellsWhatItLeavesOut) {
    TempFolder project;
    writeFile(project / "RCobDef.xml", "<COBID><row PGN=\"0xEF05\" ID_DEV=\"0x21\" Delete=\"N\" "
                                       "Mnemonic=\"\"/><row PGN=\"abc\" ID_DEV=\"0\" "
                                       "Delete=\"N\" Mnemonic=\"\"/></COBID>");
    writeFile(project / "RInfoCob.xml",
              "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" "
              "B2=\"0\" B3=\"0\" B4=\"0\"/><row NrPdo=\"2\" Index=\"8448\" SubIndex=\"1\" "
              "Dimension=\"2\" B1=\"9\" B2=\"0\" B3=\"0\" B4=\"0\"/></RInfoCob>");
    writeFile(project / "TpdoJ1939.xml", "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"1\" "
                                         "Offset=\"1\" Mnemonic=\"\"/></PDOJ1939>");
    std::vector<std::string> problems;
    const SimulationProject p = loadSimulationProject(project.path(), problems);
    EXPECT_EQ(problems,
              (std::vector<std::string>{
                  "RCobDef.xml, row 1: PGN 0xEF05 has a destination byte; J1939 frames carry it "
                  "as 0xEF00, so the row receives nothing",
                  "RCobDef.xml, row 2: PGN or ID Device is no number; the frame is not received",
                  "RInfoCob.xml: the object 0x2100,0x01 is mapped again; the first mapping "
                  "answers the SDO server",
                  "TpdoJ1939.xml, row 1: not simulated, it has no J1939 frame"}));
    // No pargen.xml: the editor's defaults.
    EXPECT_EQ(p.nodeId, 1);
    EXPECT_FALSE(p.startOperational);
    ASSERT_EQ(p.received.size(), 2u);
    EXPECT_FALSE(p.received[1].usable);
    ASSERT_EQ(p.receivedObjects.size(), 2u);
    EXPECT_EQ(p.receivedObjects[1].bytes[0], 0); // byte 9 is no frame byte
    EXPECT_TRUE(p.tpdos.empty());
}

fs::path demo() {
    return fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo";
}

TEST(SimulateCommand, WritesOutAndValuesOfTheDemo) {
    TempFolder folder;
    writeFile(folder / "in.log", "(1.000000) j1939 0CF00400#F07D7D0019FFFFFF\n"
                                 "(1.500000) canopen 605#4000210100000000\n");
    const auto r =
        runCli({"simulate", demo().string(), (folder / "in.log").string(), "--out",
                (folder / "out.log").string(), "--values", (folder / "values.csv").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Assumptions:\n", 0), 0u) << r.out;
    EXPECT_EQ(readFile(folder / "out.log"), "(0000000001.000000) canopen 181#0019\r\n"
                                            "(0000000001.500000) canopen 585#4B00210100190000\r\n");
    keepForTheLogCheck(folder / "out.log", "DemoCommand");
    EXPECT_EQ(readFile(folder / "values.csv"), "0x2100,0x01,0x00001900\r\n"
                                               "0x2100,0x02,0x0000007D\r\n"
                                               "0x2101,0x01,0x00000000\r\n"
                                               "0x2101,0x02,0x00000000\r\n"
                                               "0x2101,0x03,0x00000000\r\n"
                                               "0x2102,0x01,0x00000000\r\n"
                                               "0x2103,0x01,0x00000000\r\n"
                                               "0x2103,0x02,0x00000000\r\n"
                                               "0x2200,0x01,0x00000000\r\n"
                                               "0x2200,0x02,0x00000000\r\n"
                                               "0x2201,0x01,0x00000000\r\n"
                                               "0x2202,0x01,0x00000000\r\n");
}

TEST(SimulateCommand, AMalformedLineWritesNothing) {
    TempFolder folder;
    writeFile(folder / "bad.log", "(1.000000) j1939 0CF00400#F07D7D0019FFFFFF\n"
                                  "(1.100000) j1939 0CF00400#F07D7D0019FFFFF\n");
    writeFile(folder / "out.log", "earlier");
    const auto r =
        runCli({"simulate", demo().string(), (folder / "bad.log").string(), "--out",
                (folder / "out.log").string(), "--values", (folder / "values.csv").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("bad.log, line 2: odd number of data digits", 0), 0u) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(readFile(folder / "out.log"), "earlier");
    EXPECT_FALSE(fs::exists(folder / "values.csv"));
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder.path()))
        ++files;
    EXPECT_EQ(files, 2u); // no temporary file left behind
}

TEST(SimulateCommand, AProjectThatCheckRefusesStillSimulates) {
    TempFolder folder;
    const fs::path project = folder / "P";
    fs::copy(demo(), project, fs::copy_options::recursive);
    writeFile(project / "TpdoJ1939.xml",
              "<PDOJ1939><row COB-ID=\"0x900\" Dimension=\"2\" Offset=\"4\" Frame_J1939=\"1\" "
              "Mnemonic=\"x\"/><row COB-ID=\"0x182\" Dimension=\"1\" Offset=\"1\" "
              "Frame_J1939=\"1\" Mnemonic=\"y\"/></PDOJ1939>");
    writeFile(folder / "in.log", "(1.0) can1 0CF00400#F07D7D0019FFFFFF\n");
    const auto r =
        runCli({"simulate", project.string(), (folder / "in.log").string(), "--out",
                (folder / "out.log").string(), "--j1939-if", "can1", "--canopen-if", "can0"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("Problems in the project", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("TpdoJ1939.xml, row 1: not simulated, its COB-ID is not 0x001..0x7FF"),
              std::string::npos)
        << r.out;
    EXPECT_LT(r.out.find("Problems"), r.out.find("Assumptions:"));
    EXPECT_EQ(readFile(folder / "out.log"), "(0000000001.000000) can0 182#F0\r\n");
    keepForTheLogCheck(folder / "out.log", "RefusedProject");
}

TEST(SimulateCommand, RefusesWhatItCannotRead) {
    TempFolder folder;
    auto r = runCli({"simulate", demo().string(), (folder / "missing.log").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("missing.log"), std::string::npos);
    r = runCli({"simulate", (folder / "none").string(), (folder / "missing.log").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Project folder not found"), std::string::npos);
    writeFile(folder / "in.log", "");
    r = runCli({"simulate", demo().string(), (folder / "in.log").string(), "--j1939-if", "x",
                "--canopen-if", "x"});
    EXPECT_EQ(r.status, 1);
}

} // namespace
} // namespace ordane
