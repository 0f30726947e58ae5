#include "compiler/CompileProject.h"

#include "cli/Cli.h"
#include "core/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace ordane {
namespace {

namespace fs = std::filesystem;

using Bytes = std::vector<std::uint8_t>;

// `<root><row a="1" .../>...</root>`, each row given by its attribute text.
std::string table(const std::string& root, const std::vector<std::string>& rows) {
    std::string text = "<?xml version=\"1.0\"?>\n<" + root + ">\n";
    for (const std::string& row : rows)
        text += "  <row " + row + "/>\n";
    return text + "</" + root + ">\n";
}

std::vector<std::string> repeated(const std::string& row, std::size_t count) {
    return std::vector<std::string>(count, row);
}

std::string record(const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string text = "<GeneralParameter>\n";
    for (const auto& [name, value] : fields)
        text += "  <" + name + ">" + value + "</" + name + ">\n";
    return text + "</GeneralParameter>\n";
}

// The seven parameters without a default.
const std::vector<std::pair<std::string, std::string>> kRequiredParameters = {
    {"BaudRateCAN", "5"},    {"CANType", "1"},         {"IDDev_CANopen", "1"},
    {"Baud_CANopen", "8"},   {"Set_Ope_CANopen", "0"}, {"Net_Start_CANopen", "0"},
    {"Delay_CANopen", "10"},
};

const LocalDateTime kNinthDecember{2026, 12, 9, 1, 8, 30}; // stamps 1A 4E, 01 79

class Compile : public ::testing::Test {
protected:
    Compile() { fs::create_directories(project / "bin"); }

    void document(const std::string& name, const std::string& text) {
        test::writeFile(project / name, text);
    }
    void compile() { compileProject(project.path(), image, messages, clock); }
    std::string compileError() {
        try {
            compile();
        } catch (const Error& e) {
            return e.what();
        }
        return "no error";
    }
    Bytes bytes(int bank, std::size_t offset, std::size_t count) const {
        const auto b = image.bank(bank);
        return Bytes(b.begin() + offset, b.begin() + offset + count);
    }

