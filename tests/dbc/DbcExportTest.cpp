#include "dbc/DbcExport.h"

#include "CliRunner.h"
#include "TestSupport.h"
#include "compiler/ProjectGenerator.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/DbcFile.h"
#include "documents/J1939Identifier.h"
#include "documents/KeptSignals.h"
#include "model/DbcImport.h"
#include "model/SdoMapping.h"
#include "simulator/Simulation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

namespace ordane {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo";
const LocalDateTime kMade{2026, 12, 9, 1, 8, 0};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& l : lines)
        text += l + "\r\n";
    return text;
}

// One frame on each side with every way an object can lie in its bytes: a big-endian run
// (B1 first), a byte named twice, a byte taken from no frame byte, a single byte, and two
// TPDOs on one COB-ID that carry part of an object.
void writeEdgesProject(const fs::path& path) {
    test::writeFile(path / "RCobDef.xml",
                    "<COBID><row PGN=\"0xEF00\" ID_DEV=\"0x21\" Delete=\"N\" Mnemonic=\"\"/>"
                    "<row PGN=\"65262\" ID_DEV=\"3\" Delete=\"N\" Mnemonic=\"Oil temp °C\"/>"
                    "</COBID>");
    test::writeFile(
        path / "RInfoCob.xml",
        "<RInfoCob>"
        "<row NrPdo=\"1\" Index=\"8192\" SubIndex=\"1\" Dimension=\"0\" B1=\"2\" B2=\"3\" "
        "B3=\"4\" B4=\"5\"/>"
        "<row NrPdo=\"1\" Index=\"8192\" SubIndex=\"2\" Dimension=\"1\" B1=\"7\" B2=\"7\" "
        "B3=\"0\" B4=\"0\"/>"
        "<row NrPdo=\"1\" Index=\"8192\" SubIndex=\"3\" Dimension=\"1\" B1=\"8\" B2=\"0\" "
        "B3=\"0\" B4=\"0\"/>"
        "<row NrPdo=\"1\" Index=\"8192\" SubIndex=\"4\" Dimension=\"2\" B1=\"1\" B2=\"6\" "
        "B3=\"0\" B4=\"0\"/>"
        "<row NrPdo=\"2\" Index=\"8193\" SubIndex=\"1\" Dimension=\"2\" B1=\"1\" B2=\"0\" "
        "B3=\"0\" B4=\"0\"/>"
        "</RInfoCob>");
    test::writeFile(path / "TpdoJ1939.xml",
                    "<PDOJ1939>"
                    "<row COB-ID=\"0x185\" Dimension=\"2\" Offset=\"4\" Frame_J1939=\"1\" "
                    "Mnemonic=\"\"/>"
                    "<row COB-ID=\"0x185\" Dimension=\"1\" Offset=\"4\" Frame_J1939=\"1\" "
                    "Mnemonic=\"\"/>"
                    "</PDOJ1939>");
    test::writeFile(path / "TCobDef.xml",
                    "<COBID><row Priority=\"3\" DP=\"1\" PGN=\"0xEF10\" ID_DEV=\"0x80\" "
                    "Mnemonic=\"Commands\"/></COBID>");
    test::writeFile(path / "TInfoCob.xml",
                    "<TInfoCob><row NrPdo=\"1\" Index=\"12288\" SubIndex=\"1\" "
                    "Dimension=\"1\" B1=\"1\" B2=\"2\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/>"
                    "</TInfoCob>");
    test::writeFile(path / "pdoJ1939.xml",
                    "<PDOJ1939><row COB-ID=\"0x205\" Dimension=\"3\" Offset=\"1\" "
                    "Frame_J1939=\"1\" Mnemonic=\"Cmd\"/></PDOJ1939>");
}

struct EdgesProject {
    test::TempFolder root;
    fs::path path = root / "Edges";
    EdgesProject() { writeEdgesProject(path); }
};

