#include "simulator/BusTraffic.h"

#include "TestSupport.h"
#include "documents/KeptSignals.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ordane {
namespace {

// Received frame 1: PGN 0xFEF1 from 0x00 ("CCVS"); frame 2: PGN 0xEF00 (PDU1) from 0x21.
// Transmitted frame 1: 0x18FF1180 ("Setpoints"). Objects: 0x2100/1, two bytes, B1 = byte 4,
// B2 = byte 3 of received frame 1; 0x2100/2, one byte, byte 8 of received frame 2; 0x2200/1,
// one byte, byte 2 of the transmitted frame. TPDO 0x181: bytes 3..4 of received frame 1;
// TPDO 0x182: bytes 1..2 of received frame 1 (carries no whole object). RPDO 0x201: bytes
// 1..2 of the transmitted frame.
SimulationProject project() {
    SimulationProject p;
    p.received = {{true, 0xFEF1, 0x00, "CCVS"}, {true, 0xEF00, 0x21, ""}};
    p.transmitted = {{true, 0x18FF1180, "Setpoints"}};
    p.receivedObjects = {{0x2100, 1, 2, 0, {4, 3, 0, 0}, false},
                         {0x2100, 2, 1, 1, {8, 0, 0, 0}, false}};
    p.transmittedObjects = {{0x2200, 1, 1, 0, {2, 0, 0, 0}, true}};
    p.tpdos = {{0x181, 2, 3, 0, 0, ""}, {0x182, 2, 1, 0, 0, ""}};
    p.rpdos = {{0x201, 2, 1, 0, 0, ""}};
    p.nodeId = 5;
    p.startOperational = true;
    return p;
}

CanFrame frame(std::string_view bus, std::uint32_t id, bool extended,
               std::initializer_list<std::uint8_t> data, std::int64_t time = 1700000000000000) {
    CanFrame f;
    f.time = time;
    f.interface = bus;
    f.id = id;
    f.extended = extended;
    f.length = std::uint8_t(data.size());
    std::copy(data.begin(), data.end(), f.data.begin());
    return f;
}

TEST(BusTraffic, namesEachFrameOfTheProjectWithItsObjects) {
    const SimulationProject p = project();
    BusTraffic traffic(p, {});
    ASSERT_EQ(traffic.rows().size(), 6u);

    struct Case {
        CanFrame frame;
        const char* line; // "" for a frame the project does not describe
    };
    const Case cases[] = {
        {frame("j1939", 0x18FEF100, true, {1, 2, 0x34, 0x12, 5, 6, 7, 8}),
         "(1700000000.000000) j1939 18FEF100#0102341205060708 CCVS PGN 0xFEF1 SA 0x00: "
         "0x2100:01=0x1234"},
        // Another priority, the same parameter group.
        {frame("j1939", 0x0CFEF100, true, {0, 0, 0xCD, 0xAB}),
         "(1700000000.000000) j1939 0CFEF100#0000CDAB CCVS PGN 0xFEF1 SA 0x00: 0x2100:01=0xABCD"},
        // PDU1: any destination; a frame too short for its object shows none.
        {frame("j1939", 0x18EF3321, true, {0, 0, 0, 0, 0, 0, 0, 0x7F}),
         "(1700000000.000000) j1939 18EF3321#000000000000007F PGN 0xEF00 SA 0x21: "
         "0x2100:02=0x7F"},
        {frame("j1939", 0x18EF3321, true, {1}),
         "(1700000000.000000) j1939 18EF3321#01 PGN 0xEF00 SA 0x21"},
        {frame("j1939", 0x14FF1180, true, {0, 0x42}),
         "(1700000000.000000) j1939 14FF1180#0042 Setpoints PGN 0xFF11 SA 0x80: 0x2200:01=0x42"},
        {frame("canopen", 0x181, false, {0x34, 0x12}),
         "(1700000000.000000) canopen 181#3412 TPDO 0x181: 0x2100:01=0x1234"},
        {frame("canopen", 0x182, false, {0x34, 0x12}),
         "(1700000000.000000) canopen 182#3412 TPDO 0x182"},
        {frame("canopen", 0x201, false, {0x11, 0x22}),
         "(1700000000.000000) canopen 201#1122 RPDO 0x201: 0x2200:01=0x22"},
        // Wrong bus, wrong format, unknown group.
        {frame("canopen", 0x18FEF100, true, {}), ""},
        {frame("j1939", 0x181, false, {}), ""},
        {frame("j1939", 0x18FEF101, true, {}), ""},
    };
    std::uint64_t undescribed = 0;
    for (const Case& c : cases) {
        const std::vector<std::size_t> rows = traffic.count(c.frame);
        if (*c.line == 0) {
            EXPECT_TRUE(rows.empty()) << c.frame.id;
            ++undescribed;
            continue;
        }
        ASSERT_EQ(rows.size(), 1u) << c.line;
        EXPECT_EQ(traffic.line(rows[0], c.frame), c.line);
    }
    EXPECT_EQ(traffic.undescribed(), undescribed);
    EXPECT_EQ(traffic.rows()[0].count, 2u);
    EXPECT_EQ(traffic.rows()[0].data[3], 0xAB); // the last frame's data
}

TEST(BusTraffic, signalsGiveNamesAndPhysicalValues) {
    BusTraffic::Object object{0x2100, 1, 2, {1, 2, 0, 0}, ObjectSignal{"EngineSpeed", "rpm", 0.125, 0, false}};
    BusTraffic::Row row;
    row.objects = {object};
    const std::uint8_t data[] = {0x1A, 0x2B};
    EXPECT_EQ(BusTraffic::objectsText(row, data, 2), "0x2100:01=0x1A2B EngineSpeed=837.375 rpm");
    // Signed: 0xFF38 is -200; offset and no unit.
    row.objects[0].signal = ObjectSignal{"Torque", "", 0.5, -10, true};
    const std::uint8_t negative[] = {0xFF, 0x38};
    EXPECT_EQ(BusTraffic::objectsText(row, negative, 2), "0x2100:01=0xFF38 Torque=-110");
}

// The signal a DBC import kept for an object names it while the mapping holds it as imported.
TEST(BusTraffic, keptSignalsOfTheProject) {
    test::TempFolder folder;
    const std::filesystem::path project = folder / "Demo";
    std::filesystem::copy(std::filesystem::path(ORDANE_SOURCE_DIR) / "examples/Demo", project,
                          std::filesystem::copy_options::recursive);
    KeptSignal speed;
    speed.frame = 1;
    speed.entry = {8448, 1, 1, {5, 4, 0, 0}, 0}; // RInfoCob.xml row 1, as the Demo maps it
    speed.name = "EngineSpeed";
    speed.unit = "rpm";
    speed.factor = 0.125;
    KeptSignal moved = speed; // imported as another mapping: no longer this object
    moved.entry = {8448, 2, 1, {1, 2, 0, 0}, 0};
    moved.name = "Moved";
    KeptSignals kept;
    kept.replaceSide(Side::Received, {{}, {speed, moved}});
    kept.save(project);

    std::vector<std::string> problems;
    const SimulationProject p = loadSimulationProject(project, problems);
    BusTraffic traffic(p, {});
    traffic.attachKeptSignals(project, problems);
    EXPECT_EQ(problems, std::vector<std::string>{});
    const CanFrame eec1 = frame("j1939", 0x0CF00400, true, {0xF0, 0x7D, 0x7D, 0x00, 0x19, 0xFF, 0xFF, 0xFF});
    const auto rows = traffic.count(eec1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(traffic.line(rows[0], eec1),
              "(1700000000.000000) j1939 0CF00400#F07D7D0019FFFFFF EEC1 engine speed PGN 0xF004 "
              "SA 0x00: 0x2100:01=0x1900 EngineSpeed=800 rpm 0x2100:02=0x7D");

    // A store that cannot be read is told; the objects stay without signals.
    test::writeFile(project / "DbcSignals.xml", "<broken");
    BusTraffic plain(p, {});
    plain.attachKeptSignals(project, problems);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("DbcSignals.xml"), std::string::npos) << problems[0];
}

// The engine on a clock sends the cyclic TPDOs a log of the same frames gives simulate.
TEST(BusTraffic, theClockSendsWhatTheLogWould) {
    SimulationProject p = project();
    p.tpdoOnChange = false;
    p.tpdoPeriodMs = 100;
    p.tpdos.pop_back();
    struct Collect : FrameOutput {
        std::string lines;
        void send(const CanFrame& f) override { appendLogLine(lines, f); }
    };
    const std::int64_t t0 = 1700000000000000;
    const CanFrame frames[] = {frame("j1939", 0x18FEF100, true, {0, 0, 1, 2}, t0),
                               frame("j1939", 0x18FEF100, true, {0, 0, 3, 4}, t0 + 250000)};
    Collect live;
    Simulator engine(p, {}, live);
    engine.receive(frames[0]);
    EXPECT_EQ(engine.nextDue(), t0 + 100000);
    engine.advance(t0 + 100000); // due, not yet past
    engine.advance(t0 + 100001);
    engine.advance(t0 + 150000);
    engine.receive(frames[1]); // the one due at +200 ms first
    engine.advance(t0 + 300001);

    std::string log;
    for (const CanFrame& f : frames)
        appendLogLine(log, f);
    log += "(1700000000.300001) j1939 123#R\r\n"; // the log's end at the clock's last time
    std::istringstream in(log);
    Collect replay;
    simulateLog(p, in, "log", {}, replay);
    EXPECT_EQ(live.lines, replay.lines);
    EXPECT_EQ(live.lines, "(1700000000.000000) canopen 181#0102\r\n"
                          "(1700000000.100000) canopen 181#0102\r\n"
                          "(1700000000.200000) canopen 181#0102\r\n"
                          "(1700000000.300000) canopen 181#0304\r\n");
}

} // namespace
} // namespace ordane