    test::TempFolder project;
    DeviceImage image;
    RecordingMessageSink messages;
    FixedClock clock{kNinthDecember};
};

TEST_F(Compile, EmptyProjectGivesThePresetsTheStampsAndTheThreeMessages) {
    compile();
    EXPECT_EQ(messages.texts(), (std::vector<std::string>{"File NodeGuard xml not found",
                                                          "File NG_J1939_Frame xml not found",
                                                          "File SDOClient xml not found"}));
    for (const auto& m : messages.messages())
        EXPECT_EQ(m.kind, RecordingMessageSink::Kind::Info);

    Bytes expected(81920, 0x00);
    std::fill(expected.begin(), expected.begin() + 4096, 0xFF);
    std::fill(expected.begin() + 15700, expected.begin() + 15900, 0xFF);
    std::fill(expected.begin() + 16200, expected.begin() + 16300, 0xFF);
    expected[16020] = 0x1A;
    expected[16021] = 0x4E;
    expected[16022] = 0x01;
    expected[16023] = 0x79;
    EXPECT_EQ(Bytes(image.bytes().begin(), image.bytes().end()), expected);
}

TEST_F(Compile, EveryDocumentLandsInItsRecordsAtTheirOffsets) {
    document("RCobDef.xml", table("COBID", {R"(PGN="0xFEF1" ID_DEV="0x80" Delete="N")",
                                            R"(PGN="61444" ID_DEV="3")"}));
    document("TCobDef.xml", table("COBID", {R"(Priority="6" DP="0" PGN="0xFEF1" ID_DEV="0x80")",
                                            R"(Priority="3" DP="1" PGN="$100" ID_DEV="7")"}));
    document(
        "RInfoCob.xml",
        table(
            "RInfoCob",
            {R"(NrPdo="2" Index="8193" SubIndex="3" Dimension="1" B1="1" B2="2" B3="0" B4="0")",
             R"(NrPdo="1" Index="8194" SubIndex="0" Dimension="2" B1="1" B2="0" B3="0" B4="0")",
             R"(NrPdo="1" Index="8195" SubIndex="0" Dimension="0" B1="1" B2="0" B3="0" B4="0")"}));
    document(
        "TInfoCob.xml",
        table(
            "TInfoCob",
            {R"(NrPdo="1" Index="0x2100" SubIndex="0" Dimension="0" B1="1" B2="2" B3="3" B4="4" Send_SDO="1")"}));
    document("pdoJ1939.xml",
             table("PDOJ1939", {R"(COB-ID="0x201" Dimension="8" Offset="1" Frame_J1939="2")",
                                R"(COB-ID="0x302" Dimension="2" Frame_J1939="1")"}));
    document("TpdoJ1939.xml",
             table("PDOJ1939", {R"(COB-ID="0x181" Dimension="4" Offset="5" Frame_J1939="1")",
                                R"(COB-ID="0x182" Dimension="1" Offset="x" Frame_J1939="2")"}));
    document("NodeGuard.xml",
             table("Node_Guarding",
                   {R"(NodeID="5" GuardTime="0x1234" LifeTimeFactor="3" Mnemonic="")"}));
    document("NG_J1939_Frame.xml",
             table("NG_J1939_Frames", {R"(Priority="6" DataPage="0" PGN="0xFF10" SA="0x01")"}));
    document("SDOClient.xml", table("J1939_Frames_SDOClient",
                                    {R"(Priority="0" DataPage="1" PGN="0xEF00" SA="0x20")"}));
    document("pargen.xml", record({{"BaudRateCAN", "5"},
                                   {"CANType", "1"},
                                   {"IDDev_CANopen", "0x10"},
                                   {"Baud_CANopen", "8"},
                                   {"Set_Ope_CANopen", "1"},
                                   {"Net_Start_CANopen", "0"},
                                   {"Delay_CANopen", "10"},
                                   {"TimeOut_Data", "3"},
                                   {"Peer_to_Peer", "1"},
                                   {"Sent_TPDO", "0"},
                                   {"Sent_TPDO_Time", "500"},
                                   {"NodeGuard", "1"},
                                   {"Send_NG_J1939", "1"},
                                   {"BG_Send_Every", "2000"},
                                   {"EN_SDO_Client", "1"},
                                   {"TO_SDO_Client", "60000"}}));
    compile();
    EXPECT_TRUE(messages.messages().empty());

    struct Expect {
        const char* what;
        int bank;
        std::size_t offset;
        Bytes bytes;
    };
    const Expect expects[] = {
        {"received frames: PGN, source, position",
         1,
         0,
         {0xF1, 0xFE, 0x00, 0x00, 0x80, 0x00, 0x04, 0xF0, 0x00, 0x00, 0x03, 0x01, 0xFF}},
        {"transmitted identifiers", 2, 0, {0x80, 0xF1, 0xFE, 0x18, 0x07, 0x00, 0x01, 0x0D, 0x00}},
        {"received SDO entries, sizes from Dimension 1, 2 and 0",
         1,
         1000,
         {0x01, 0x20, 0x03, 0x02, 0x02, 0x01, 0x02, 0x00, 0x00, //
          0x02, 0x20, 0x00, 0x01, 0x01, 0x01, 0x00, 0x00, 0x00, //
          0x03, 0x20, 0x00, 0x04, 0x01, 0x01, 0x00, 0x00, 0x00, 0xFF}},
        {"transmitted SDO entry",
         2,
         1000,
         {0x00, 0x21, 0x00, 0x04, 0x01, 0x01, 0x02, 0x03, 0x04, 0x01, 0x00}},
        {"reserved", 1, 4095, {0xFF, 0x00}},
        {"RPDOs, the second without Offset",
         1,
         15500,
         {0x01, 0x02, 0x08, 0x02, 0x01, 0x02, 0x03, 0x02, 0x01, 0x01, 0x00}},
        {"TPDOs, Offset no number",
         1,
         15600,
         {0x81, 0x01, 0x04, 0x01, 0x05, 0x82, 0x01, 0x01, 0x02, 0x01, 0x00}},
        {"guarded node", 1, 15700, {0x05, 0x34, 0x12, 0x03, 0xFF}},
        {"state frame identifier", 1, 15850, {0x01, 0x10, 0xFF, 0x18, 0xFF}},
        {"end of the state frame preset", 1, 15899, {0xFF, 0x00}},
        {"SDO client identifier", 1, 16200, {0x20, 0x00, 0xEF, 0x01, 0xFF}},
        {"parameter block",
         1,
         16000,
         {0x06, 0x01, 0x10, 0x08, 0x01, 0x00, 0x0A, 0x03, // 16000: baud + 1 .. time-out
          0x01, 0x00, 0x01, 0x00,                         // 16008: constant 1, peer to peer, gap
          0x02, 0x00, 0x02, 0x00, 0x03, 0x00, 0x01, 0x00, // 16012: the four row counts
          0x1A, 0x4E, 0x01, 0x79,                         // 16020: stamps
          0x02, 0x02, 0x00, 0xF4, 0x01, 0x01, 0x01,       // 16024: PDO counts .. Send_NG_J1939
          0xD0, 0x07, 0x01, 0x60, 0xEA,                   // 16031: BG_Send_Every .. TO_SDO_Client
          0x00}},
        {"no delete flag", 1, 16100, Bytes(32, 0x00)},
    };
    for (const Expect& e : expects)
        EXPECT_EQ(bytes(e.bank, e.offset, e.bytes.size()), e.bytes) << e.what;
}

TEST_F(Compile, DeleteFlagsAreSetForYInEitherCaseAndReachTheImageOnlyWithPargen) {
    document(
        "RCobDef.xml",
        table("COBID", {R"(PGN="1" ID_DEV="1" Delete="y")", R"(PGN="1" ID_DEV="1" Delete="Y")",
                        R"(PGN="1" ID_DEV="1" Delete="N")", R"(PGN="1" ID_DEV="1")",
                        R"(PGN="1" ID_DEV="1" Delete="yes")", R"(PGN="1" ID_DEV="1" Delete="")",
                        R"(PGN="1" ID_DEV="1" Delete=" Y")", R"(PGN="1" ID_DEV="1" Delete="N")",
                        R"(PGN="1" ID_DEV="1" Delete="Y")"}));
    compile();
    EXPECT_EQ(bytes(1, 16100, 2), (Bytes{0x00, 0x00}));
    EXPECT_EQ(bytes(1, 16012, 2), (Bytes{0x00, 0x00}));

    document("pargen.xml", record(kRequiredParameters));
    compile();
    EXPECT_EQ(bytes(1, 16100, 3), (Bytes{0x03, 0x01, 0x00})); // rows 0, 1 and 8
    EXPECT_EQ(bytes(1, 16012, 2), (Bytes{0x09, 0x00}));
}

TEST_F(Compile, ParametersWithoutTextOrNumberTakeTheirDefaults) {
    auto fields = kRequiredParameters;
    fields[0].second = "-1"; // no J1939 baud rate chosen
    fields.push_back({"Sent_TPDO_Time", "abc"});
    fields.push_back({"NodeGuard", "true"});
    document("pargen.xml", record(fields));
    compile();
    EXPECT_EQ(bytes(1, 16000, 36),
              (Bytes{0x00, 0x01, 0x01, 0x08, 0x00, 0x00, 0x0A, 0x00, // TimeOut_Data 0
                     0x01, 0x00, 0x00, 0x00,                         // constant 1, Peer_to_Peer 0
                     0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, // no rows anywhere
                     0x1A, 0x4E, 0x01, 0x79,                         //
                     0x00, 0x00, 0x01, 0xE8, 0x03, 0x00, 0x00,       // Sent_TPDO 1, 1000, 0, 0
                     0xE8, 0x03, 0x00, 0x10, 0x27}));                // 1000, 0, 10000
}

TEST_F(Compile, ABadValueStopsWithATextNamingWhereItIs) {
    const std::string goodFrame = R"(Priority="6" DP="0" PGN="1" ID_DEV="2")";
    struct Case {
        const char* document;
        std::string text;
        std::string error;
    };
    const Case cases[] = {
        {"TCobDef.xml",
         table("COBID", {goodFrame, goodFrame, R"(Priority="6" DP="0" PGN="xyz" ID_DEV="2")"}),
         "TCobDef.xml, row 3, PGN: 'xyz' is not a valid integer value"},
        {"RCobDef.xml", table("COBID", {R"(PGN="1")"}),
         "RCobDef.xml, row 1: attribute 'ID_DEV' is missing"},
        {"TInfoCob.xml",
         table(
             "TInfoCob",
             {R"(NrPdo="1" Index="8193" SubIndex="0" Dimension="0" B1="1" B2="2" B3="3" B4="4")"}),
         "TInfoCob.xml, row 1: attribute 'Send_SDO' is missing"},
        {"pdoJ1939.xml", table("PDOJ1939", {R"(COB-ID="0x201" Dimension="8" Offset="1")"}),
         "pdoJ1939.xml, row 1: attribute 'Frame_J1939' is missing"},
        {"NodeGuard.xml",
         table("Node_Guarding", {R"(NodeID="1" GuardTime="5 " LifeTimeFactor="3")"}),
         "NodeGuard.xml, row 1, GuardTime: '5 ' is not a valid integer value"},
        {"SDOClient.xml", table("J1939_Frames_SDOClient", {R"(Priority="0" PGN="1" SA="2")"}),
         "SDOClient.xml, row 1: attribute 'DataPage' is missing"},
        {"pargen.xml", record({{"CANType", "1"}}), "pargen.xml: element 'BaudRateCAN' is missing"},
        {"pargen.xml", record({{"BaudRateCAN", "5"}, {"CANType", "1"}, {"IDDev_CANopen", "abc"}}),
         "pargen.xml, IDDev_CANopen: 'abc' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        document(c.document, c.text);
        EXPECT_EQ(compileError(), c.error) << c.document;
        fs::remove(project / c.document);
    }

    document("RCobDef.xml", "<COBID><row PGN=\"1\" ID_DEV=\"2\"></COBID>");
    EXPECT_EQ(compileError().rfind("RCobDef.xml: ", 0), 0u);
}

TEST_F(Compile, AStopKeepsWhatWasWrittenBeforeIt) {
    auto frames = [](int count) {
        std::vector<std::string> rows;
        for (int k = 0; k < count; ++k)
            rows.push_back("Priority=\"6\" DP=\"0\" PGN=\"" + std::to_string(k) + "\" ID_DEV=\"" +
                           std::to_string(k) + "\"");
        return rows;
    };
    document("TCobDef.xml", table("COBID", frames(10)));
    document("pargen.xml", record(kRequiredParameters));
    compile();

    std::vector<std::string> bad = frames(4);
    bad[0] = R"(Priority="6" DP="0" PGN="0xAA" ID_DEV="1")";
    bad[1] = R"(Priority="6" DP="0" PGN="0xBB" ID_DEV="2")";
    bad[2] = R"(Priority="6" DP="0" PGN="xyz" ID_DEV="3")";
    document("TCobDef.xml", table("COBID", bad));
    EXPECT_EQ(compileError(), "TCobDef.xml, row 3, PGN: 'xyz' is not a valid integer value");
    EXPECT_EQ(bytes(2, 0, 12),
              (Bytes{0x01, 0xAA, 0x00, 0x18, 0x02, 0xBB, 0x00, 0x18, // new rows 0, 1
                     0x02, 0x02, 0x00, 0x18}));                      // row 2 of before
    EXPECT_EQ(bytes(1, 16014, 2), (Bytes{0x0A, 0x00})); // the counts of the compilation before

    // SDO entries are written field by field: a bad B3 leaves Index to B2 of its row.
    fs::remove(project / "TCobDef.xml");
    document(
        "RInfoCob.xml",
        table(
            "RInfoCob",
            {R"(NrPdo="1" Index="0x2001" SubIndex="7" Dimension="2" B1="1" B2="2" B3="q" B4="4")"}));
    EXPECT_EQ(compileError(), "RInfoCob.xml, row 1, B3: 'q' is not a valid integer value");
    EXPECT_EQ(bytes(1, 1000, 9), (Bytes{0x01, 0x20, 0x07, 0x01, 0x01, 0x01, 0x02, 0xFF, 0xFF}));
}

TEST_F(Compile, TheImageKeepsWhatAnEarlierCompilationWroteThere) {
    std::vector<std::string> ten;
    for (int k = 1; k <= 10; ++k)
        ten.push_back("Priority=\"6\" DP=\"0\" PGN=\"" + std::to_string(k) + "\" ID_DEV=\"" +
                      std::to_string(k) + "\"");
    document("TCobDef.xml", table("COBID", ten));
    document("RCobDef.xml", table("COBID", {R"(PGN="1" ID_DEV="1" Delete="Y")"}));
    document("pargen.xml", record(kRequiredParameters));
    compile();

    document("TCobDef.xml", table("COBID", {ten.begin(), ten.begin() + 4}));
    compile();
    // Identifiers 5 to 10 of the longer list: 0x18, then PGN and source address k.
    Bytes tail;
    for (std::uint8_t k = 5; k <= 10; ++k)
        tail.insert(tail.end(), {k, k, 0x00, 0x18});
    EXPECT_EQ(bytes(2, 16, 24), tail);
    EXPECT_EQ(bytes(1, 16014, 2), (Bytes{0x04, 0x00}));

    // Without pargen.xml only the stamps change: counts and flags stay as they were.
    fs::remove(project / "pargen.xml");
    document("RCobDef.xml",
             table("COBID", {R"(PGN="1" ID_DEV="1" Delete="N")", R"(PGN="2" ID_DEV="1")"}));
    clock.set({2027, 1, 2, 3, 4, 6});
    const Bytes blockAfterFour = bytes(1, 16000, 36);
    compile();
    Bytes expected = blockAfterFour;
    expected[20] = static_cast<std::uint8_t>(27 + 1 * 128);
    expected[21] = static_cast<std::uint8_t>((27 + 1 * 128 + 2 * 2048) >> 8);
    expected[22] = static_cast<std::uint8_t>(3 + 4 * 32 + 3 * 2048);
    expected[23] = static_cast<std::uint8_t>((3 + 4 * 32 + 3 * 2048) >> 8);
    EXPECT_EQ(bytes(1, 16000, 36), expected);
    EXPECT_EQ(bytes(1, 16100, 1), (Bytes{0x01}));
}

TEST_F(Compile, RowsBeyondTheRoomOfTheirAreaAreRefusedBeforeAnyIsWritten) {
    struct Case {
        const char* document;
        const char* root;
        const char* row;
        std::size_t room;
        ImageArea area;
    };
    const Case cases[] = {
        {"RCobDef.xml", "COBID", R"(PGN="1" ID_DEV="2")", 166, area::receivedFrames},
        {"TCobDef.xml", "COBID", R"(Priority="6" DP="0" PGN="1" ID_DEV="2")", 250,
         area::transmittedFrames},
        {"RInfoCob.xml", "RInfoCob",
         R"(NrPdo="1" Index="8193" SubIndex="1" Dimension="0" B1="1" B2="2" B3="3" B4="4")", 344,
         area::receivedSdo},
        {"TInfoCob.xml", "TInfoCob",
         R"(NrPdo="1" Index="8193" SubIndex="1" Dimension="0" B1="1" B2="2" B3="3" B4="4" Send_SDO="1")",
         1538, area::transmittedSdo},
        {"pdoJ1939.xml", "PDOJ1939", R"(COB-ID="0x201" Dimension="8" Offset="1" Frame_J1939="1")",
         20, area::rpdoMappings},
        {"TpdoJ1939.xml", "PDOJ1939", R"(COB-ID="0x181" Dimension="8" Offset="1" Frame_J1939="1")",
         20, area::tpdoMappings},
        {"NodeGuard.xml", "Node_Guarding", R"(NodeID="1" GuardTime="100" LifeTimeFactor="3")", 37,
         area::guardedNodes},
        {"NG_J1939_Frame.xml", "NG_J1939_Frames", R"(Priority="0" DataPage="0" PGN="1" SA="2")", 37,
         area::guardStateFrames},
        {"SDOClient.xml", "J1939_Frames_SDOClient", R"(Priority="0" DataPage="0" PGN="1" SA="2")",
         25, area::sdoClientFrames},
    };
    // What every area holds after compiling a project without documents.
    DeviceImage presets;
    compileProject(project.path(), presets, messages, clock);
    auto areaBytes = [](const DeviceImage& from, const ImageArea& a, std::size_t first) {
        const auto b = from.bank(a.bank);
        return Bytes(b.begin() + a.offset + first, b.begin() + a.offset + a.length);
    };

    for (const Case& c : cases) {
        test::TempFolder folder;
        DeviceImage fresh;
        test::writeFile(folder / c.document, table(c.root, repeated(c.row, c.room + 1)));
        try {
            compileProject(folder.path(), fresh, messages, clock);
            ADD_FAILURE() << c.document << " was not refused";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string(c.document) + " has " + std::to_string(c.room + 1) +
                          " rows; the device image has room for " + std::to_string(c.room));
        }
        EXPECT_EQ(areaBytes(fresh, c.area, 0), areaBytes(presets, c.area, 0)) << c.document;

        // Exactly the room fits: the last record is written, the rest of the area is not.
        test::writeFile(folder / c.document, table(c.root, repeated(c.row, c.room)));
        compileProject(folder.path(), fresh, messages, clock);
        const std::size_t end = c.room * c.area.recordSize;
        EXPECT_NE(fresh.bank(c.area.bank)[c.area.offset + end - c.area.recordSize],
                  presets.bank(c.area.bank)[c.area.offset + end - c.area.recordSize])
            << c.document;
        EXPECT_EQ(areaBytes(fresh, c.area, end), areaBytes(presets, c.area, end)) << c.document;
    }
}

// Sets environment variables for one test and restores them.
class Environment {
public:
    Environment(std::initializer_list<std::pair<const char*, const char*>> values) {
        for (const auto& [name, value] : values) {
            const char* old = std::getenv(name);
            m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
            ::setenv(name, value, 1);
        }
        ::tzset();
    }
    ~Environment() {
        for (const auto& [name, value] : m_saved) {
            if (value)
                ::setenv(name.c_str(), value->c_str(), 1);
            else
                ::unsetenv(name.c_str());
        }
        ::tzset();
    }

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

struct CliRun {
    int status;
    std::string err;
};

CliRun compileCommand(const fs::path& project) {
    std::ostringstream out, err;
    const int status = cli::run({"compile", project.string()}, out, err);
    return {status, err.str()};
}

TEST(CompileCommand, WritesTheBankFilesWithStampsFixedBySourceDateEpoch) {
    const Environment environment{{"SOURCE_DATE_EPOCH", "1796778510"}, {"TZ", "UTC0"}};
    test::TempFolder project;
    fs::create_directories(project / "bin");
    const CliRun run = compileCommand(project.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "File NodeGuard xml not found\nFile NG_J1939_Frame xml not found\n"
                       "File SDOClient xml not found\n");
    const std::string bank1 = test::readFile(project / "bin" / "bank1.bin");
    ASSERT_EQ(bank1.size(), 16384u);
    EXPECT_EQ(bank1.substr(16020, 4), "\x1A\x4E\x01\x79");
    for (const char* name : {"bank2.bin", "bank3.bin", "bank4.bin", "bank5.bin"})
        EXPECT_EQ(test::readFile(project / "bin" / name), std::string(16384, '\0')) << name;
    EXPECT_TRUE(fs::is_regular_file(project / "bin" / "bankg.c"));
}

TEST(CompileCommand, EveryRunStartsFromAFreshImage) {
    test::TempFolder project;
    fs::create_directories(project / "bin");
    test::writeFile(project / "TCobDef.xml",
                    table("COBID", repeated(R"(Priority="6" DP="0" PGN="1" ID_DEV="2")", 10)));
    ASSERT_EQ(compileCommand(project.path()).status, 0);
    test::writeFile(project / "TCobDef.xml",
                    table("COBID", repeated(R"(Priority="6" DP="0" PGN="1" ID_DEV="2")", 4)));
    ASSERT_EQ(compileCommand(project.path()).status, 0);
    const std::string bank2 = test::readFile(project / "bin" / "bank2.bin");
    EXPECT_EQ(bank2.substr(12, 4), std::string("\x02\x01\x00\x18", 4));
    EXPECT_EQ(bank2.substr(16, 24), std::string(24, '\0'));
}

TEST(CompileCommand, FailuresExitWithOneAndSayWhy) {
    test::TempFolder project;
    fs::create_directories(project / "bin");
    test::writeFile(project / "pargen.xml", record({{"CANType", "1"}}));
    const CliRun bad = compileCommand(project.path());
    EXPECT_EQ(bad.status, 1);
    EXPECT_TRUE(bad.err.ends_with("\npargen.xml: element 'BaudRateCAN' is missing\n")) << bad.err;
    EXPECT_TRUE(fs::is_empty(project / "bin"));

    fs::remove(project / "pargen.xml");
    fs::remove(project / "bin");
    const CliRun noBin = compileCommand(project.path());
    EXPECT_EQ(noBin.status, 1);
    for (const char* name :
         {"bank1.bin", "bank2.bin", "bank3.bin", "bank4.bin", "bank5.bin", "bankg.c"})
        EXPECT_NE(noBin.err.find(std::string(name) + "'"), std::string::npos) << name;

    const CliRun missing = compileCommand(project / "nowhere");
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, "Project folder not found: " + (project / "nowhere").string() + "\n");
}

} // namespace
} // namespace ordane
