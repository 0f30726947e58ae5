#include "model/SdoClientFrames.h"

#include "TestSupport.h"
#include "core/Error.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

std::string document(const std::string& rows) {
    return "<?xml version=\"1.0\"?>\n<J1939_Frames_SDOClient>\n" + rows +
           "</J1939_Frames_SDOClient>\n";
}

std::string row(const std::string& priority, const std::string& dataPage, const std::string& pgn,
                const std::string& sa, const std::string& mnemonic) {
    return "<row Priority=\"" + priority + "\" DataPage=\"" + dataPage + "\" PGN=\"" + pgn +
           "\" SA=\"" + sa + "\" Mnemonic=\"" + mnemonic + "\"/>\n";
}

TEST(SdoClientFrames, NewProjectGetsTheDefaultsAndSavesThemWithPriorityZero) {
    test::TempFolder project;
    SdoClientFrames frames;
    frames.frame(2).priority = 7; // left over from an earlier project
    frames.load(project.path());
    for (int k = 1; k <= 5; ++k) {
        SCOPED_TRACE(k);
        const std::string digit = std::to_string(k);
        EXPECT_EQ(frames.frame(k),
                  (J1939FrameDefinition{0, 0, "0x000" + digit, "0x0" + digit, ""}));
    }
    EXPECT_TRUE(messagesOf(frames.failures()).empty());
    frames.save(project.path());
    EXPECT_EQ(test::readFile(project / "SDOClient.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<J1939_Frames_SDOClient>\n"
              "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0001\" SA=\"0x01\" Mnemonic=\"\" />\n"
              "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0002\" SA=\"0x02\" Mnemonic=\"\" />\n"
              "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0003\" SA=\"0x03\" Mnemonic=\"\" />\n"
              "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0004\" SA=\"0x04\" Mnemonic=\"\" />\n"
              "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0005\" SA=\"0x05\" Mnemonic=\"\" />\n"
              "</J1939_Frames_SDOClient>\n");
}

// Priorities only of rows 2 and 5, positions outside their list as "-1", texts as typed,
// and a sixth row dropped.
TEST(SdoClientFrames, LoadThenSaveKeepsWhatTheWindowShows) {
    test::TempFolder project;
    test::writeFile(project / "sdoclient.xml",
                    document(row("5", "1", "256", "$F9", "RD &amp; REQ") +
                             row("6", "0", "0xFF51", "0x80", "RD_ANS") +
                             row("3", "2", "0xFF52", "249", "") + row("-1", "-1", "x", "y", "") +
                             row("9", "0", "0xFF54", "0x80", "WR_ANS") +
                             row("1", "1", "0x0006", "0x06", "sixth")));
    SdoClientFrames frames;
    frames.load(project.path());
    EXPECT_EQ(frames.frame(1), (J1939FrameDefinition{0, 1, "256", "$F9", "RD & REQ"}));
    EXPECT_EQ(frames.frame(2), (J1939FrameDefinition{6, 0, "0xFF51", "0x80", "RD_ANS"}));
    EXPECT_EQ(frames.frame(3).dataPage, -1);
    EXPECT_EQ(frames.frame(5).priority, -1);

    frames.frame(4).pgn = "0xFF53";
    frames.frame(4).sa = "0xF9";
    ASSERT_EQ(messagesOf(frames.failures()), Strings{});
    frames.save(project.path());
    EXPECT_FALSE(fs::exists(project / "SDOClient.xml")) << "the existing file is replaced";
    EXPECT_EQ(
        test::readFile(project / "sdoclient.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<J1939_Frames_SDOClient>\n"
        "  <row Priority=\"0\" DataPage=\"1\" PGN=\"256\" SA=\"$F9\" Mnemonic=\"RD &amp; REQ\" />\n"
        "  <row Priority=\"6\" DataPage=\"0\" PGN=\"0xFF51\" SA=\"0x80\" Mnemonic=\"RD_ANS\" />\n"
        "  <row Priority=\"0\" DataPage=\"-1\" PGN=\"0xFF52\" SA=\"249\" Mnemonic=\"\" />\n"
        "  <row Priority=\"0\" DataPage=\"-1\" PGN=\"0xFF53\" SA=\"0xF9\" Mnemonic=\"\" />\n"
        "  <row Priority=\"-1\" DataPage=\"0\" PGN=\"0xFF54\" SA=\"0x80\" Mnemonic=\"WR_ANS\" />\n"
        "</J1939_Frames_SDOClient>\n");
}

TEST(SdoClientFrames, EveryCheckRunsAndReportsInTableOrder) {
    SdoClientFrames frames;
    frames.frame(1).pgn = "65536";
    frames.frame(5).sa = "254";
    EXPECT_EQ(messagesOf(frames.failures()),
              (Strings{"Error in Request SDO Read. PGN must be between 0x0000 and 0xFFFF",
                       "Error in Answer SDO Write. Source Address must be between 0 and 253"}));

    for (int k = 1; k <= 5; ++k) {
        frames.frame(k).pgn = "0x10000";
        frames.frame(k).sa = "-1";
    }
    EXPECT_EQ(messagesOf(frames.failures()),
              (Strings{"Error in Request SDO Read. PGN must be between 0x0000 and 0xFFFF",
                       "Error in Request SDO Read. Source Address must be between 0 and 253",
                       "Error in Answer SDO Read. PGN must be between 0x0000 and 0xFFFF",
                       "Error in Answer SDO Read. Source Address must be between 0 and 253",
                       "Error in Answer SDO Write (1/2). PGN must be between 0x0000 and 0xFFFF",
                       "Error in Answer SDO Write (1/2). Source Address must be between 0 and 253",
                       "Error in Answer SDO Write (2/2). PGN must be between 0x0000 and 0xFFFF",
                       "Error in Answer SDO Write (2/2). Source Address must be between 0 and 253",
                       "Error in Answer SDO Write. PGN must be between 0x0000 and 0xFFFF",
                       "Error in Answer SDO Write. Source Address must be between 0 and 253"}));
}

TEST(SdoClientFrames, RangesOfPgnAndSourceAddress) {
    struct Case {
        const char* pgn;
        const char* sa;
        bool pgnValid;
        bool saValid;
    };
    const Case cases[] = {
        {"0", "0", true, true},         {"65535", "253", true, true},
        {"0xFFFF", "0xFD", true, true}, {"$ffff", "X0", true, true},
        {"65536", "254", false, false}, {"-1", "0", false, true},
        {"0", "-1", true, false},       {"", "", false, false},
        {"12 ", "1.0", false, false},   {"0xFFFFFFFF", "abc", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.pgn) + " / " + c.sa);
        SdoClientFrames frames;
        frames.frame(3).pgn = c.pgn;
        frames.frame(3).sa = c.sa;
        Strings expected;
        if (!c.pgnValid)
            expected.push_back(
                "Error in Answer SDO Write (1/2). PGN must be between 0x0000 and 0xFFFF");
        if (!c.saValid)
            expected.push_back(
                "Error in Answer SDO Write (1/2). Source Address must be between 0 and 253");
        EXPECT_EQ(messagesOf(frames.failures()), expected);
    }
}

// Loading stops at the first problem; what was read stays, the rest shows the defaults.
TEST(SdoClientFrames, BrokenDocumentsStopLoadingAtTheFirstProblem) {
    const std::string good = row("0", "1", "0xAA", "0x80", "m");
    struct Case {
        const char* name;
        std::string text;
        std::string message; // empty: only the document's name is checked
        int framesRead;      // frames holding the document's values
    };
    const Case cases[] = {
        {"not well-formed", document(good) + "<", "", 0},
        {"other root", "<J1939_Frames><row/></J1939_Frames>",
         "SDOClient.xml: root element 'J1939_Frames_SDOClient' not found", 0},
        {"three rows", document(good + good + good), "SDOClient.xml: 5 rows expected, 3 found", 3},
        {"no DataPage in row 2",
         document(good + "<row Priority=\"0\" PGN=\"0xAA\" SA=\"0x80\" Mnemonic=\"m\"/>"),
         "SDOClient.xml, row 2: attribute 'DataPage' is missing", 1},
        {"data page no integer", document(good + good + row("0", "one", "1", "1", "")),
         "SDOClient.xml, row 3, DataPage: 'one' is not a valid integer value", 2},
        // The priority comes last: the rest of row 5 is read.
        {"priority of row 5 no integer",
         document(good + good + good + good + row("high", "1", "0xAA", "0x80", "m")),
         "SDOClient.xml, row 5, Priority: 'high' is not a valid integer value", 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project;
        test::writeFile(project / "SDOClient.xml", c.text);
        SdoClientFrames frames;
        frames.load(project.path());
        ASSERT_EQ(frames.loadProblems().size(), 1u) << "no error";
        const std::string problem = frames.loadProblems()[0].message;
        if (c.message.empty())
            EXPECT_EQ(problem.rfind("SDOClient.xml: ", 0), 0u) << problem;
        else
            EXPECT_EQ(problem, c.message);
        for (int k = 1; k <= 5; ++k) {
            const J1939FrameDefinition read{0, 1, "0xAA", "0x80", "m"};
            J1939FrameDefinition expected = k <= c.framesRead ? read : defaultJ1939Frame(k);
            EXPECT_EQ(frames.frame(k), expected) << "frame " << k;
        }
    }
}

TEST(SdoClientFrames, SaveWithoutProjectFolderOrUnwritableFileFails) {
    SdoClientFrames frames;
    EXPECT_EQ(test::thrownText([&] { frames.save({}); }), "Project not valid");

    test::TempFolder project;
    fs::create_directory(project / "SDOClient.xml");
    EXPECT_THROW(frames.save(project.path()), Error);
    EXPECT_TRUE(fs::is_directory(project / "SDOClient.xml"));
}

} // namespace
} // namespace ordane
