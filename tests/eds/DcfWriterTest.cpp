#include "eds/DcfWriter.h"

#include "EdsStructure.h"
#include "TestSupport.h"

#include "cli/Cli.h"
#include "core/Error.h"
#include "model/CommissionedNode.h"
#include "eds/EdsWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <sstream>

namespace ordane {
namespace {

namespace fs = std::filesystem;

const LocalDateTime kMorning{2026, 12, 9, 1, 8, 30};

std::vector<std::string> crlfLines(const std::string& bytes) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find("\r\n", start)) != std::string::npos; start = at + 2)
        lines.push_back(bytes.substr(start, at - start));
    EXPECT_EQ(start, bytes.size()) << "the last line does not end with CR LF";
    return lines;
}

// The lines from `run.front()` on must be `run`; with `atEnd`, the file ends with it.
void expectRun(const std::vector<std::string>& lines, const std::vector<std::string>& run,
               bool atEnd = false) {
    const auto at = std::find(lines.begin(), lines.end(), run.front());
    ASSERT_NE(at, lines.end()) << run.front();
    const std::vector<std::string> actual(
        at, at + std::min<std::ptrdiff_t>(std::ptrdiff_t(run.size()), lines.end() - at));
    EXPECT_EQ(actual, run) << "in the run from " << run.front();
    if (atEnd) {
        EXPECT_EQ(lines.end() - at, std::ptrdiff_t(run.size())) << "lines follow " << run.front();
    }
}

std::string pargen(const char* nodeId, const char* rate) {
    return std::string("<GeneralParameter><IDDev_CANopen>") + nodeId +
           "</IDDev_CANopen><Baud_CANopen>" + rate + "</Baud_CANopen></GeneralParameter>";
}

// A small project: node 5 at 250 kbit/s, one PDO each way, one mapped object.
struct SmallProject {
    test::TempFolder folder;
    fs::path path = folder / "Gateway7";
    SmallProject() {
        fs::create_directories(path);
        test::writeFile(path / "pargen.xml", pargen("5", "5"));
        test::writeFile(
            path / "pdoJ1939.xml",
            R"(<PDOJ1939><row COB-ID="0x201" Dimension="2" Offset="1" Mnemonic=""/></PDOJ1939>)");
        test::writeFile(
            path / "TpdoJ1939.xml",
            R"(<PDOJ1939><row COB-ID="389" Dimension="1" Offset="1" Mnemonic=""/></PDOJ1939>)");
        test::writeFile(path / "RInfoCob.xml",
                        R"(<RInfoCob><row NrPdo="1" Index="0x2100" SubIndex="3" Dimension="1" )"
                        R"(B1="1" B2="0" B3="0" B4="0" Send_SDO="0"/></RInfoCob>)");
    }
};

// What the command and step 7 do.
void writeDcfFile(const fs::path& project, const fs::path& target,
                  const CommissioningOverrides& overrides = {}) {
    const FixedClock clock(kMorning);
    const CommissionedNode node = commissionedNode(project, overrides);
    DcfWriter(clock).write(project, target, node.nodeId, node.bitRateKbit);
}

// Every DCF the tests write goes through here and is checked for the EDS structure too.
std::string writeDcf(const fs::path& project, const fs::path& target,
                     const CommissioningOverrides& overrides = {}) {
    writeDcfFile(project, target, overrides);
    const std::string bytes = test::readFile(target);
    EXPECT_EQ(test::edsStructureFaults(bytes), std::vector<std::string>{}) << target;
    return bytes;
}

// Variable entry with its DefaultValue and ParameterValue.
std::vector<std::string> variable(const std::string& section, const std::string& name,
                                  const std::string& type, const std::string& defaultValue,
                                  const std::string& parameterValue, const std::string& access,
                                  int pdoMapping = 0) {
    return {section,
            "ParameterName=" + name,
            "ObjectType=0x7",
            "DataType=" + type,
            "DefaultValue=" + defaultValue,
            "ParameterValue=" + parameterValue,
            "AccessType=" + access,
            "PDOMapping=" + std::to_string(pdoMapping),
            ""};
}

