#include "model/DbcImport.h"

#include "core/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;

const fs::path kDbc = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures" / "dbc";

std::size_t rowNamed(const DbcImport& import, const std::string& name) {
    for (std::size_t r = 0; r < import.rows().size(); ++r)
        if (import.message(import.rows()[r]).name == name)
            return r;
    throw std::runtime_error("no message " + name);
}

std::vector<std::string> names(const DbcImport& import, const std::vector<std::size_t>& rows) {
    std::vector<std::string> result;
    for (const std::size_t r : rows)
        result.push_back(import.message(import.rows()[r]).name);
    return result;
}

std::vector<std::string> row(const J1939FrameList& list, int r) {
    std::vector<std::string> cells;
    for (int c = 1; c <= list.columnCount(); ++c)
        cells.push_back(list.cell(r, c));
    return cells;
}

// Dimension and bytes worked out by hand: B1 is the object value's most significant byte,
// frame bytes count from 1.
struct EntryCase {
    const char* name;
    int startBit;
    int length;
    bool littleEndian;
    bool multiplexed;
    int dimension; // -1: not mapped
    std::array<std::int32_t, 4> bytes;
    const char* reason;
};

const EntryCase kEntryCases[] = {
    {"le_two_bytes_at_byte_3", 16, 16, true, false, 1, {4, 3, 0, 0}, ""},
    {"le_one_byte", 56, 8, true, false, 2, {8, 0, 0, 0}, ""},
    {"le_three_bytes", 8, 24, true, false, 0, {0, 4, 3, 2}, ""},
    {"le_four_bytes", 0, 32, true, false, 0, {4, 3, 2, 1}, ""},
    {"be_two_bytes", 7, 16, false, false, 1, {1, 2, 0, 0}, ""},
    {"be_four_bytes_from_byte_5", 39, 32, false, false, 0, {5, 6, 7, 8}, ""},
    {"be_three_bytes", 15, 24, false, false, 0, {0, 2, 3, 4}, ""},
    {"le_nibble", 0, 4, true, false, -1, {}, "byte boundaries"},
    {"le_unaligned_start", 4, 8, true, false, -1, {}, "byte boundaries"},
    {"be_unaligned", 23, 12, false, false, -1, {}, "byte boundaries"},
    {"be_start_not_msb", 0, 8, false, false, -1, {}, "byte boundaries"},
    {"forty_bits", 0, 40, true, false, -1, {}, "longer than 32 bits"},
    {"multiplexed", 8, 16, true, true, -1, {}, "multiplexed"},
};

class SignalEntry : public testing::TestWithParam<EntryCase> {};

TEST_P(SignalEntry, FollowsLengthAndByteOrder) {
    const EntryCase& c = GetParam();
    DbcSignal s;
    s.startBit = c.startBit;
    s.length = c.length;
    s.littleEndian = c.littleEndian;
    if (c.multiplexed)
        s.multiplex = DbcSignal::Multiplex::Multiplexed;
    std::string reason;
    const auto entry = signalEntry(s, reason);
    if (c.dimension < 0) {
        EXPECT_FALSE(entry);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << reason;
        return;
    }
    ASSERT_TRUE(entry) << reason;
    EXPECT_EQ(entry->dimension, c.dimension);
    EXPECT_EQ(entry->bytes, c.bytes);
}