// Worked out by hand. Identifiers: received frames ((6 × 4 + 0) × 65536 + PGN) × 256 + SA,
// a PDU1 PGN with destination 0xFF: 0x18EFFF21 and 0x18FEEE03; transmitted 0x0DEF1080;
// bit 31 set. Start bits: Intel (@1) names the least significant bit, Motorola (@0) the
// most significant bit in the numbering 7..0, 15..8, ...: object 0x2000:01 has B1..B4 in
// frame bytes 2..5, B1 first, so its most significant bit is bit 7 of byte 2, number 15.
// Its TPDOs carry frame byte 4 (its B3) and 5 (B4) as their bytes 1 and 2.
TEST(DbcExport, EdgesProjectGivesTheHandWrittenFile) {
    const EdgesProject project;
    const std::string rx1 = "2565865249";
    const std::string rx2 = "2566843907";
    const std::string tx1 = "2381254784";
    const std::string expected = joined({
        "VERSION \"\"",
        "",
        "NS_ :",
        "\tNS_DESC_",
        "\tCM_",
        "\tBA_DEF_",
        "\tBA_",
        "\tVAL_",
        "\tBA_DEF_DEF_",
        "",
        "BS_:",
        "",
        "BU_: Gateway J1939_Network CANopen_Network",
        "",
        "BO_ " + rx1 + " RX_EF00_21: 8 J1939_Network",
        " SG_ Obj_2000_04 : 0|8@1+ (1,0) [0|255] \"\" Gateway",
        " SG_ Obj_2000_01 : 15|32@0+ (1,0) [0|4294967295] \"\" Gateway",
        " SG_ Obj_2000_02_B1 : 48|8@1+ (1,0) [0|255] \"\" Gateway",
        " SG_ Obj_2000_02_B2 : 48|8@1+ (1,0) [0|255] \"\" Gateway",
        " SG_ Obj_2000_03_B1 : 56|8@1+ (1,0) [0|255] \"\" Gateway",
        "",
        "BO_ " + rx2 + " Oil_temp_C: 8 J1939_Network",
        " SG_ Obj_2001_01 : 0|8@1+ (1,0) [0|255] \"\" Gateway",
        "",
        "BO_ " + tx1 + " Commands: 8 Gateway",
        " SG_ Obj_3000_01 : 7|16@0+ (1,0) [0|65535] \"\" J1939_Network",
        "",
        "BO_ 389 TPDO1: 2 Gateway",
        " SG_ Obj_2000_01_B3 : 0|8@1+ (1,0) [0|255] \"\" CANopen_Network",
        " SG_ Obj_2000_01_B3_2 : 0|8@1+ (1,0) [0|255] \"\" CANopen_Network",
        " SG_ Obj_2000_01_B4 : 8|8@1+ (1,0) [0|255] \"\" CANopen_Network",
        "",
        "BO_ 517 RPDO1: 3 CANopen_Network",
        " SG_ Obj_3000_01 : 7|16@0+ (1,0) [0|65535] \"\" Gateway",
        "",
        "CM_ \"Both buses of the CANopen-J1939 converter as project Edges configures it: the "
        "J1939 frames it receives and transmits and its PDOs. Written 2026-12-09 01:08:00.\";",
        "CM_ BU_ Gateway \"The CANopen-J1939 converter\";",
        "CM_ BU_ J1939_Network \"The other devices of the J1939 network\";",
        "CM_ BU_ CANopen_Network \"The CANopen master and the other nodes of the CANopen "
        "network\";",
        "CM_ BO_ " + rx1 +
            " \"Received frame 1 (RCobDef.xml row 1): PGN 0xEF00 from source "
            "address 0x21.\";",
        // Windows-1252: the degree sign is the byte 0xB0.
        "CM_ BO_ " + rx2 + " \"Received frame 2 (RCobDef.xml row 2, Oil temp \xB0" +
            "C): PGN 0xFEEE from source address 0x03.\";",
        "CM_ BO_ " + tx1 +
            " \"Transmitted frame 1 (TCobDef.xml row 1, Commands): priority 3, "
            "data page 1, PGN 0xEF10, source address 0x80.\";",
        "CM_ BO_ 389 \"TPDO 1 (TpdoJ1939.xml row 1): bytes 4 to 5 of the received frame "
        "RX_EF00_21 as its bytes 1 to 2. Also on this identifier: TPDO 2 (TpdoJ1939.xml row 2): "
        "byte 4 of the received frame RX_EF00_21 as its byte 1.\";",
        "CM_ BO_ 517 \"RPDO 1 (pdoJ1939.xml row 1, Cmd): bytes 1 to 3 of the transmitted frame "
        "Commands as its bytes 1 to 3.\";",
        "CM_ SG_ " + rx1 +
            " Obj_2000_02_B1 \"B1 (most significant) of the 2-byte object "
            "0x2000:02: frame byte 7 is its B1 and B2\";",
        "CM_ SG_ " + rx1 +
            " Obj_2000_02_B2 \"B2 (least significant) of the 2-byte object "
            "0x2000:02: frame byte 7 is its B1 and B2\";",
        "CM_ SG_ " + rx1 +
            " Obj_2000_03_B1 \"B1 (most significant) of the 2-byte object "
            "0x2000:03: B2 comes from no frame byte and reads 0\";",
        "CM_ SG_ 389 Obj_2000_01_B3 \"B3 of the 4-byte object 0x2000:01: this PDO carries B3 "
        "and B4 only\";",
        "CM_ SG_ 389 Obj_2000_01_B3_2 \"B3 of the 4-byte object 0x2000:01: this PDO carries B3 "
        "only\";",
        "CM_ SG_ 389 Obj_2000_01_B4 \"B4 (least significant) of the 4-byte object 0x2000:01: "
        "this PDO carries B3 and B4 only\";",
        "BA_DEF_ BO_ \"VFrameFormat\" ENUM \"StandardCAN\",\"ExtendedCAN\",\"reserved\","
        "\"J1939PG\";",
        "BA_DEF_ SG_ \"CANopenObject\" STRING ;",
        "BA_DEF_ SG_ \"CANopenObjectByte\" INT 0 4;",
        "BA_DEF_DEF_ \"VFrameFormat\" \"StandardCAN\";",
        "BA_DEF_DEF_ \"CANopenObject\" \"\";",
        "BA_DEF_DEF_ \"CANopenObjectByte\" 0;",
        "BA_ \"VFrameFormat\" BO_ " + rx1 + " 3;",
        "BA_ \"VFrameFormat\" BO_ " + rx2 + " 3;",
        "BA_ \"VFrameFormat\" BO_ " + tx1 + " 3;",
        "BA_ \"CANopenObject\" SG_ " + rx1 + " Obj_2000_04 \"0x2000:04\";",
        "BA_ \"CANopenObject\" SG_ " + rx1 + " Obj_2000_01 \"0x2000:01\";",
        "BA_ \"CANopenObject\" SG_ " + rx1 + " Obj_2000_02_B1 \"0x2000:02\";",
        "BA_ \"CANopenObjectByte\" SG_ " + rx1 + " Obj_2000_02_B1 1;",
        "BA_ \"CANopenObject\" SG_ " + rx1 + " Obj_2000_02_B2 \"0x2000:02\";",
        "BA_ \"CANopenObjectByte\" SG_ " + rx1 + " Obj_2000_02_B2 2;",
        "BA_ \"CANopenObject\" SG_ " + rx1 + " Obj_2000_03_B1 \"0x2000:03\";",
        "BA_ \"CANopenObjectByte\" SG_ " + rx1 + " Obj_2000_03_B1 1;",
        "BA_ \"CANopenObject\" SG_ " + rx2 + " Obj_2001_01 \"0x2001:01\";",
        "BA_ \"CANopenObject\" SG_ " + tx1 + " Obj_3000_01 \"0x3000:01\";",
        "BA_ \"CANopenObject\" SG_ 389 Obj_2000_01_B3 \"0x2000:01\";",
        "BA_ \"CANopenObjectByte\" SG_ 389 Obj_2000_01_B3 3;",
        "BA_ \"CANopenObject\" SG_ 389 Obj_2000_01_B3_2 \"0x2000:01\";",
        "BA_ \"CANopenObjectByte\" SG_ 389 Obj_2000_01_B3_2 3;",
        "BA_ \"CANopenObject\" SG_ 389 Obj_2000_01_B4 \"0x2000:01\";",
        "BA_ \"CANopenObjectByte\" SG_ 389 Obj_2000_01_B4 4;",
        "BA_ \"CANopenObject\" SG_ 517 Obj_3000_01 \"0x3000:01\";",
    });
    EXPECT_EQ(buildProjectDbc(project.path, kMade), expected);
}