TEST(DcfWriter, AddsTheCommissionedNodeToTheEdsContent) {
    SmallProject project;
    const auto lines = crlfLines(writeDcf(project.path, project.folder / "Gateway.dcf"));

    expectRun(lines, {"[FileInfo]", "FileName=Gateway.dcf", "FileVersion=1", "FileRevision=0",
                      "EDSVersion=4.0", "Description=Gateway CANopen to J1939",
                      "CreationTime=01:08AM", "CreationDate=12-09-2026", "CreatedBy=Korvane",
                      "ModificationTime=01:08AM", "ModificationDate=12-09-2026",
                      "ModifiedBy=Korvane", "", "[DeviceInfo]"});
    expectRun(lines, {"NrOfRXPDO=1", "NrOfTXPDO=1", "LSS_Supported=0", "", "[DeviceComissioning]",
                      "NodeID=5", "NodeName=Gateway7", "Baudrate=250", "NetNumber=1",
                      "NetworkName=CANopen", "CANopenManager=0", "LSS_SerialNumber=0", "",
                      "[DummyUsage]"});
    const struct {
        std::vector<std::string> run;
    } runs[] = {
        {variable("[1000]", "Device Type", "0x0007", "0x00010192", "0x00010192", "const")},
        // The node answers on its own default SDO channel: 0x600 + 5 and 0x580 + 5.
        {variable("[1200sub1]", "COB-ID Client -> Server", "0x0007", "0x00000600", "0x00000605",
                  "ro")},
        {variable("[1200sub2]", "COB-ID Server -> Client", "0x0007", "0x000005FF", "0x00000585",
                  "ro")},
        // PDO COB-IDs are the documents' identifiers as they are, with no node ID added.
        {variable("[1400sub1]", "COB-ID", "0x0007", "0x00000201", "0x00000201", "rw")},
        {variable("[1800sub1]", "COB-ID", "0x0007", "0x00000185", "0x00000185", "rw")},
        {variable("[1600sub0]", "Number of Entries", "0x0005", "0x02", "0x02", "rw")},
        {variable("[1600sub2]", "PDO Mapping Entry", "0x0007", "0x20200208", "0x20200208", "rw")},
        {variable("[1600sub3]", "PDO Mapping Entry", "0x0007", "0x00000000", "0x00000000", "rw")},
        {variable("[1A00sub1]", "PDO Mapping Entry", "0x0007", "0x202A0108", "0x202A0108", "rw")},
        {variable("[202Dsub8]", "p8", "0x0005", "0x0", "0x0", "rwr", 1)},
    };
    for (const auto& r : runs)
        expectRun(lines, r.run);
    expectRun(lines,
              {"[2100]",
               "SubNumber=2",
               "ParameterName=App Vars",
               "ObjectType=0x9",
               "",
               "[2100sub0]",
               "ParameterName=Largest Sub-Index supported",
               "ObjectType=0x7",
               "DataType=0x0005",
               "AccessType=ro",
               "DefaultValue=0x03",
               "ParameterValue=0x03",
               "PDOMapping=0",
               "",
               "[2100sub3]",
               "ParameterName=Application Variable",
               "ObjectType=0x7",
               "DataType=0x0006",
               "LowLimit=0x0000",
               "HighLimit=0xFFFF",
               "DefaultValue=0x0000",
               "ParameterValue=0x0000",
               "AccessType=ro",
               "PDOMapping=0",
               "",
               ""},
              true);
}