INSTANTIATE_TEST_SUITE_P(Cases, SignalEntry, testing::ValuesIn(kEntryCases),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(DbcImport, SkipsWhatASideCannotHoldWithTheReason) {
    const DbcImport received(readDbcFile(kDbc / "pdu_byte_order.dbc"), FrameSide::Received);
    const DbcImport transmitted(readDbcFile(kDbc / "pdu_byte_order.dbc"), FrameSide::Transmitted);
    const auto reason = [](const DbcImport& i, const char* name) {
        const DbcImportRow& r = i.rows()[rowNamed(i, name)];
        return r.importable ? std::string("importable") : r.reason;
    };
    EXPECT_EQ(reason(received, "EEC1"), "importable");
    EXPECT_EQ(reason(received, "PageOneData"),
              "data page 1: the received list has no data-page column");
    EXPECT_EQ(reason(transmitted, "PageOneData"), "importable");
    EXPECT_EQ(reason(received, "ExtendedPage"),
              "extended data page bit set: not a J1939 parameter group");
    EXPECT_EQ(reason(transmitted, "LongFrame"), "DLC 12 above the converter's 8 bytes");

    const DbcImport mixed(readDbcFile(kDbc / "mixed_crlf_cp1252.dbc"), FrameSide::Received);
    EXPECT_EQ(reason(mixed, "Dashboard"), "standard 11-bit identifier, not a J1939 frame");
    EXPECT_EQ(reason(mixed, "Standard400"), "standard 11-bit identifier, not a J1939 frame");
    EXPECT_EQ(reason(mixed, "CCVS"), "importable");
    EXPECT_EQ(reason(mixed, "VECTOR__INDEPENDENT_SIG_MSG"),
              "not a CAN identifier (a message of the database's own)");
    EXPECT_EQ(mixed.rows()[rowNamed(mixed, "CCVS")].pgnText, "0xFEF1");
}

TEST(DbcImport, FillsEachSideWithItsColumns) {
    const DbcFile file = readDbcFile(kDbc / "pdu_byte_order.dbc");
    const DbcImport received(file, FrameSide::Received);
    J1939FrameList r(FrameSide::Received);
    r.setCell(7, 1, "left over");
    received.fillFrameList(r, received.choose({}));
    EXPECT_EQ(r.tableRows(), 4);
    EXPECT_EQ(row(r, 1), (std::vector<std::string>{"0x0000", "3", "N", "TSC1"}));
    EXPECT_EQ(row(r, 2), (std::vector<std::string>{"0xF004", "0", "N", "EEC1"}));
    EXPECT_EQ(row(r, 3), (std::vector<std::string>{"0xFF20", "33", "N", "MotorolaStatus"}));
    EXPECT_EQ(row(r, 4), (std::vector<std::string>{"0xFF24", "33", "N", "Wide"}));
    EXPECT_EQ(r.cell(7, 1), "");
    EXPECT_FALSE(r.firstFinding());

    const DbcImport transmitted(file, FrameSide::Transmitted);
    J1939FrameList t(FrameSide::Transmitted);
    transmitted.fillFrameList(t, transmitted.choose({{"PageOneData", "TSC1"}, {}, ""}));
    EXPECT_EQ(t.tableRows(), 2);
    EXPECT_EQ(row(t, 1), (std::vector<std::string>{"3", "0", "0x0000", "3", "TSC1"}));
    EXPECT_EQ(row(t, 2), (std::vector<std::string>{"6", "1", "0xFF30", "33", "PageOneData"}));
}

TEST(DbcImport, ChoosesByNamePgnAndNode) {
    const DbcFile file = readDbcFile(kDbc / "pdu_byte_order.dbc");
    const DbcImport received(file, FrameSide::Received);
    const DbcImport transmitted(file, FrameSide::Transmitted);
    EXPECT_EQ(names(transmitted, transmitted.choose({{}, {}, "Body"})),
              (std::vector<std::string>{"TSC1", "Wide"}));
    EXPECT_EQ(names(transmitted, transmitted.choose({{}, {}, "Gateway"})),
              (std::vector<std::string>{"MotorolaStatus", "PageOneData", "ExtendedPage",
                                        "LongFrame", "Wide"}));
    EXPECT_EQ(names(received, received.choose({{}, {}, "Body"})),
              (std::vector<std::string>{"EEC1"}));
    EXPECT_EQ(names(received, received.choose({{}, {0xF004, 0x1FF30}, ""})),
              (std::vector<std::string>{"EEC1", "PageOneData"}));
    EXPECT_EQ(names(received, received.choose({{"EEC1", "Wide"}, {0xF004}, ""})),
              (std::vector<std::string>{"EEC1"}));
    EXPECT_THROW(received.choose({{"EEC9"}, {}, ""}), Error);
    EXPECT_THROW(received.choose({{}, {0xFEF1}, ""}), Error);
    EXPECT_THROW(received.choose({{}, {}, "Nobody"}), Error);

    J1939FrameList list(FrameSide::Received);
    list.setCell(1, 1, "kept");
    EXPECT_THROW(received.fillFrameList(list, received.choose({{"ExtendedPage"}, {}, ""})), Error);
    EXPECT_EQ(list.cell(1, 1), "kept");
}

TEST(DbcImport, RefusesMoreFramesThanTheGridHolds) {
    std::string text = "BU_: A\n";
    for (int m = 0; m < 101; ++m)
        text += "BO_ " + std::to_string(0x98FF0000u + std::uint32_t(m) * 256) + " M" +
                std::to_string(m) + ": 8 A\n";
    DbcImport import(parseDbc(text, "many.dbc"), FrameSide::Received);
    J1939FrameList list(FrameSide::Received);
    try {
        import.fillFrameList(list, import.choose({}));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind("101 J1939 frames chosen; a frame list holds at most "
                                              "100.",
                                              0),
                  0u)
            << e.what();
    }
    EXPECT_EQ(list.tableRows(), 0);
    DbcSelection selection(import);
    EXPECT_EQ(selection.checkedCount(), 0u); // too many to offer checked
}

