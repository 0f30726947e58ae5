#include "documents/DbcFile.h"
#include "core/Error.h"
#include "documents/J1939Identifier.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;

const fs::path kDbc = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures" / "dbc";

const DbcMessage& messageNamed(const DbcFile& file, const std::string& name) {
    for (const DbcMessage& m : file.messages)
        if (m.name == name)
            return m;
    throw std::runtime_error("no message " + name);
}

const DbcSignal& signalNamed(const DbcMessage& message, const std::string& name) {
    for (const DbcSignal& s : message.signalList)
        if (s.name == name)
            return s;
    throw std::runtime_error("no signal " + name);
}

// The J1939 rules, worked out by hand from the identifier bits.
struct J1939Case {
    const char* name;
    std::uint32_t rawId;
    const char* frameFormat;
    int length;
    bool isJ1939;
    J1939Identifier id;    // priority, EDP, DP, PF, PS, SA
    std::uint32_t pgn;     // 16-bit
    std::uint32_t fullPgn; // with the data page
    const char* reason;    // a part of it
};

const J1939Case kJ1939Cases[] = {
    {"pdu2", 0x8CF00400, "", 8, true, {3, 0, 0, 0xF0, 0x04, 0x00}, 0xF004, 0xF004, ""},
    {"pdu1_clears_destination",
     0x8C001703,
     "",
     8,
     true,
     {3, 0, 0, 0x00, 0x17, 0x03},
     0x0000,
     0x0000,
     ""},
    {"pdu1_top", 0x98EFFF80, "", 8, true, {6, 0, 0, 0xEF, 0xFF, 0x80}, 0xEF00, 0xEF00, ""},
    {"pdu2_lowest", 0x98F00021, "", 8, true, {6, 0, 0, 0xF0, 0x00, 0x21}, 0xF000, 0xF000, ""},
    {"data_page_1", 0x99FF3021, "", 8, true, {6, 0, 1, 0xFF, 0x30, 0x21}, 0xFF30, 0x1FF30, ""},
    {"priority_7_sa_253",
     0x9DFEEEFD,
     "",
     8,
     true,
     {7, 0, 1, 0xFE, 0xEE, 0xFD},
     0xFEEE,
     0x1FEEE,
     ""},
    {"j1939pg_without_flag",
     0x18FEF100,
     "J1939PG",
     8,
     true,
     {6, 0, 0, 0xFE, 0xF1, 0x00},
     0xFEF1,
     0xFEF1,
     ""},
    {"extended_data_page",
     0x9AFF0121,
     "",
     8,
     false,
     {6, 1, 0, 0xFF, 0x01, 0x21},
     0xFF01,
     0xFF01,
     "extended data page"},
    {"standard", 0x123, "", 8, false, {}, 0, 0, "standard 11-bit"},
    {"standard_marked", 0x400, "StandardCAN", 2, false, {}, 0, 0, "standard 11-bit"},
    {"too_long",
     0x98FF2221,
     "",
     12,
     false,
     {6, 0, 0, 0xFF, 0x22, 0x21},
     0xFF22,
     0xFF22,
     "DLC 12 above"},
    {"can_fd", 0x98FF2221, "ExtendedCAN_FD", 8, false, {}, 0, 0, "CAN FD"},
    {"pseudo_message", 0xC0000000, "", 0, false, {}, 0, 0, "not a CAN identifier"},
};

class J1939Rules : public testing::TestWithParam<J1939Case> {};