// examples/Demo: RInfoCob.xml row 1 maps 0x2100:01 as 2 bytes with B1 (MSB) in frame byte 5
// and B2 in byte 4, so an Intel signal from bit 24; TPDO 0x181 takes frame bytes 4..5,
// which puts the same signal at bit 0. TInfoCob.xml row 4 has B1..B4 in bytes 4..1.
TEST(DbcExport, DemoPlacesEverySignal) {
    // Without its kept signals: the names are those made from the project alone.
    test::TempFolder root;
    const fs::path demo = root / "Demo";
    fs::copy(kDemo, demo, fs::copy_options::recursive);
    fs::remove(demo / std::string(kKeptSignalsFileName));
    const DbcFile file = parseDbc(buildProjectDbc(demo, kMade), "Demo.dbc");
    std::map<std::string, std::vector<std::string>> lines;
    for (const DbcMessage& m : file.messages) {
        std::string& head = lines[m.name].emplace_back();
        head = std::to_string(m.rawId) + " " + std::to_string(m.length) + " " + m.transmitter +
               " " + file.messageAttribute(m, "VFrameFormat");
        for (const DbcSignal& s : m.signalList)
            lines[m.name].push_back(s.name + " " + std::to_string(s.startBit) + "|" +
                                    std::to_string(s.length) + (s.littleEndian ? "@1 " : "@0 ") +
                                    s.receivers.at(0) + " " + s.attributes.at("CANopenObject"));
    }
    const std::map<std::string, std::vector<std::string>> expected = {
        {"EEC1_engine_speed",
         {"2565866496 8 J1939_Network J1939PG", "Obj_2100_02 16|8@1 Gateway 0x2100:02",
          "Obj_2100_01 24|16@1 Gateway 0x2100:01"}},
        {"ET1_engine_temperature",
         {"2566843904 8 J1939_Network J1939PG", "Obj_2101_01 0|8@1 Gateway 0x2101:01",
          "Obj_2101_02 8|8@1 Gateway 0x2101:02", "Obj_2101_03 16|16@1 Gateway 0x2101:03"}},
        {"CCVS_vehicle_speed",
         {"2566844672 8 J1939_Network J1939PG", "Obj_2102_01 8|16@1 Gateway 0x2102:01"}},
        {"EFL_P1_oil_pressure",
         {"2566844160 8 J1939_Network J1939PG", "Obj_2103_01 24|8@1 Gateway 0x2103:01",
          "Obj_2103_02 56|8@1 Gateway 0x2103:02"}},
        {"Gateway_status",
         {"2566852736 8 Gateway J1939PG", "Obj_2201_01 0|8@1 J1939_Network 0x2201:01"}},
        {"Setpoints",
         {"2566852992 8 Gateway J1939PG", "Obj_2200_01 0|16@1 J1939_Network 0x2200:01",
          "Obj_2200_02 16|16@1 J1939_Network 0x2200:02"}},
        {"Proprietary_A_commands",
         {"2364473472 8 Gateway J1939PG", "Obj_2202_01 0|32@1 J1939_Network 0x2202:01"}},
        {"TPDO1", {"385 2 Gateway StandardCAN", "Obj_2100_01 0|16@1 CANopen_Network 0x2100:01"}},
        {"TPDO2", {"641 1 Gateway StandardCAN", "Obj_2101_01 0|8@1 CANopen_Network 0x2101:01"}},
        {"TPDO3", {"897 2 Gateway StandardCAN", "Obj_2102_01 0|16@1 CANopen_Network 0x2102:01"}},
        {"RPDO1",
         {"513 4 CANopen_Network StandardCAN", "Obj_2200_01 0|16@1 Gateway 0x2200:01",
          "Obj_2200_02 16|16@1 Gateway 0x2200:02"}},
    };
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(file.nodes,
              (std::vector<std::string>{"Gateway", "J1939_Network", "CANopen_Network"}));
}