// LastEDS names the EDS of the DCF's base name in its folder, or is left out.
TEST(DcfWriter, LastEdsNamesTheEdsWrittenBesideIt) {
    const struct {
        const char* besides;
        const char* lastEds; // nullptr: no LastEDS line
    } cases[] = {{"Gateway.eds", "LastEDS=Gateway.eds"},
                 {"Gateway.EDS", "LastEDS=Gateway.EDS"},
                 {"Other.eds", nullptr},
                 {"Gateway.eds.bak", nullptr}};
    for (const auto& c : cases) {
        SmallProject project;
        test::writeFile(project.folder / c.besides, "[FileInfo]\r\n");
        const std::string dcf = writeDcf(project.path, project.folder / "Gateway.dcf");
        const std::size_t at = dcf.find("LastEDS=");
        if (c.lastEds)
            EXPECT_NE(dcf.find(std::string("\r\n") + c.lastEds + "\r\n"), std::string::npos)
                << c.besides;
        else
            EXPECT_EQ(at, std::string::npos) << c.besides;
    }
}

// Without its additions the DCF is the EDS of the same project, line for line: the same
// objects, values and mends.
TEST(DcfWriter, IsTheEdsPlusItsAdditions) {
    for (const fs::path& project : {fs::path(ORDANE_TEST_DATA) / "eds/projects/Plant",
                                    fs::path(ORDANE_TEST_DATA) / "eds/projects/Full",
                                    fs::path(ORDANE_SOURCE_DIR) / "examples/Demo"}) {
        SCOPED_TRACE(project.string());
        test::TempFolder out;
        const FixedClock clock(kMorning);
        EdsWriter(clock).write(project, out / "Plant.eds");
        const auto eds = crlfLines(test::readFile(out / "Plant.eds"));
        const auto dcf = crlfLines(writeDcf(project, out / "Plant.dcf"));

        std::vector<std::string> stripped;
        bool inCommissioning = false;
        std::size_t parameterValues = 0;
        int namedEds = 0;
        for (std::size_t i = 0; i < dcf.size(); ++i) {
            const std::string& line = dcf[i];
            if (line == "[DeviceComissioning]")
                inCommissioning = true;
            if (inCommissioning) {
                inCommissioning = !line.empty();
                continue;
            }
            if (line.rfind("ParameterValue=", 0) == 0) {
                // Right beside its DefaultValue.
                EXPECT_EQ(dcf[i - 1].rfind("DefaultValue=", 0), 0u) << "line " << i + 1;
                ++parameterValues;
                continue;
            }
            // Written beside the EDS, the DCF names it.
            if (line == "LastEDS=Plant.eds") {
                ++namedEds;
                continue;
            }
            stripped.push_back(line == "FileName=Plant.dcf" ? "FileName=CANopen_to_J1939.eds"
                                                            : line);
        }
        EXPECT_EQ(stripped, eds);
        EXPECT_EQ(namedEds, 1);
        EXPECT_EQ(parameterValues,
                  std::size_t(std::count_if(eds.begin(), eds.end(), [](const std::string& l) {
                      return l.rfind("DefaultValue=", 0) == 0;
                  })));
    }
}

