#include "model/NodeGuardSettings.h"

#include "TestSupport.h"
#include "check/ProjectCheck.h"
#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/Error.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

constexpr const char* kDefaultFrames =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<NG_J1939_Frames>\n"
    "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0001\" SA=\"0x01\" Mnemonic=\"\" />\n"
    "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0002\" SA=\"0x02\" Mnemonic=\"\" />\n"
    "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0003\" SA=\"0x03\" Mnemonic=\"\" />\n"
    "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0004\" SA=\"0x04\" Mnemonic=\"\" />\n"
    "  <row Priority=\"0\" DataPage=\"0\" PGN=\"0x0005\" SA=\"0x05\" Mnemonic=\"\" />\n"
    "</NG_J1939_Frames>\n";

std::string nodeRow(const std::string& id, const std::string& guard, const std::string& factor,
                    const std::string& mnemonic) {
    return "<row NodeID=\"" + id + "\" GuardTime=\"" + guard + "\" LifeTimeFactor=\"" + factor +
           "\" Mnemonic=\"" + mnemonic + "\"/>";
}

std::string nodeDocument(const std::string& rows) {
    return "<Node_Guarding>" + rows + "</Node_Guarding>";
}

TEST(NodeGuardSettings, NewProjectHasNoNodesAndDefaultFrames) {
    test::TempFolder project;
    NodeGuardSettings settings;
    settings.node(1) = {"0x10", "100", "3", "left"}; // left over from an earlier showing
    settings.frame(2).priority = 5;
    const auto table = settings.loadTable(project.path());
    settings.loadFrames(project.path());
    EXPECT_FALSE(table.found);
    EXPECT_EQ(settings.usedRows(), 0);
    EXPECT_EQ(settings.node(1), GuardedNode{});
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(settings.frame(k), defaultJ1939Frame(k));

    EXPECT_EQ(messagesOf(settings.failures()), Strings{});
    RecordingMessageSink messages;
    EXPECT_TRUE(settings.saveTelling(project.path(), messages));
    EXPECT_EQ(messages.texts(), Strings{});
    EXPECT_EQ(test::readFile(project / "NodeGuard.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Node_Guarding />\n");
    EXPECT_EQ(test::readFile(project / "NG_J1939_Frame.xml"), kDefaultFrames);
}

// The used rows end at the first row with any of the three cells empty; rows after that
// gap are neither checked nor saved, whatever they hold.
TEST(NodeGuardSettings, UsedRowsEndAtTheFirstGap) {
    const GuardedNode gaps[] = {
        {"", "100", "3", "m"}, {"0x12", "", "3", "m"}, {"0x12", "100", "", "m"}, {"", "", "", ""}};
    for (const GuardedNode& gap : gaps) {
        SCOPED_TRACE("'" + gap.nodeId + "' '" + gap.guardTime + "' '" + gap.lifeTimeFactor + "'");
        test::TempFolder project;
        NodeGuardSettings settings;
        settings.node(1) = {"0x10", "100", "3", "Drive & left"};
        settings.node(2) = {"17", "$C8", "3", ""};
        settings.node(3) = gap;
        settings.node(4) = {"0", "0", "0", "never checked"};
        EXPECT_EQ(settings.usedRows(), 2);
        EXPECT_EQ(messagesOf(settings.failures()), Strings{});
        RecordingMessageSink messages;
        EXPECT_TRUE(settings.saveTelling(project.path(), messages));
        EXPECT_EQ(test::readFile(project / "NodeGuard.xml"),
                  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                  "<Node_Guarding>\n"
                  "  <row NodeID=\"0x10\" GuardTime=\"100\" LifeTimeFactor=\"3\" Mnemonic=\"Drive "
                  "&amp; left\" />\n"
                  "  <row NodeID=\"17\" GuardTime=\"$C8\" LifeTimeFactor=\"3\" Mnemonic=\"\" />\n"
                  "</Node_Guarding>\n");
    }
}

TEST(NodeGuardSettings, RowChecksStopAtTheFirstEmptyCell) {
    struct Case {
        const char* name;
        GuardedNode row2;
        Strings messages;
    };
    const Case cases[] = {
        {"bounds", {"127", "65535", "255", ""}, {}},
        {"hexadecimal bounds", {"0x7F", "$FFFF", "xFF", ""}, {}},
        {"lower bounds", {"1", "1", "1", ""}, {}},
        {"all out of range",
         {"128", "65536", "256", ""},
         {"Error in row 2. Node ID must be between 1 and 127",
          "Error in row 2. Guard Time must be between 1 and 65535 mS",
          "Error in row 2. Life Time Factor must be between 1 and 255"}},
        {"node ID 0, guard time 70000",
         {"0", "70000", "3", ""},
         {"Error in row 2. Node ID must be between 1 and 127",
          "Error in row 2. Guard Time must be between 1 and 65535 mS"}},
        {"no integers",
         {"ten", "1 ", "-1", ""},
         {"Error in row 2. Node ID must be between 1 and 127",
          "Error in row 2. Guard Time must be between 1 and 65535 mS",
          "Error in row 2. Life Time Factor must be between 1 and 255"}},
        {"guard time empty",
         {"0", "", "0", ""},
         {"Error in row 2. Node ID must be between 1 and 127"}},
        {"factor empty",
         {"0", "0", "", ""},
         {"Error in row 2. Node ID must be between 1 and 127",
          "Error in row 2. Guard Time must be between 1 and 65535 mS"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NodeGuardSettings settings;
        settings.node(1) = {"0x10", "100", "3", ""};
        settings.node(2) = c.row2;
        settings.node(3) = {"200", "0", "0", ""}; // checked only after a complete row 2
        Strings expected = c.messages;
        if (c.row2.inUse()) {
            expected.push_back("Error in row 3. Node ID must be between 1 and 127");
            expected.push_back("Error in row 3. Guard Time must be between 1 and 65535 mS");
            expected.push_back("Error in row 3. Life Time Factor must be between 1 and 255");
        }
        EXPECT_EQ(settings.validateTable(), expected);
    }
}

TEST(NodeGuardSettings, EveryFailureIsReportedRowsFirstThenFrames) {
    NodeGuardSettings settings;
    settings.node(1) = {"0", "70000", "3", ""};
    settings.frame(3).sa = "254";
    settings.frame(5).pgn = "65536";
    EXPECT_EQ(messagesOf(settings.failures()),
              (Strings{"Error in row 1. Node ID must be between 1 and 127",
                       "Error in row 1. Guard Time must be between 1 and 65535 mS",
                       "Error in Frame J1939 3. Source Address must be between 0 and 253",
                       "Error in Frame J1939 5. PGN must be between 0x0000 and 0xFFFF"}));

    for (int k = 1; k <= 5; ++k)
        settings.frame(k) = {0, 0, "", "0xFE", ""};
    Strings expected;
    for (int k = 1; k <= 5; ++k) {
        const std::string frame = "Error in Frame J1939 " + std::to_string(k);
        expected.push_back(frame + ". PGN must be between 0x0000 and 0xFFFF");
        expected.push_back(frame + ". Source Address must be between 0 and 253");
    }
    EXPECT_EQ(settings.validateFrames(), expected);
}

TEST(NodeGuardSettings, TableLoadingStopsSilentlyAtTheFirstProblem) {
    test::TempFolder project;
    NodeGuardSettings settings;

    // The third row lacks LifeTimeFactor: rows 1 and 2 in full, row 3 up to the gap.
    test::writeFile(project / "NodeGuard.xml",
                    nodeDocument(nodeRow("0x10", "100", "3", "left") + "<!-- a comment -->" +
                                 nodeRow("0x11", "200", "3", "right") +
                                 "<row NodeID=\"0x12\" GuardTime=\"300\" Mnemonic=\"io\"/>" +
                                 nodeRow("0x13", "100", "3", "after")));
    auto table = settings.loadTable(project.path());
    EXPECT_TRUE(table.found);
    EXPECT_EQ(table.problem, "NodeGuard.xml, row 3: attribute 'LifeTimeFactor' is missing");
    EXPECT_EQ(settings.node(1), (GuardedNode{"0x10", "100", "3", "left"}));
    EXPECT_EQ(settings.node(2), (GuardedNode{"0x11", "200", "3", "right"}));
    EXPECT_EQ(settings.node(3), (GuardedNode{"0x12", "300", "", ""}));
    EXPECT_EQ(settings.node(4), GuardedNode{});
    EXPECT_EQ(settings.usedRows(), 2);

    // Not parseable: nothing is loaded, and what was there before is gone.
    test::writeFile(project / "NodeGuard.xml", nodeDocument(nodeRow("1", "1", "1", "")) + "<");
    table = settings.loadTable(project.path());
    EXPECT_TRUE(table.problem.has_value());
    EXPECT_EQ(settings.node(1), GuardedNode{});

    // Any root name; rows after row 32 are dropped.
    std::string rows;
    for (int n = 1; n <= 34; ++n)
        rows += nodeRow(std::to_string(n), "100", "3", "");
    test::writeFile(project / "NodeGuard.xml", "<Guarded>" + rows + "</Guarded>");
    table = settings.loadTable(project.path());
    EXPECT_FALSE(table.problem.has_value());
    EXPECT_EQ(table.droppedRows, 2u);
    EXPECT_EQ(settings.usedRows(), 32);
    EXPECT_EQ(settings.node(32).nodeId, "32");
}

TEST(NodeGuardSettings, FrameLoading) {
    const std::string good =
        "<row Priority=\"6\" DataPage=\"1\" PGN=\"0xFF60\" SA=\"0x80\" Mnemonic=\"NG\"/>";
    const J1939FrameDefinition read{6, 1, "0xFF60", "0x80", "NG"};
    struct Case {
        const char* name;
        std::string text;
        std::string message; // empty: no error; "*": any error naming the document
        std::vector<J1939FrameDefinition> frames; // the frames after loading; the rest default
    };
    const Case cases[] = {
        {"two rows, the rest default",
         "<NG_J1939_Frames>" + good + good + "</NG_J1939_Frames>",
         "",
         {read, read}},
        {"positions outside the lists",
         "<NG_J1939_Frames><row Priority=\"8\" DataPage=\"-1\" PGN=\"a\" SA=\"b\" Mnemonic=\"\"/>"
         "</NG_J1939_Frames>",
         "",
         {{-1, -1, "a", "b", ""}}},
        {"six rows",
         "<NG_J1939_Frames>" + good + good + good + good + good + "<row/></NG_J1939_Frames>",
         "",
         {read, read, read, read, read}},
        {"other root",
         "<Frames>" + good + "</Frames>",
         "NG_J1939_Frame.xml: root element 'NG_J1939_Frames' not found",
         {}},
        {"not well-formed", "<NG_J1939_Frames>" + good, "*", {}},
        {"priority no integer",
         "<NG_J1939_Frames>" + good +
             "<row Priority=\"high\" DataPage=\"1\" PGN=\"1\" SA=\"1\" Mnemonic=\"\"/>"
             "</NG_J1939_Frames>",
         "NG_J1939_Frame.xml, row 2, Priority: 'high' is not a valid integer value",
         {read}},
        {"no mnemonic",
         "<NG_J1939_Frames><row Priority=\"6\" DataPage=\"1\" PGN=\"0xFF60\" "
         "SA=\"0x80\"/></NG_J1939_Frames>",
         "NG_J1939_Frame.xml, row 1: attribute 'Mnemonic' is missing",
         {{6, 1, "0xFF60", "0x80", ""}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project;
        test::writeFile(project / "NG_J1939_Frame.xml", c.text);
        NodeGuardSettings settings;
        settings.frame(5).pgn = "left over";
        std::string message;
        try {
            settings.loadFrames(project.path());
        } catch (const Error& e) {
            message = e.what();
        }
        if (c.message == "*")
            EXPECT_EQ(message.rfind("NG_J1939_Frame.xml: ", 0), 0u) << message;
        else
            EXPECT_EQ(message, c.message);
        for (int k = 1; k <= 5; ++k) {
            const std::size_t i = std::size_t(k - 1);
            EXPECT_EQ(settings.frame(k), i < c.frames.size() ? c.frames[i] : defaultJ1939Frame(k))
                << "frame " << k;
        }
    }
}

TEST(NodeGuardSettings, PositionsWithoutSelectionAreSavedAsMinusOne) {
    test::TempFolder project;
    NodeGuardSettings settings;
    settings.frame(1) = {-1, -1, "0xFF60", "0x80", "NG_1"};
    settings.frame(5) = {7, 1, "65535", "253", ""};
    RecordingMessageSink messages;
    ASSERT_TRUE(settings.saveTelling(project.path(), messages));
    const std::string text = test::readFile(project / "NG_J1939_Frame.xml");
    EXPECT_NE(
        text.find(
            "<row Priority=\"-1\" DataPage=\"-1\" PGN=\"0xFF60\" SA=\"0x80\" Mnemonic=\"NG_1\" />"),
        std::string::npos);
    EXPECT_NE(
        text.find("<row Priority=\"7\" DataPage=\"1\" PGN=\"65535\" SA=\"253\" Mnemonic=\"\" />"),
        std::string::npos);
}

TEST(NodeGuardSettings, AFailedNodeDocumentStillWritesTheFrames) {
    test::TempFolder project;
    RecordingMessageSink messages;
    NodeGuardSettings settings;
    settings.node(1) = {"0x10", "100", "3", ""};

    fs::create_directory(project / "NodeGuard.xml"); // cannot be replaced by a file
    EXPECT_FALSE(settings.saveTelling(project.path(), messages));
    EXPECT_EQ(messages.messages(),
              (std::vector<RecordingMessageSink::Message>{
                  {RecordingMessageSink::Kind::Info, "Error in the save parameter"}}));
    EXPECT_EQ(test::readFile(project / "NG_J1939_Frame.xml"), kDefaultFrames);

    // Both fail: the message of the first, then the reason of the second in an error box.
    messages.clear();
    fs::remove(project / "NG_J1939_Frame.xml");
    fs::create_directory(project / "NG_J1939_Frame.xml");
    EXPECT_FALSE(settings.saveTelling(project.path(), messages));
    ASSERT_EQ(messages.messages().size(), 2u);
    EXPECT_EQ(messages.messages()[0].text, "Error in the save parameter");
    EXPECT_EQ(messages.messages()[1].kind, RecordingMessageSink::Kind::Error);
    EXPECT_NE(messages.messages()[1].text.find("NG_J1939_Frame.xml"), std::string::npos);

    messages.clear();
    EXPECT_FALSE(settings.saveTelling({}, messages));
    EXPECT_EQ(messages.texts(), Strings{"Project not valid"});
}

// `check` runs the checks of both windows; loading notes are not failures.
TEST(NodeGuardSettings, CheckCommandListsTheFailuresOfBothEditors) {
    auto check = [](const fs::path& project) {
        std::ostringstream out, err;
        const int status = cli::run({"check", project.string()}, out, err);
        return std::tuple{status, out.str(), err.str()};
    };

    test::TempFolder fine;
    SdoClientFrames().save(fine.path());
    const auto [fineStatus, fineOut, fineErr] = check(fine.path());
    EXPECT_EQ(fineStatus, 0);
    EXPECT_EQ(fineOut, "");
    EXPECT_NE(fineErr.find("NodeGuard.xml: File XML not found\n"), std::string::npos) << fineErr;

    test::TempFolder broken;
    SdoClientFrames client;
    client.frame(1).pgn = "65536";
    client.frame(5).sa = "254";
    client.save(broken.path());
    test::writeFile(broken / "NodeGuard.xml",
                    nodeDocument(nodeRow("0", "70000", "3", "") + "<row NodeID=\"1\"/>"));
    test::writeFile(broken / "NG_J1939_Frame.xml",
                    "<NG_J1939_Frames><row Priority=\"0\" DataPage=\"0\" PGN=\"1\" SA=\"254\" "
                    "Mnemonic=\"\"/><row Priority=\"0\"/></NG_J1939_Frames>");
    const auto [status, out, err] = check(broken.path());
    EXPECT_EQ(status, 1);
    EXPECT_EQ(
        out,
        "SDOClient.xml: Error in Request SDO Read. PGN must be between 0x0000 and 0xFFFF\n"
        "SDOClient.xml: Error in Answer SDO Write. Source Address must be between 0 and 253\n"
        "NodeGuard.xml, row 2: attribute 'GuardTime' is missing\n"
        "NodeGuard.xml: Error in row 1. Node ID must be between 1 and 127\n"
        "NodeGuard.xml: Error in row 1. Guard Time must be between 1 and 65535 mS\n"
        "NG_J1939_Frame.xml, row 2: attribute 'DataPage' is missing\n"
        "NG_J1939_Frame.xml: Error in Frame J1939 1. Source Address must be between 0 and 253\n");
    EXPECT_EQ(err.find("File XML not found"), std::string::npos);
}

TEST(NodeGuardSettings, DemoProjectPassesTheChecks) {
    const ProjectCheck report = checkProject(fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo");
    EXPECT_EQ(report.failures, Strings{});
    EXPECT_EQ(report.notes, Strings{});
}

} // namespace
} // namespace ordane