// The lines of a DBC text, CR LF taken off.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

// Demo with kept signals as an import from examples/Demo.dbc leaves them: frame 1 from EEC1
// (priority 3), two of its objects from EngSpeed and ActualEngPercentTorque, one object of
// ET1 whose mapping changed since (its size), and an object of the transmitted side.
TEST(DbcExport, KeptSignalsNameAndScaleTheSignals) {
    test::TempFolder root;
    const fs::path folder = root / "Demo";
    fs::copy(kDemo, folder, fs::copy_options::recursive);
    KeptSide received;
    received.frames.push_back({1, "EEC1", 0x0CF00400, 8, 0xF004, 0});
    KeptSignal speed;
    speed.frame = 1;
    speed.entry = {8448, 1, 1, {5, 4, 0, 0}, 0};
    speed.message = "EEC1";
    speed.name = "EngSpeed";
    speed.unit = "rpm";
    speed.factor = 0.125;
    speed.maximum = 8031.875;
    speed.spn = 190;
    speed.comment = "Actual engine speed";
    KeptSignal torque = speed;
    torque.entry = {8448, 2, 2, {3, 0, 0, 0}, 0};
    torque.name = "ActualEngPercentTorque";
    torque.unit = "%";
    torque.factor = 1;
    torque.offset = -125;
    torque.minimum = -125;
    torque.maximum = 125;
    torque.spn = -1;
    torque.comment = "";
    torque.values = {{251, "Error"}, {255, "Not available"}};
    KeptSignal changed = speed;
    changed.frame = 2;
    changed.entry = {8449, 3, 2, {4, 3, 0, 0}, 0}; // the project maps it with Dimension 1
    changed.name = "EngOilTemp1";
    received.signalList = {speed, torque, changed};
    KeptSide transmitted;
    transmitted.frames.push_back({2, "Setpoints_PG", 0x18FF1180, 8, 0xFF11, 0x80});
    KeptSignal setpoint = speed;
    setpoint.entry = {8704, 1, 1, {2, 1, 0, 0}, 1};
    setpoint.frame = 2;
    setpoint.name = "SpeedSetpoint";
    setpoint.spn = -1;
    setpoint.comment = "";
    transmitted.signalList = {setpoint};
    KeptSignals kept;
    kept.replaceSide(Side::Received, received);
    kept.replaceSide(Side::Transmitted, transmitted);
    kept.save(folder);

    const std::vector<std::string> lines = linesOf(buildProjectDbc(folder, kMade));
    const std::vector<std::string> expected = {
        "BO_ 2364539904 EEC1: 8 J1939_Network",
        " SG_ ActualEngPercentTorque : 16|8@1+ (1,-125) [-125|125] \"%\" Gateway",
        " SG_ EngSpeed : 24|16@1+ (0.125,0) [0|8031.875] \"rpm\" Gateway",
        " SG_ Obj_2101_03 : 16|16@1+ (1,0) [0|65535] \"\" Gateway",
        "BO_ 2566852992 Setpoints_PG: 8 Gateway",
        " SG_ SpeedSetpoint : 0|16@1+ (0.125,0) [0|8031.875] \"rpm\" J1939_Network",
        "BO_ 385 TPDO1: 2 Gateway",
        " SG_ EngSpeed : 0|16@1+ (0.125,0) [0|8031.875] \"rpm\" CANopen_Network",
        "BO_ 513 RPDO1: 4 CANopen_Network",
        " SG_ SpeedSetpoint : 0|16@1+ (0.125,0) [0|8031.875] \"rpm\" Gateway",
        "CM_ BO_ 385 \"TPDO 1 (TpdoJ1939.xml row 1, Engine speed): bytes 4 to 5 of the received "
        "frame EEC1 as its bytes 1 to 2.\";",
        "CM_ SG_ 2364539904 EngSpeed \"Actual engine speed\";",
        "BA_DEF_ SG_ \"SPN\" INT 0 524287;",
        "BA_DEF_DEF_ \"SPN\" 0;",
        "BA_ \"SPN\" SG_ 2364539904 EngSpeed 190;",
        "BA_ \"SPN\" SG_ 385 EngSpeed 190;",
        "VAL_ 2364539904 ActualEngPercentTorque 251 \"Error\" 255 \"Not available\" ;",
    };
    auto at = lines.begin();
    for (const std::string& line : expected) {
        at = std::find(at, lines.end(), line);
        ASSERT_NE(at, lines.end()) << "missing or out of order: " << line;
    }
}

