#include "TestSupport.h"

#include "documents/KeptSignals.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

using test::TempFolder;
using test::thrownText;

KeptSignal engineSpeed() {
    KeptSignal s;
    s.frame = 1;
    s.entry = {0x2100, 1, 1, {5, 4, 0, 0}, 0};
    s.message = "EEC1";
    s.name = "EngineSpeed";
    s.unit = "rpm";
    s.factor = 0.125;
    s.maximum = 8031.875;
    s.spn = 190;
    s.comment = "Actual speed \"A&B\" <x>\nsecond line\ttab";
    s.values = {{-1, "n/a"}, {65535, "Fehler ö"}};
    s.startBit = 24;
    s.length = 16;
    return s;
}

KeptSignals demoStore() {
    KeptSignals kept;
    KeptSide received;
    received.frames = {{1, "EEC1", 0x0CF004FE, 8, 0xF004, 0}};
    received.signalList = {engineSpeed()};
    KeptSignal torque;
    torque.frame = 1;
    torque.entry = {0x2100, 2, 2, {0, 0, 0, 3}, 0};
    torque.message = "EEC1";
    torque.name = "ActualEnginePercentTorque";
    torque.unit = "%";
    torque.offset = -125;
    torque.minimum = -125;
    torque.maximum = 125;
    torque.factor = 1e-05;
    torque.startBit = 23;
    torque.length = 8;
    torque.littleEndian = false;
    torque.isSigned = true;
    received.signalList.push_back(torque);
    kept.replaceSide(Side::Received, received);
    KeptSide transmitted;
    transmitted.frames = {{2, "PropB", 0x18FF2180, 4, 0xFF21, 0x80}};
    kept.replaceSide(Side::Transmitted, transmitted);
    return kept;
}

// Worked out by hand: every value as written, line breaks and tabs inside values as
// character references, CR LF line ends.
constexpr const char* kDemoText =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<DbcSignals>\r\n"
    "  <Frame Side=\"received\" Number=\"1\" Message=\"EEC1\" Identifier=\"0x0CF004FE\" "
    "Length=\"8\" PGN=\"61444\" ID_DEV=\"0\" />\r\n"
    "  <Signal Side=\"received\" Frame=\"1\" Index=\"0x2100\" SubIndex=\"1\" Dimension=\"1\" "
    "B1=\"5\" B2=\"4\" B3=\"0\" B4=\"0\" Message=\"EEC1\" Name=\"EngineSpeed\" Unit=\"rpm\" "
    "Factor=\"0.125\" Offset=\"0\" Minimum=\"0\" Maximum=\"8031.875\" SPN=\"190\" "
    "Comment=\"Actual speed &quot;A&amp;B&quot; &lt;x>&#10;second line&#09;tab\" "
    "StartBit=\"24\" Length=\"16\" ByteOrder=\"Intel\" Signed=\"false\">\r\n"
    "    <Value Number=\"-1\" Text=\"n/a\" />\r\n"
    "    <Value Number=\"65535\" Text=\"Fehler ö\" />\r\n"
    "  </Signal>\r\n"
    "  <Signal Side=\"received\" Frame=\"1\" Index=\"0x2100\" SubIndex=\"2\" Dimension=\"2\" "
    "B1=\"0\" B2=\"0\" B3=\"0\" B4=\"3\" Message=\"EEC1\" Name=\"ActualEnginePercentTorque\" "
    "Unit=\"%\" Factor=\"1e-05\" Offset=\"-125\" Minimum=\"-125\" Maximum=\"125\" Comment=\"\" "
    "StartBit=\"23\" Length=\"8\" ByteOrder=\"Motorola\" Signed=\"true\" />\r\n"
    "  <Frame Side=\"transmitted\" Number=\"2\" Message=\"PropB\" Identifier=\"0x18FF2180\" "
    "Length=\"4\" PGN=\"65313\" ID_DEV=\"128\" />\r\n"
    "</DbcSignals>\r\n";

TEST(KeptSignals, WritesTheFileAsWorkedOutAndReadsItBackUnchanged) {
    const KeptSignals kept = demoStore();
    EXPECT_EQ(kept.text(), kDemoText);

    TempFolder folder;
    kept.save(folder.path());
    EXPECT_EQ(test::readFile(folder / "DbcSignals.xml"), kDemoText);
    const KeptSignals back = KeptSignals::load(folder.path());
    EXPECT_EQ(back, kept);
    EXPECT_EQ(back.side(Side::Received).signalList[0].comment, engineSpeed().comment);
    EXPECT_EQ(back.side(Side::Received).signalList[1].factor, 1e-05);
}

TEST(KeptSignals, AProjectWithoutTheFileHasNoneAndAnotherLetterCaseIsReplacedInPlace) {
    TempFolder folder;
    EXPECT_TRUE(KeptSignals::load(folder.path()).empty());

    test::writeFile(folder / "dbcsignals.XML", kDemoText);
    KeptSignals kept = KeptSignals::load(folder.path());
    EXPECT_EQ(kept, demoStore());
    kept.replaceSide(Side::Received, {});
    kept.save(folder.path());
    // Checked by listing: a file system that ignores letter case finds either name.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"dbcsignals.XML"});
    EXPECT_EQ(KeptSignals::load(folder.path()).side(Side::Received), KeptSide{});
    EXPECT_EQ(KeptSignals::load(folder.path()).side(Side::Transmitted),
              demoStore().side(Side::Transmitted));
}