TEST(DbcImport, PlansOneIndexPerFrameAndASubIndexPerWholeByteSignal) {
    const DbcImport import(readDbcFile(kDbc / "pdu_byte_order.dbc"), FrameSide::Received);
    const DbcMappingPlan plan =
        import.planMapping(import.choose({{"EEC1", "MotorolaStatus"}, {}, ""}), 0x2100);
    ASSERT_EQ(plan.frames.size(), 2u);
    const auto& eec1 = plan.frames[0];
    ASSERT_EQ(eec1.size(), 3u);
    EXPECT_EQ(eec1[0].signal, "ActualEngPercentTorque");
    EXPECT_EQ(eec1[0].entry, (SdoMappingEntry{0x2100, 1, 2, {3, 0, 0, 0}, 0}));
    EXPECT_EQ(eec1[1].signal, "EngSpeed");
    EXPECT_EQ(eec1[1].spn, 190);
    EXPECT_EQ(eec1[1].entry, (SdoMappingEntry{0x2100, 2, 1, {5, 4, 0, 0}, 0}));
    EXPECT_EQ(eec1[2].entry, (SdoMappingEntry{0x2100, 3, 2, {8, 0, 0, 0}, 0}));
    const auto& motorola = plan.frames[1];
    ASSERT_EQ(motorola.size(), 2u);
    EXPECT_EQ(motorola[0].entry, (SdoMappingEntry{0x2101, 1, 1, {1, 2, 0, 0}, 0}));
    EXPECT_EQ(motorola[1].entry, (SdoMappingEntry{0x2101, 2, 0, {5, 6, 7, 8}, 0}));
    ASSERT_EQ(plan.skipped.size(), 2u);
    EXPECT_EQ(plan.skipped[0].signal, "EngTorqueMode");
    EXPECT_EQ(plan.skipped[1].signal, "Odd12");
}

TEST(DbcImport, SelectionFiltersChecksAndValidates) {
    DbcImport import(readDbcFile(kDbc / "pdu_byte_order.dbc"), FrameSide::Received);
    DbcSelection s(import);
    EXPECT_EQ(s.checkedCount(), 4u); // every importable row
    s.setChecked(rowNamed(import, "ExtendedPage"), true);
    EXPECT_EQ(s.checkedCount(), 4u); // a skipped row cannot be checked

    s.setFilter("ff2");
    EXPECT_EQ(names(import, s.visible()),
              (std::vector<std::string>{"MotorolaStatus", "LongFrame", "Wide"}));
    s.selectNone();
    EXPECT_EQ(names(import, s.chosen()), (std::vector<std::string>{"TSC1", "EEC1"}));
    s.setFilter("BODY");
    EXPECT_EQ(names(import, s.visible()), (std::vector<std::string>{"TSC1"}));
    s.setFilter("");
    s.selectNone();
    EXPECT_EQ(s.check(), "Choose at least one message");
    s.selectAll();
    EXPECT_EQ(s.checkedCount(), 4u);

    s.mapSignals = true;
    s.indexText = "0x9FFD";
    EXPECT_EQ(s.check(), "Error! The Index must be between 0x2000 and 0x9FFF");
    s.indexText = "0x9FFC";
    EXPECT_EQ(s.check(), std::nullopt);
    s.indexText = "zz";
    EXPECT_EQ(s.check(), "'zz' is not a valid integer value");
}