// The frames and mapping of `side` as the DBC import reads them back from the export of
// `folder`: (PGN, source address) per frame and (Dimension, B1..B4) per signal, in order.
struct ImportedSide {
    std::vector<std::string> frames;
    std::vector<std::multiset<std::string>> objects;
};

ImportedSide importBack(const std::string& dbc, FrameSide side) {
    DbcImport import(parseDbc(dbc, "export.dbc"), side);
    // The frames of the side: those the rest of the J1939 network sends, or the Gateway.
    const std::string sender = side == FrameSide::Received ? kDbcJ1939Node : kDbcGatewayNode;
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < import.rows().size(); ++i)
        if (import.rows()[i].importable && import.message(import.rows()[i]).transmitter == sender)
            rows.push_back(i);
    J1939FrameList list(side);
    import.fillFrameList(list, rows);
    ImportedSide result;
    for (int row = 1; row <= list.tableRows(); ++row) {
        std::string text;
        for (int column = 1; column <= (side == FrameSide::Received ? 2 : 4); ++column)
            text += (column == 1 ? "" : "/") + list.cell(row, column);
        result.frames.push_back(text);
    }
    const DbcMappingPlan plan = import.planMapping(rows, 0x2000);
    for (const auto& frame : plan.frames) {
        auto& set = result.objects.emplace_back();
        for (const auto& e : frame)
            set.insert(std::to_string(e.entry.dimension) + ":" + std::to_string(e.entry.bytes[0]) +
                       std::to_string(e.entry.bytes[1]) + std::to_string(e.entry.bytes[2]) +
                       std::to_string(e.entry.bytes[3]));
    }
    return result;
}