TEST_P(J1939Rules, SplitTheIdentifier) {
    const J1939Case& c = GetParam();
    const J1939Reading r = readJ1939(c.rawId, c.frameFormat, c.length);
    EXPECT_EQ(r.isJ1939, c.isJ1939) << r.reason;
    EXPECT_NE(r.reason.find(c.reason), std::string::npos) << r.reason;
    if (c.pgn != 0 || c.isJ1939) {
        EXPECT_EQ(r.id, c.id);
        EXPECT_EQ(r.id.pgn(), c.pgn);
        EXPECT_EQ(r.id.fullPgn(), c.fullPgn);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, J1939Rules, testing::ValuesIn(kJ1939Cases),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(DbcFile, ReadsMessagesSignalsAndWhatIsSaidAboutThem) {
    const DbcFile file = readDbcFile(kDbc / "pdu_byte_order.dbc");
    EXPECT_EQ(file.nodes, (std::vector<std::string>{"Engine", "Body", "Gateway"}));
    ASSERT_EQ(file.messages.size(), 7u);
    EXPECT_EQ(file.messages[0].name, "TSC1"); // file order

    const DbcMessage& eec1 = messageNamed(file, "EEC1");
    EXPECT_EQ(eec1.rawId, 2364539904u);
    EXPECT_TRUE(eec1.extended());
    EXPECT_EQ(eec1.id(), 0x0CF00400u);
    EXPECT_EQ(eec1.length, 8);
    EXPECT_EQ(eec1.transmitter, "Engine");
    EXPECT_EQ(eec1.line, 20);
    EXPECT_EQ(file.messageAttribute(eec1, "VFrameFormat"), "J1939PG"); // the default

    const DbcSignal& speed = signalNamed(eec1, "EngSpeed");
    EXPECT_EQ(speed.startBit, 24);
    EXPECT_EQ(speed.length, 16);
    EXPECT_TRUE(speed.littleEndian);
    EXPECT_FALSE(speed.isSigned);
    EXPECT_DOUBLE_EQ(speed.factor, 0.125);
    EXPECT_DOUBLE_EQ(speed.maximum, 8031.875);
    EXPECT_EQ(speed.unit, "rpm");
    EXPECT_EQ(speed.receivers, (std::vector<std::string>{"Gateway", "Body"}));
    EXPECT_EQ(speed.comment, "Actual engine speed.");
    EXPECT_EQ(speed.spn(), 190);
    EXPECT_EQ(speed.firstByte(), 3);
    EXPECT_EQ(speed.lastByte(), 4);
    EXPECT_EQ(signalNamed(eec1, "EngTorqueMode").spn(), -1);
    EXPECT_DOUBLE_EQ(signalNamed(eec1, "ActualEngPercentTorque").offset, -125);

    EXPECT_EQ(messageNamed(file, "TSC1").comment, "Torque/Speed Control 1, to the engine");
    const DbcMessage& motorola = messageNamed(file, "MotorolaStatus");
    const DbcSignal& counter = signalNamed(motorola, "Counter16");
    EXPECT_FALSE(counter.littleEndian);
    EXPECT_EQ(counter.firstByte(), 0);
    EXPECT_EQ(counter.lastByte(), 1);
    const DbcSignal& odd = signalNamed(motorola, "Odd12"); // bits 23..16, then 31..28
    EXPECT_EQ(odd.firstByte(), 2);
    EXPECT_EQ(odd.lastByte(), 3);
    const DbcSignal& total = signalNamed(motorola, "Total32");
    EXPECT_TRUE(total.isSigned);
    EXPECT_EQ(total.lastByte(), 7);

    const DbcMessage& wide = messageNamed(file, "Wide");
    EXPECT_TRUE(wide.transmittedBy("Body")); // BO_TX_BU_
    EXPECT_TRUE(wide.transmittedBy("Gateway"));
    EXPECT_FALSE(wide.transmittedBy("Engine"));
    EXPECT_TRUE(wide.receivedBy("Body"));
}

TEST(DbcFile, ReadsWindows1252WithCrLfAndTabsLikeUtf8WithBlanks) {
    const DbcFile crlf = readDbcFile(kDbc / "mixed_crlf_cp1252.dbc");
    const DbcFile tabs = readDbcFile(kDbc / "tabs_blanks.dbc");
    EXPECT_TRUE(crlf.nodes.empty());
    EXPECT_EQ(crlf.version, "Mixed 11/29");

    const DbcMessage& dashboard = messageNamed(crlf, "Dashboard");
    EXPECT_FALSE(dashboard.extended());
    EXPECT_EQ(dashboard.id(), 291u);
    EXPECT_EQ(crlf.messageAttribute(dashboard, "VFrameFormat"), "StandardCAN");
    EXPECT_EQ(dashboard.comment, "Tableau de bord, temp\u00e9rature ext\u00e9rieure");
    const DbcSignal& outside = signalNamed(dashboard, "OutsideTemp");
    EXPECT_EQ(outside.unit, "\u00b0C");
    EXPECT_EQ(outside.values, (std::vector<std::pair<std::int64_t, std::string>>{
                                  {-128, "Error"}, {127, "Not available"}}));
    EXPECT_EQ(signalNamed(messageNamed(crlf, "ET1"), "EngCoolantTemp").comment,
              "Temp\u00e9rature du liquide \u2013 \u00ab moteur \u00bb");
    EXPECT_EQ(messageNamed(crlf, "ET1").line, 20);

    ASSERT_EQ(tabs.messages.size(), crlf.messages.size());
    for (std::size_t m = 0; m < crlf.messages.size(); ++m) {
        const DbcMessage& a = crlf.messages[m];
        const DbcMessage& b = tabs.messages[m];
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.rawId, b.rawId);
        EXPECT_EQ(a.length, b.length);
        EXPECT_EQ(a.comment, b.comment);
        ASSERT_EQ(a.signalList.size(), b.signalList.size()) << a.name;
        for (std::size_t s = 0; s < a.signalList.size(); ++s) {
            EXPECT_EQ(a.signalList[s].name, b.signalList[s].name);
            EXPECT_EQ(a.signalList[s].startBit, b.signalList[s].startBit);
            EXPECT_EQ(a.signalList[s].length, b.signalList[s].length);
            EXPECT_DOUBLE_EQ(a.signalList[s].factor, b.signalList[s].factor);
            EXPECT_DOUBLE_EQ(a.signalList[s].maximum, b.signalList[s].maximum);
            EXPECT_EQ(a.signalList[s].unit, b.signalList[s].unit);
            EXPECT_EQ(a.signalList[s].comment, b.signalList[s].comment);
        }
    }
}

TEST(DbcFile, ReadsMultiplexedSignals) {
    const DbcFile file = readDbcFile(kDbc / "multiplexed.dbc");
    const DbcMessage& m = messageNamed(file, "MuxedDiag");
    EXPECT_EQ(signalNamed(m, "PageSelect").multiplex, DbcSignal::Multiplex::Multiplexor);
    EXPECT_EQ(signalNamed(m, "OilPressure").multiplex, DbcSignal::Multiplex::Multiplexed);
    EXPECT_EQ(signalNamed(m, "Hours").multiplexValue, 2u);
    EXPECT_EQ(signalNamed(m, "Plain").multiplex, DbcSignal::Multiplex::None);
}

TEST(DbcFile, ReadsEmptySectionsAndSkipsTheOnesItDoesNotNeed) {
    const std::string text = "VERSION \"\"\n\nNS_ :\n\nBS_:\nBU_:\n"
                             "EV_ Env: 0 [0|1] \"\" 0 1 DUMMY_NODE_VECTOR0 Vector__XXX;\n"
                             "BO_ 2566844672 CCVS: 8 Vector__XXX\n"
                             "SIG_GROUP_ 2566844672 Group 1 : ;\n"
                             "BA_DEF_REL_ BU_SG_REL_ \"Rel\" INT 0 1;\n"
                             "CM_ EV_ Env \"x; y\";\n";
    const DbcFile file = parseDbc(text, "skip.dbc");
    ASSERT_EQ(file.messages.size(), 1u);
    EXPECT_TRUE(file.messages[0].signalList.empty());
}

struct BadCase {
    const char* name;
    std::string text;
    const char* message;
};

const BadCase kBadCases[] = {
    {"not_dbc", "hello world;\n", "bad.dbc is not a DBC file"},
    {"prose", "This is not a database\n", "bad.dbc, line 1: not a DBC statement"},
    {"truncated_bo", "VERSION \"\"\n\nBO_ 2364539904 EEC1:\n",
     "bad.dbc, line 3: truncated or malformed BO_ line"},
    {"truncated_sg", "BO_ 2364539904 EEC1: 8 Engine\n SG_ EngSpeed : 24|16@1+ (0.125,0)\n",
     "bad.dbc, line 2: truncated or malformed SG_ line"},
    {"sg_outside", "BU_: A\nSG_ X : 0|8@1+ (1,0) [0|1] \"\" A\n",
     "bad.dbc, line 2: SG_ line outside a BO_ message"},
    {"duplicate_id", "BO_ 2364539904 EEC1: 8 Engine\r\n\r\nBO_ 2364539904 Other: 8 Engine\r\n",
     "bad.dbc, line 3: the message identifier 2364539904 of Other is already used by EEC1 "
     "(line 1)"},
    {"past_length", "BO_ 2364539904 EEC1: 4 Engine\n SG_ EngSpeed : 24|16@1+ (1,0) [0|1] \"\" X\n",
     "bad.dbc, line 2: the signal EngSpeed runs past the 4 bytes of EEC1"},
    {"big_endian_past_length",
     "BO_ 2364539904 EEC1: 2 Engine\n SG_ S : 15|16@0+ (1,0) [0|1] \"\" X\n",
     "bad.dbc, line 2: the signal S runs past the 2 bytes of EEC1"},
    {"zero_length", "BO_ 2364539904 EEC1: 8 Engine\n SG_ S : 0|0@1+ (1,0) [0|1] \"\" X\n",
     "bad.dbc, line 2: the signal S has a length of 0 bits"},
    {"unterminated_comment", "BU_: A\nCM_ BU_ A \"never closed;\n",
     "bad.dbc, line 2: malformed CM_ statement"},
    {"binary", std::string("BU_: A\n\x01\x02\x00\xFF", 11), "bad.dbc, line 2: binary content"},
    {"huge_id", "BO_ 99999999999 X: 8 A\n",
     "bad.dbc, line 1: the number 99999999999 is out of range"},
};

class DbcBadInput : public testing::TestWithParam<BadCase> {};

TEST_P(DbcBadInput, IsRefusedWithItsLine) {
    try {
        parseDbc(GetParam().text, "bad.dbc");
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()).rfind(GetParam().message, 0), 0u) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, DbcBadInput, testing::ValuesIn(kBadCases),
                         [](const auto& c) { return std::string(c.param.name); });

TEST(DbcFile, RefusesAFileBeyondTheReadLimitWithoutReadingIt) {
    test::TempFolder folder;
    const fs::path big = folder / "big.dbc";
    test::writeFile(big, "VERSION \"\"\n");
    fs::resize_file(big, kLargestDbcFile + 1); // sparse
    try {
        readDbcFile(big);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("is larger than 32 MB"), std::string::npos)
            << e.what();
    }
}

} // namespace
} // namespace ordane