TEST(KeptSignals, ADamagedFileIsNamedWithItsRow) {
    const std::string head = "<DbcSignals>\r\n";
    const std::string frame = "<Frame Side=\"received\" Number=\"1\" Message=\"EEC1\" "
                              "Identifier=\"0x0CF004FE\" Length=\"8\" PGN=\"61444\" ID_DEV=\"0\"/>";
    const std::string signal = "<Signal Side=\"received\" Frame=\"1\" Index=\"0x2100\" "
                               "SubIndex=\"1\" Dimension=\"1\" B1=\"5\" B2=\"4\" B3=\"0\" "
                               "B4=\"0\" Message=\"EEC1\" Name=\"EngineSpeed\" Factor=\"0.125\" "
                               "Offset=\"0\" Minimum=\"0\" Maximum=\"1\" StartBit=\"24\" "
                               "Length=\"16\" ByteOrder=\"Intel\" Signed=\"false\"";
    const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
        return text.replace(text.find(from), from.size(), to);
    };
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {head + frame + signal + "/>", "DbcSignals.xml: Start-end tags mismatch (line 2)"},
        {"<Other/>", "DbcSignals.xml: root element 'DbcSignals' not found"},
        {head + replaced(frame, "received", "both") + "</DbcSignals>",
         "DbcSignals.xml, row 1, Side: 'both' is neither 'received' nor 'transmitted'"},
        {head + replaced(frame, "Number=\"1\"", "Number=\"0\"") + "</DbcSignals>",
         "DbcSignals.xml, row 1, Number: 0 is below 1"},
        {head + frame + replaced(signal, "0.125", "1/8") + "/></DbcSignals>",
         "DbcSignals.xml, row 2, Factor: '1/8' is not a number"},
        {head + frame + replaced(signal, " Name=\"EngineSpeed\"", "") + "/></DbcSignals>",
         "DbcSignals.xml, row 2: attribute 'Name' is missing"},
        {head + frame + replaced(signal, "Intel", "intel") + "/></DbcSignals>",
         "DbcSignals.xml, row 2, ByteOrder: 'intel' is neither 'Intel' nor 'Motorola'"},
        {head + frame + signal + "><Value Number=\"0x10\" Text=\"x\"/></Signal></DbcSignals>",
         "DbcSignals.xml, row 2, Value: '0x10' is not a valid integer value"},
        {head + "<Row/></DbcSignals>",
         "DbcSignals.xml, row 1: 'Row' is neither a Frame nor a Signal"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(thrownText([&] { KeptSignals::fromText(c.text, "DbcSignals.xml"); }), c.message)
            << c.text;
}

TEST(KeptSignals, LookupsAnswerOnlyWhileTheDocumentsHoldWhatWasImported) {
    const KeptSignals kept = demoStore();
    ASSERT_NE(kept.frame(Side::Received, 1), nullptr);
    EXPECT_EQ(kept.frame(Side::Received, 1)->message, "EEC1");
    EXPECT_EQ(kept.frame(Side::Received, 2), nullptr);
    EXPECT_EQ(kept.frame(Side::Transmitted, 1), nullptr);
    EXPECT_NE(kept.frameFor(Side::Received, 1, 0xF004, 0), nullptr);
    EXPECT_EQ(kept.frameFor(Side::Received, 1, 0xF004, 3), nullptr);
    EXPECT_EQ(kept.frameFor(Side::Received, 1, 0xFEF1, 0), nullptr);

    const SdoMappingEntry asImported{0x2100, 1, 1, {5, 4, 0, 0}, 1};
    ASSERT_NE(kept.signalFor(Side::Received, 1, asImported), nullptr);
    EXPECT_EQ(kept.signalFor(Side::Received, 1, asImported)->name, "EngineSpeed");
    EXPECT_EQ(kept.signalFor(Side::Transmitted, 1, asImported), nullptr);
    EXPECT_EQ(kept.signalFor(Side::Received, 2, asImported), nullptr);
    SdoMappingEntry otherBytes = asImported;
    otherBytes.bytes = {4, 5, 0, 0};
    EXPECT_EQ(kept.signalFor(Side::Received, 1, otherBytes), nullptr);
    SdoMappingEntry otherSize = asImported;
    otherSize.dimension = 0;
    EXPECT_EQ(kept.signalFor(Side::Received, 1, otherSize), nullptr);
    // The object as imported is still known by its number, whatever maps it now.
    ASSERT_NE(kept.signal(Side::Received, 0x2100, 1), nullptr);
    EXPECT_EQ(kept.signal(Side::Received, 0x2100, 3), nullptr);

    const auto ofFrame = kept.signalsOfFrame(Side::Received, 1);
    ASSERT_EQ(ofFrame.size(), 2u);
    EXPECT_EQ(ofFrame[1]->name, "ActualEnginePercentTorque");
    EXPECT_TRUE(kept.signalsOfFrame(Side::Transmitted, 2).empty());
}

} // namespace
} // namespace ordane