// The same read from the project, for the objects that lie in one run of bytes (the
// import maps those only), with the byte choices past the object's size as None.
ImportedSide projectSide(const fs::path& folder, FrameSide side) {
    std::vector<std::string> problems;
    const SimulationProject project = loadSimulationProject(folder, problems);
    ImportedSide result;
    const auto& objects =
        side == FrameSide::Received ? project.receivedObjects : project.transmittedObjects;
    const std::size_t frames =
        side == FrameSide::Received ? project.received.size() : project.transmitted.size();
    for (std::size_t f = 0; f < frames; ++f) {
        // As the import writes them: a PDU1 PGN without its destination byte.
        if (side == FrameSide::Received) {
            const auto& frame = project.received[f];
            result.frames.push_back(hexText(frame.pgn, 4) + "/" + std::to_string(frame.source));
        } else {
            const J1939Identifier id = splitJ1939Identifier(project.transmitted[f].identifier);
            result.frames.push_back(std::to_string(id.priority) + "/" +
                                    std::to_string(id.dataPage) + "/" + hexText(id.pgn(), 4) + "/" +
                                    std::to_string(id.sourceAddress));
        }
        auto& set = result.objects.emplace_back();
        for (const auto& o : objects) {
            if (o.frame != f)
                continue;
            bool run = true;
            for (int k = 1; k < o.size; ++k)
                run = run && o.bytes[0] != 0 &&
                      (o.bytes[std::size_t(k)] == o.bytes[0] + k ||
                       o.bytes[std::size_t(k)] == o.bytes[0] - k);
            if (!run || o.bytes[0] == 0)
                continue;
            std::string text = std::to_string(o.size == 4 ? 0 : o.size == 2 ? 1 : 2) + ":";
            for (int k = 0; k < 4; ++k)
                text += std::to_string(k < o.size ? o.bytes[std::size_t(k)] : 0);
            set.insert(text);
        }
    }
    return result;
}

