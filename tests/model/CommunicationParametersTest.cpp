#include "model/CommunicationParameters.h"

#include "core/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

// The sixteen elements in their order, with the texts given.
std::string pargenText(const std::vector<std::string>& v) {
    const char* names[] = {
        "BaudRateCAN",     "CANType",           "IDDev_CANopen",  "Baud_CANopen",
        "Set_Ope_CANopen", "Net_Start_CANopen", "Delay_CANopen",  "TimeOut_Data",
        "Peer_to_Peer",    "Sent_TPDO",         "Sent_TPDO_Time", "NodeGuard",
        "Send_NG_J1939",   "BG_Send_Every",     "EN_SDO_Client",  "TO_SDO_Client"};
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<GeneralParameter>\n";
    for (std::size_t i = 0; i < 16; ++i)
        text += std::string("  <") + names[i] + ">" + v.at(i) + "</" + names[i] + ">\n";
    return text + "</GeneralParameter>\n";
}

const std::vector<std::string> kDefaults = {"5", "1", "1",    "8", "0", "0",    "10", "0",
                                            "0", "1", "1000", "0", "0", "1000", "0",  "10000"};

std::string savedAfterLoading(const std::string& document) {
    TempFolder folder;
    writeFile(folder / "pargen.xml", document);
    CommunicationParameters p;
    p.load(folder.path());
    TempFolder out;
    p.save(out.path());
    return readFile(out / "pargen.xml");
}

TEST(CommunicationParameters, NoDocumentGivesTheDefaultsAndOkWritesAllSixteen) {
    TempFolder folder;
    CommunicationParameters p;
    p.idDevCanopen = "99"; // a value left from before must not survive the load
    p.load(folder.path());
    EXPECT_EQ(p.baudRateCan, 5);
    EXPECT_EQ(p.baudCanopen, 8);
    EXPECT_EQ(p.idDevCanopen, "1");
    EXPECT_EQ(p.delay, 10);
    EXPECT_TRUE(p.sendOnChange);
    EXPECT_FALSE(p.canTypeRead);
    EXPECT_EQ(p.firstFailure(), std::nullopt);
    p.save(folder.path());
    EXPECT_EQ(readFile(folder / "pargen.xml"), pargenText(kDefaults));
}