TEST(DbcImport, MappingObeysTheSdoEditorsRules) {
    test::TempFolder project;
    test::writeFile(
        project / "TInfoCob.xml",
        "<TInfoCob><row NrPdo=\"1\" Index=\"8449\" SubIndex=\"2\" Dimension=\"0\" B1=\"0\" "
        "B2=\"0\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/></TInfoCob>");
    const DbcImport import(readDbcFile(kDbc / "pdu_byte_order.dbc"), FrameSide::Received);
    const auto rows = import.choose({{"EEC1", "MotorolaStatus"}, {}, ""});
    J1939FrameList list(FrameSide::Received);
    import.fillFrameList(list, rows);

    SdoMapping fine(SdoSide::Received);
    applyMappingPlan(fine, project.path(), list, import.planMapping(rows, 0x2200));
    ASSERT_EQ(fine.frames().size(), 2u);
    EXPECT_EQ(fine.frames()[1].label, "0xFF20\t33");
    EXPECT_EQ(fine.entries(0).size(), 3u);

    SdoMapping taken(SdoSide::Received);
    try {
        applyMappingPlan(taken, project.path(), list, import.planMapping(rows, 0x2100));
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()),
                  "MotorolaStatus (0x18FF2021), signal Total32 (Index 0x2101, SubIndex 2): Error! "
                  "The Index 0x2101 and SubIndex 0x02 is already used in the Define SDO of "
                  "Transmit J1939 section");
    }
    SdoMapping fixed(SdoSide::Received);
    EXPECT_THROW(applyMappingPlan(fixed, project.path(), list, import.planMapping(rows, 0x2020)),
                 Error);
}

// Published databases name the sender 0xFE (null address) or 0xFF; the import saves the
// address given for them and keeps every other message's own.
TEST(DbcImport, MessagesWithoutASourceAddressTakeTheGivenOne) {
    DbcImport published(readDbcFile(kDbc / "null_address.dbc"), FrameSide::Received);
    EXPECT_TRUE(published.needsAddress());
    for (const DbcImportRow& r : published.rows()) {
        EXPECT_FALSE(r.importable);
        EXPECT_EQ(r.reason, "source address 0xFE (null address) in the DBC");
    }
    const char* fix = ": source address 0xFE (null address) in the DBC: give the sender's "
                      "address with --source-address";
    EXPECT_EQ(test::thrownText([&] { published.choose({{"EEC1"}, {}, ""}); }),
              std::string("EEC1 (0x0CF004FE)") + fix);
    EXPECT_EQ(test::thrownText([&] { published.choose({{}, {0xFEF1}, ""}); }),
              std::string("CCVS1 (0x18FEF1FE)") + fix);
    EXPECT_EQ(published.choose({}).size(), 4u); // listed as skipped, not refused

    published.setSourceAddress(0x21);
    J1939FrameList list(FrameSide::Received);
    published.fillFrameList(list, published.choose({{"EEC1", "TSC1"}, {}, ""}));
    EXPECT_EQ(row(list, 1), (std::vector<std::string>{"0xF004", "33", "N", "EEC1"}));
    EXPECT_EQ(row(list, 2), (std::vector<std::string>{"0x0000", "33", "N", "TSC1"}));

    DbcImport mixed(readDbcFile(kDbc / "mixed_addresses.dbc"), FrameSide::Transmitted);
    mixed.setSourceAddress(5);
    J1939FrameList sent(FrameSide::Transmitted);
    mixed.fillFrameList(sent, mixed.choose({}));
    EXPECT_EQ(row(sent, 1), (std::vector<std::string>{"3", "0", "0xF004", "0", "EEC1"}));
    EXPECT_EQ(row(sent, 2), (std::vector<std::string>{"6", "0", "0xFEF5", "5", "AMB"}));
    EXPECT_EQ(row(sent, 3), (std::vector<std::string>{"3", "0", "0xFE6C", "238", "TCO1"}));
    EXPECT_EQ(row(sent, 4), (std::vector<std::string>{"2", "0", "0xFE6E", "5", "HRW"}));
    EXPECT_EQ(row(sent, 5), (std::vector<std::string>{"6", "0", "0xFEF7", "3", "VEP1"}));
    mixed.setSourceAddress(std::nullopt);
    EXPECT_EQ(mixed.importable(mixed.choose({})).size(), 3u);

    const DbcImport global(readDbcFile(kDbc / "global_address.dbc"), FrameSide::Received);
    EXPECT_EQ(global.rows()[rowNamed(global, "DM1")].reason,
              "source address 0xFF (global address) in the DBC");
    EXPECT_TRUE(global.rows()[rowNamed(global, "EEC1")].importable);

    for (const auto& [text, message] :
         {std::pair{"254", "The source address 254 is not between 0 and 253"},
          std::pair{"0xFF", "The source address 0xFF is not between 0 and 253"},
          std::pair{"-1", "The source address -1 is not between 0 and 253"},
          std::pair{"sa", "'sa' is not a valid integer value"}})
        EXPECT_EQ(test::thrownText([&] { parseSourceAddress(text); }), message);
    EXPECT_EQ(parseSourceAddress(" 0xFD"), 253);
    EXPECT_THROW(mixed.setSourceAddress(254), Error);
}