// The import of the export gives back the frames and, for every object in one run of
// bytes, its size and byte choices.
TEST(DbcExport, ImportOfTheExportGivesBackFramesAndMapping) {
    const std::string dbc = buildProjectDbc(kDemo, kMade);
    for (FrameSide side : {FrameSide::Received, FrameSide::Transmitted}) {
        const ImportedSide back = importBack(dbc, side);
        const ImportedSide project = projectSide(kDemo, side);
        EXPECT_EQ(back.frames, project.frames);
        EXPECT_EQ(back.objects, project.objects);
    }
    const ImportedSide received = importBack(dbc, FrameSide::Received);
    EXPECT_EQ(received.frames.front(), "0xF004/0");
}

TEST(DbcExport, RefusesWhatCheckRefusesAndWritesNothing) {
    const EdgesProject project;
    // A PDO without a frame and an object mapped twice over both sides.
    test::writeFile(project.path / "pdoJ1939.xml",
                    "<PDOJ1939><row COB-ID=\"0x205\" Dimension=\"3\" Offset=\"1\" "
                    "Mnemonic=\"Cmd\"/></PDOJ1939>");
    test::writeFile(project.path / "TInfoCob.xml",
                    "<TInfoCob><row NrPdo=\"1\" Index=\"8192\" SubIndex=\"1\" Dimension=\"1\" "
                    "B1=\"1\" B2=\"2\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/></TInfoCob>");
    const fs::path target = project.root / "old.dbc";
    test::writeFile(target, "old");
    const FixedClock clock(kMade);
    EXPECT_EQ(test::thrownText([&] { writeProjectDbc(project.path, target, clock); }),
              "No DBC file is written; ordane-cli check finds:\n"
              "TInfoCob.xml, row 1: Error! The Index 0x2000 and SubIndex 0x01 is already used\n"
              "pdoJ1939.xml, row 1: the PDO has no J1939 Frame");
    EXPECT_EQ(test::readFile(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(project.root.path()), fs::directory_iterator()),
              2);

    // Kept signals that cannot be read would leave the file without its names.
    const EdgesProject clean;
    test::writeFile(clean.path / std::string(kKeptSignalsFileName), "<DbcSignals><row");
    const std::string why = test::thrownText([&] { writeProjectDbc(clean.path, target, clock); });
    EXPECT_NE(why.find(std::string(kKeptSignalsFileName)), std::string::npos) << why;
    EXPECT_EQ(test::readFile(target), "old");
}