TEST(CommunicationParameters, EachFieldLoadsOnItsOwn) {
    struct Case {
        const char* name;
        std::string body; // children of GeneralParameter
        std::vector<std::string> saved;
    };
    auto with = [](std::initializer_list<std::pair<int, const char*>> changes) {
        std::vector<std::string> v = kDefaults;
        for (const auto& [index, text] : changes)
            v[std::size_t(index)] = text;
        return v;
    };
    const Case cases[] = {
        {"every field as written, hex kept",
         "<TO_SDO_Client>$2710</TO_SDO_Client><BaudRateCAN>2</BaudRateCAN><CANType>1</CANType>"
         "<IDDev_CANopen>0x05</IDDev_CANopen><Baud_CANopen>5</Baud_CANopen>"
         "<Set_Ope_CANopen>1</Set_Ope_CANopen><Net_Start_CANopen>1</Net_Start_CANopen>"
         "<Delay_CANopen>0x1E</Delay_CANopen><TimeOut_Data>abc</TimeOut_Data>"
         "<Peer_to_Peer>1</Peer_to_Peer><Sent_TPDO>0</Sent_TPDO><Sent_TPDO_Time></Sent_TPDO_Time>"
         "<NodeGuard>1</NodeGuard><Send_NG_J1939>1</Send_NG_J1939>"
         "<BG_Send_Every>250</BG_Send_Every><EN_SDO_Client>1</EN_SDO_Client>",
         {"2", "1", "0x05", "5", "1", "1", "30", "abc", "1", "0", "", "1", "1", "250", "1",
          "$2710"}},
        {"only the exact 1 means yes",
         "<NodeGuard>true</NodeGuard><Peer_to_Peer> "
         "1</Peer_to_Peer><EN_SDO_Client>01</EN_SDO_Client>"
         "<Sent_TPDO>yes</Sent_TPDO>",
         with({{9, "0"}})},
        {"positions outside the lists select nothing",
         "<BaudRateCAN>9</BaudRateCAN><Baud_CANopen>-1</Baud_CANopen>",
         with({{0, "-1"}, {3, "-1"}})},
        {"numbers that do not read keep their defaults",
         "<BaudRateCAN>five</BaudRateCAN><Delay_CANopen>1 0</Delay_CANopen><CANType>x</CANType>",
         kDefaults},
        {"the delay is clamped, 2.0A is never written",
         "<Delay_CANopen>300</Delay_CANopen><CANType>0</CANType>", with({{6, "255"}})},
        {"the first element of a name wins",
         "<IDDev_CANopen>7</IDDev_CANopen><IDDev_CANopen>8</IDDev_CANopen>", with({{2, "7"}})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(savedAfterLoading("<GeneralParameter>" + c.body + "</GeneralParameter>"),
                  pargenText(c.saved))
            << c.name;
    EXPECT_EQ(savedAfterLoading("<Other><IDDev_CANopen>7</IDDev_CANopen></Other>"),
              pargenText(kDefaults));
}

TEST(CommunicationParameters, AnUnparsableDocumentIsReportedAndGivesTheDefaults) {
    TempFolder folder;
    writeFile(folder / "Pargen.XML", "<GeneralParameter><IDDev_CANopen>7</IDDev_CANopen>");
    CommunicationParameters p;
    p.timeOutData = "77";
    p.load(folder.path());
    ASSERT_EQ(p.loadProblems().size(), 1u);
    EXPECT_EQ(p.loadProblems()[0].message, "Pargen.XML: Start-end tags mismatch (line 1)");
    EXPECT_EQ(p.timeOutData, "0");
    EXPECT_EQ(p.idDevCanopen, "1");
    p.save(folder.path()); // replaces the unreadable file, whatever its case
    EXPECT_EQ(readFile(folder / "Pargen.XML"), pargenText(kDefaults));
}

TEST(CommunicationParameters, ChecksRunInOrderAndTheFirstFailureIsReported) {
    struct Case {
        const char* name;
        std::function<void(CommunicationParameters&)> change;
        std::vector<std::string> failures;
    };
    const std::string timeOut = "Error! The Time Out Data must to be between 0 and 255 seconds";
    const std::string id = "Error! The ID Dev. CANopen must to be between 1 and 127";
    const std::string cyclic = "Error! The Send Cyclically Time must to be between 1 and 60000mS";
    const std::string guard =
        "Error! Send J1939 Frame (NodeGuard) must to be between 1 and 60000mS";
    const std::string sdo = "Error! SDO Client TimeOut must to be between 1 and 60000 (1/10 mS)";
    const Case cases[] = {
        {"limits pass",
         [](auto& p) {
             p.timeOutData = "255";
             p.idDevCanopen = "0x7F";
             p.sendTpdoTime = "60000";
             p.nodeGuardSendEvery = "1";
             p.sdoClientTimeOut = "$EA60";
         },
         {}},
        {"time-out 256", [](auto& p) { p.timeOutData = "256"; }, {timeOut}},
        {"time-out hexadecimal", [](auto& p) { p.timeOutData = "0x10"; }, {}},
        {"time-out no number, ID 0",
         [](auto& p) {
             p.timeOutData = "ten";
             p.idDevCanopen = "0";
         },
         {timeOut, id}},
        {"ID 128", [](auto& p) { p.idDevCanopen = "128"; }, {id}},
        {"cyclic period empty while sending on change",
         [](auto& p) { p.sendTpdoTime = ""; },
         {cyclic}},
        {"guarding period 60001 while guarding is off",
         [](auto& p) { p.nodeGuardSendEvery = "60001"; },
         {guard}},
        {"SDO time-out 0 while the client is off, blank after the number",
         [](auto& p) {
             p.sdoClientTimeOut = "0";
             p.sendTpdoTime = "1000 ";
         },
         {cyclic, sdo}},
    };
    for (const Case& c : cases) {
        CommunicationParameters p;
        c.change(p);
        EXPECT_EQ(messagesOf(p.failures()), c.failures) << c.name;
        EXPECT_EQ(p.firstFailure(),
                  c.failures.empty() ? std::nullopt : std::optional<std::string>(c.failures[0]))
            << c.name;
    }
}

TEST(CommunicationParameters, TypedTextsAreSavedVerbatim) {
    TempFolder folder;
    CommunicationParameters p;
    p.timeOutData = "0x10";
    p.sendOnChange = false;
    p.delay = 300;
    p.baudRateCan = CommunicationParameters::kNoSelection;
    p.save(folder.path());
    std::vector<std::string> v = kDefaults;
    v[0] = "-1";
    v[6] = "255";
    v[7] = "0x10";
    v[9] = "0";
    EXPECT_EQ(readFile(folder / "pargen.xml"), pargenText(v));
    EXPECT_THROW(p.save(folder / "missing"), Error);
}

} // namespace
} // namespace ordane