TEST(DcfWriter, TakesNodeIdAndBitRateFromPargenOrTheOptions) {
    const std::optional<std::string> none;
    const struct {
        const char* name;
        std::optional<std::string> pargenText; // no pargen.xml when absent
        std::optional<std::string> nodeId, bitRate;
        const char* nodeLine;
        const char* rateLine;
    } cases[] = {
        {"no pargen.xml: its defaults", none, none, none, "NodeID=1", "Baudrate=1000"},
        {"pargen.xml without the two elements", "<GeneralParameter/>", none, none, "NodeID=1",
         "Baudrate=1000"},
        {"pargen.xml, node in hexadecimal, lowest rate", pargen("0x7F", "0"), none, none,
         "NodeID=127", "Baudrate=10"},
        {"pargen.xml, 800 kbit/s", pargen("$0A", "7"), none, none, "NodeID=10", "Baudrate=800"},
        {"both options over pargen.xml", pargen("5", "5"), "9", "125", "NodeID=9", "Baudrate=125"},
        {"node option, rate from pargen.xml", pargen("5", "3"), "0x10", none, "NodeID=16",
         "Baudrate=100"},
        {"rate option, node from pargen.xml", pargen("127", "5"), none, "20", "NodeID=127",
         "Baudrate=20"},
        {"both options: a pargen.xml that cannot be read is not needed", "<GeneralParameter>", "1",
         "50", "NodeID=1", "Baudrate=50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project;
        if (c.pargenText)
            test::writeFile(project / "pargen.xml", *c.pargenText);
        const auto lines =
            crlfLines(writeDcf(project.path(), project / "out.dcf", {c.nodeId, c.bitRate}));
        expectRun(lines, {"[DeviceComissioning]", c.nodeLine});
        expectRun(lines, {c.rateLine, "NetNumber=1"});
    }
}

TEST(DcfWriter, RefusesAnOutOfRangeNodeOrRateAndWritesNothing) {
    const std::optional<std::string> none;
    const struct {
        const char* name;
        std::string pargenText;
        std::optional<std::string> nodeId, bitRate;
        std::string error;
    } cases[] = {
        {"node 0 in pargen.xml", pargen("0", "5"), none, none,
         "pargen.xml, IDDev_CANopen: node ID '0' is not between 1 and 127"},
        {"node 128 in pargen.xml", pargen("128", "5"), none, none,
         "pargen.xml, IDDev_CANopen: node ID '128' is not between 1 and 127"},
        {"node that is no number in pargen.xml", pargen("five", "5"), none, none,
         "pargen.xml, IDDev_CANopen: node ID 'five' is not between 1 and 127"},
        {"no rate selected in pargen.xml", pargen("5", "9"), none, none,
         "pargen.xml, Baud_CANopen: no CANopen bit rate is selected (a position from 0 to 8 is "
         "needed, for 10, 20, 50, 100, 125, 250, 500, 800, 1000 kbit/s)"},
        {"node option 0", pargen("5", "5"), "0", none,
         "--node-id: node ID '0' is not between 1 and 127"},
        {"node option 128 over a good pargen.xml", pargen("5", "5"), "128", none,
         "--node-id: node ID '128' is not between 1 and 127"},
        {"the option is named before a bad pargen.xml", pargen("0", "9"), "x", none,
         "--node-id: node ID 'x' is not between 1 and 127"},
        {"rate option 300", pargen("5", "5"), none, "300",
         "--bit-rate: '300' kbit/s is not one of the CANopen bit rates 10, 20, 50, 100, 125, "
         "250, 500, 800, 1000"},
        {"rate option in bit/s", pargen("5", "5"), "5", "250000",
         "--bit-rate: '250000' kbit/s is not one of the CANopen bit rates 10, 20, 50, 100, 125, "
         "250, 500, 800, 1000"},
        {"a pargen.xml that cannot be read", "<GeneralParameter>", "5", none,
         "pargen.xml: Start-end tags mismatch (line 1)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project, out;
        test::writeFile(project / "pargen.xml", c.pargenText);
        test::writeFile(out / "Gateway.dcf", "old file\r\n");
        EXPECT_EQ(test::thrownText([&] {
                      writeDcfFile(project.path(), out / "Gateway.dcf", {c.nodeId, c.bitRate});
                  }),
                  c.error);
        EXPECT_EQ(test::readFile(out / "Gateway.dcf"), "old file\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
    }
}

TEST(DcfWriter, RefusesWhatTheEdsRefuses) {
    test::TempFolder project, out;
    test::writeFile(
        project / "TInfoCob.xml",
        R"(<TInfoCob><row NrPdo="1" Index="0x202A" SubIndex="1" Dimension="0"/></TInfoCob>)");
    EXPECT_EQ(test::thrownText([&] { writeDcfFile(project.path(), out / "Gateway.dcf"); }),
              "TInfoCob.xml, row 1: Error! The Index 0x202A is already used by a fixed object of "
              "the converter");
    EXPECT_TRUE(fs::is_empty(out.path()));
}

// Control characters in a name would end the INI line and start a section of their own.
// (Windows allows none in a file name.)
#ifndef _WIN32
TEST(DcfWriter, KeepsNamesOnTheirLine) {
    test::TempFolder folder;
    const fs::path project = folder / "Plant\n[1000]";
    fs::create_directories(project);
    const auto lines = crlfLines(writeDcf(project, folder / "a\rb.dcf"));
    expectRun(lines, {"[FileInfo]", "FileName=a_b.dcf"});
    expectRun(lines, {"[DeviceComissioning]", "NodeID=1", "NodeName=Plant_[1000]"});
}
#endif

TEST(DataSheetKind, TheNameDecidesThenTheChosenType) {
    const struct {
        const char* name;
        DataSheetKind chosen, expected;
    } cases[] = {
        {"Gateway", DataSheetKind::Eds, DataSheetKind::Eds},
        {"Gateway", DataSheetKind::Dcf, DataSheetKind::Dcf},
        {"Gateway.dcf", DataSheetKind::Eds, DataSheetKind::Dcf},
        {"Gateway.Dcf", DataSheetKind::Eds, DataSheetKind::Dcf},
        {"Gateway.EDS", DataSheetKind::Dcf, DataSheetKind::Eds},
        {"Gateway.txt", DataSheetKind::Dcf, DataSheetKind::Dcf},
        {"Gateway.dcf.txt", DataSheetKind::Eds, DataSheetKind::Eds},
        {"dcf", DataSheetKind::Eds, DataSheetKind::Eds},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dataSheetKind(fs::path("/p") / c.name, c.chosen), c.expected) << c.name;
}

TEST(DcfCommand, WritesTheFileOrSaysWhyNot) {
    // 1773068820 is 9 March 2026, 15:07:00 UTC.
    const test::Environment environment({{"SOURCE_DATE_EPOCH", "1773068820"}, {"TZ", "UTC0"}});
    SmallProject project;
    test::TempFolder out;
    const struct {
        const char* name;
        std::vector<std::string> arguments; // after "dcf PROJECT OUT"
        fs::path project;
        int status;
        std::string err;
        const char* nodeLine;
    } cases[] = {
        {"from pargen.xml", {}, project.path, 0, "", "NodeID=5"},
        {"with both options",
         {"--bit-rate", "500", "--node-id", "0x20"},
         project.path,
         0,
         "",
         "NodeID=32"},
        {"refused node",
         {"--node-id", "200"},
         project.path,
         1,
         "--node-id: node ID '200' is not between 1 and 127\n",
         nullptr},
        {"no project folder",
         {},
         out / "nowhere",
         1,
         "Project folder not found: " + (out / "nowhere").string() + "\n",
         nullptr},
        {"an unknown option", {"--node", "5"}, project.path, 2, "", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = out / (std::string(c.name) + ".dcf");
        std::vector<std::string> arguments{"dcf", c.project.string(), target.string()};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        std::ostringstream stdOut, stdErr;
        EXPECT_EQ(cli::run(arguments, stdOut, stdErr), c.status);
        EXPECT_EQ(stdOut.str(), "");
        if (c.status != 2) {
            EXPECT_EQ(stdErr.str(), c.err);
        }
        EXPECT_EQ(fs::exists(target), c.status == 0);
        if (c.status == 0) {
            const auto lines = crlfLines(test::readFile(target));
            expectRun(lines, {"CreationTime=03:07PM", "CreationDate=03-09-2026"});
            expectRun(lines, {"[DeviceComissioning]", c.nodeLine});
        }
    }
}

} // namespace
} // namespace ordane