TEST(DbcExport, NamesMadeValid) {
    const struct {
        const char* text;
        const char* name;
    } cases[] = {
        {"EEC1 engine speed", "EEC1_engine_speed"},
        {"EFL/P1 oil pressure", "EFL_P1_oil_pressure"},
        {"  (Gateway)  ", "Gateway"},
        {"1st frame", "_1st_frame"},
        {"Öl", "l"},
        {" -- ", ""},
        {"A very long mnemonic of forty-one letters", "A_very_long_mnemonic_of_forty_on"},
        {"Thirty-one characters long text_x", "Thirty_one_characters_long_text"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dbcName(c.text), c.name) << c.text;
}

TEST(DbcCommand, WritesTheFileWithTheSourceDate) {
    // 1796778510 is 9 December 2026, 01:08:30 UTC.
    const test::Environment environment({{"SOURCE_DATE_EPOCH", "1796778510"}, {"TZ", "UTC0"}});
    test::TempFolder out;
    const auto result = test::runCli({"dbc", kDemo.string(), (out / "Demo.dbc").string()});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "");
    const std::string bytes = test::readFile(out / "Demo.dbc");
    EXPECT_NE(bytes.find("as project Demo configures it: the J1939 frames it receives and "
                         "transmits and its PDOs. Written 2026-12-09 01:08:30.\";\r\n"),
              std::string::npos);

    const auto missing =
        test::runCli({"dbc", (out / "nowhere").string(), (out / "x.dbc").string()});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Project folder not found: " + (out / "nowhere").string() + "\n");
    EXPECT_FALSE(fs::exists(out / "x.dbc"));
}

// Generated projects that pass the checks: the file reads back in our reader with one
// message per frame and PDO identifier and every object in its frame's message. With
// ORDANE_DBC_PROJECTS_DIR set, the projects are kept there for the canmatrix test.
TEST(DbcExport, GeneratedProjectsReadBack) {
    test::TempFolder scratch;
    const char* keep = std::getenv("ORDANE_DBC_PROJECTS_DIR");
    if (keep)
        writeEdgesProject(fs::path(keep) / "Edges");
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        const fs::path folder =
            (keep ? fs::path(keep) : scratch.path()) / ("generated-" + std::to_string(seed));
        test::ProjectGenerator generator(seed);
        generator.writeCheckable(folder);
        const std::string dbc = buildProjectDbc(folder, kMade);
        const DbcFile file = parseDbc(dbc, "generated.dbc");

        std::vector<std::string> problems;
        const SimulationProject project = loadSimulationProject(folder, problems);
        std::set<std::uint32_t> ids;
        for (const auto& f : project.received)
            ids.insert(0x80000000u | 6u << 26 |
                       ((f.pgn >> 8) < 240 ? (f.pgn & 0xFF00) | 0xFF : f.pgn) << 8 | f.source);
        for (const auto& f : project.transmitted)
            ids.insert(0x80000000u | (f.identifier & 0x1FFFFFFF));
        for (const auto& p : project.tpdos)
            ids.insert(p.cobId);
        for (const auto& p : project.rpdos)
            ids.insert(p.cobId);
        std::set<std::uint32_t> written;
        std::set<std::string> objects;
        for (const DbcMessage& m : file.messages) {
            written.insert(m.rawId);
            if (m.extended())
                for (const DbcSignal& s : m.signalList)
                    objects.insert(s.attributes.at(kDbcObjectAttribute));
        }
        EXPECT_EQ(written, ids) << "seed " << seed;
        std::set<std::string> mapped;
        for (const auto* side : {&project.receivedObjects, &project.transmittedObjects})
            for (const auto& o : *side)
                if (std::any_of(o.bytes.begin(), o.bytes.begin() + o.size,
                                [](std::uint8_t b) { return b != 0; }))
                    mapped.insert(hexText(o.index, 4) + ":" + hexDigits(o.subIndex, 2));
        EXPECT_EQ(objects, mapped) << "seed " << seed;
    }
}

} // namespace
} // namespace ordane