TEST(DbcImport, SelectionTakesTheSourceAddressBox) {
    DbcImport import(readDbcFile(kDbc / "mixed_addresses.dbc"), FrameSide::Received);
    DbcSelection s(import);
    EXPECT_EQ(names(import, s.chosen()), (std::vector<std::string>{"EEC1", "TCO1", "VEP1"}));
    s.setChecked(rowNamed(import, "AMB"), true);
    EXPECT_EQ(s.checkedCount(), 3u); // no address, no tick

    EXPECT_EQ(s.setSourceAddressText("0x21"), std::nullopt);
    EXPECT_EQ(s.checkedCount(), 5u); // everything fits: offered checked, as at the start
    EXPECT_EQ(import.rows()[rowNamed(import, "AMB")].id.sourceAddress, 0x21);
    s.setChecked(rowNamed(import, "HRW"), false);
    EXPECT_EQ(s.setSourceAddressText("34"), std::nullopt);
    EXPECT_EQ(s.checkedCount(), 4u); // another address keeps the ticks

    EXPECT_EQ(s.setSourceAddressText("300"), "The source address 300 is not between 0 and 253");
    EXPECT_EQ(s.check(), "The source address 300 is not between 0 and 253");
    EXPECT_EQ(names(import, s.chosen()), (std::vector<std::string>{"EEC1", "TCO1", "VEP1"}));
    EXPECT_EQ(s.setSourceAddressText(""), std::nullopt);
    EXPECT_EQ(s.check(), std::nullopt);
}

TEST(DbcImport, RefusalsAndKeptSignalsNameTheDbcMessage) {
    DbcImport import(readDbcFile(kDbc / "mixed_addresses.dbc"), FrameSide::Received);
    import.setSourceAddress(5);
    const auto rows = import.choose({{"EEC1", "AMB"}, {}, ""});
    J1939FrameList list(FrameSide::Received);
    import.fillFrameList(list, rows);
    EXPECT_EQ(import.frameListRefusal(list, rows), std::nullopt);
    list.setCell(2, 2, "254");
    EXPECT_EQ(import.frameListRefusal(list, rows),
              "AMB (0x18FEF5FE): the ID Device must be between 0 and 253");

    const DbcMappingPlan plan = import.planMapping(rows, 0x2100);
    const KeptSide kept = import.keptSide(rows, &plan);
    EXPECT_EQ(kept.frames, (std::vector<KeptFrame>{{1, "EEC1", 0x0CF00400, 8, 0xF004, 0},
                                                   {2, "AMB", 0x18FEF5FE, 8, 0xFEF5, 5}}));
    ASSERT_EQ(kept.signalList.size(), 4u);
    KeptSignal temperature;
    temperature.frame = 2;
    temperature.entry = {0x2101, 2, 1, {5, 4, 0, 0}, 0};
    temperature.message = "AMB";
    temperature.name = "AmbientAirTemperature";
    temperature.unit = "deg C";
    temperature.factor = 0.03125;
    temperature.offset = -273;
    temperature.minimum = -273;
    temperature.maximum = 1734.96875;
    temperature.spn = 171;
    temperature.startBit = 24;
    temperature.length = 16;
    EXPECT_EQ(kept.signalList[3], temperature);
    EXPECT_EQ(kept.signalList[0].name, "ActualEnginePercentTorque");
    EXPECT_TRUE(import.keptSide(rows, nullptr).signalList.empty());
}

} // namespace
} // namespace ordane
