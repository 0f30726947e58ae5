#include "eds/EdsWriter.h"

#include "EdsStructure.h"
#include "TestSupport.h"

#include "cli/Cli.h"
#include "core/Error.h"
#include "eds/EdsLines.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>

namespace ordane {
namespace {

namespace fs = std::filesystem;

const LocalDateTime kMorning{2026, 12, 9, 1, 8, 30};

struct Document {
    const char* name;
    std::string text;
};

void writeDocuments(const fs::path& folder, const std::vector<Document>& documents) {
    for (const Document& d : documents)
        test::writeFile(folder / d.name, d.text);
}

std::vector<std::string> splitLines(const std::string& bytes, const std::string& end) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = bytes.find(end, start)) != std::string::npos;
         start = at + end.size())
        lines.push_back(bytes.substr(start, at - start));
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

std::vector<std::string> edsLines(const std::string& bytes) {
    return splitLines(bytes, "\r\n");
}

// Every EDS file the tests write goes through here, so each one is also checked for the
// structure that CiA 306 checkers want.
std::string writeEds(const fs::path& project, const fs::path& target,
                     LocalDateTime time = kMorning) {
    const FixedClock clock(time);
    EdsWriter(clock).write(project, target);
    const std::string bytes = test::readFile(target);
    EXPECT_EQ(test::edsStructureFaults(bytes), std::vector<std::string>{}) << target;
    return bytes;
}

std::string firstDifference(const std::vector<std::string>& actual,
                            const std::vector<std::string>& expected) {
    for (std::size_t i = 0; i < std::max(actual.size(), expected.size()); ++i) {
        const std::string a = i < actual.size() ? actual[i] : "<end of file>";
        const std::string e = i < expected.size() ? expected[i] : "<end of file>";
        if (a != e)
            return "line " + std::to_string(i + 1) + ": '" + a + "', expected '" + e + "'";
    }
    return {};
}

// The lines from `run.front()` on must be `run`.
void expectRun(const std::vector<std::string>& lines, const std::vector<std::string>& run) {
    const auto at = std::find(lines.begin(), lines.end(), run.front());
    ASSERT_NE(at, lines.end()) << run.front();
    const std::vector<std::string> actual(
        at, at + std::min<std::ptrdiff_t>(std::ptrdiff_t(run.size()), lines.end() - at));
    EXPECT_EQ(firstDifference(actual, run), "") << "in the run from " << run.front();
}

// "sub0=0x02", "sub1=0x20200108", ...: the DefaultValue of each sub-index section of an
// object, in file order.
std::vector<std::string> subDefaults(const std::vector<std::string>& lines,
                                     const std::string& index) {
    std::vector<std::string> values;
    const std::string prefix = "[" + index + "sub";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(prefix, 0) != 0)
            continue;
        std::string sub = lines[i].substr(prefix.size() - 3);
        sub.pop_back();
        for (std::size_t j = i + 1; j < lines.size() && !lines[j].empty(); ++j)
            if (lines[j].rfind("DefaultValue=", 0) == 0)
                values.push_back(sub + "=" + lines[j].substr(13));
    }
    return values;
}

// The object sections (not sub-indexes) in file order.
std::vector<std::string> objectSections(const std::vector<std::string>& lines) {
    std::vector<std::string> names;
    for (const std::string& line : lines)
        if (line.size() == 6 && line.front() == '[' && line.back() == ']')
            names.push_back(line.substr(1, 4));
    return names;
}

std::vector<std::string> zeroEntries(int from) {
    std::vector<std::string> values;
    for (int k = from; k <= 8; ++k)
        values.push_back("sub" + std::to_string(k) + "=0x00000000");
    return values;
}

std::vector<std::string> mapped(const std::string& dimension, const std::string& dataObject,
                                int count) {
    std::vector<std::string> values{"sub0=" + dimension};
    for (int k = 1; k <= count; ++k)
        values.push_back("sub" + std::to_string(k) + "=0x" + dataObject + "0" + std::to_string(k) +
                         "08");
    const auto rest = zeroEntries(count + 1);
    values.insert(values.end(), rest.begin(), rest.end());
    return values;
}

std::string pdoRows(const std::vector<std::pair<const char*, const char*>>& pdos) {
    std::string text = "<PDOJ1939>";
    for (const auto& [cobId, dimension] : pdos)
        text += std::string("<row COB-ID=\"") + cobId + "\" Dimension=\"" + dimension +
                "\" Offset=\"1\" Mnemonic=\"\"/>";
    return text + "</PDOJ1939>";
}

struct Mapped {
    const char* index;
    const char* subIndex;
    const char* dimension;
};

std::string mappingRows(const char* root, const std::vector<Mapped>& rows) {
    std::string text = std::string("<") + root + ">";
    for (const Mapped& r : rows)
        text += std::string("<row NrPdo=\"1\" Index=\"") + r.index + "\" SubIndex=\"" + r.subIndex +
                "\" Dimension=\"" + r.dimension +
                "\" B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/>";
    return text + "</" + root + ">";
}

TEST(EdsWriter, WritesWholeFilesAsExpected) {
    const struct {
        const char* name;
        bool plant; // the Plant fixture project, else a folder without documents
        LocalDateTime time;
        const char* expected;
    } cases[] = {
        {"empty project", false, kMorning, "Empty.eds"},
        {"PDOs both ways, objects on both sides and at 0x6000",
         true,
         {2026, 3, 9, 15, 7, 45},
         "Plant.eds"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder folder;
        const fs::path project =
            c.plant ? fs::path(ORDANE_TEST_DATA) / "eds/projects/Plant" : folder.path();
        const std::string bytes = writeEds(project, folder / "out.eds", c.time);
        const std::string expected =
            test::readFile(fs::path(ORDANE_TEST_DATA) / "eds/expected" / c.expected);
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(firstDifference(edsLines(bytes), splitLines(expected, "\n")), "");
        std::string crlf;
        for (const std::string& line : splitLines(expected, "\n"))
            crlf += line + "\r\n";
        EXPECT_TRUE(bytes == crlf) << "line ends differ";
    }
}

TEST(EdsWriter, ShapesPdoObjectsListsAndProjectObjects) {
    const struct {
        const char* name;
        std::vector<Document> documents;
        std::vector<std::vector<std::string>> runs;
        std::map<std::string, std::vector<std::string>> subValues;
        std::vector<std::string> objects; // all object sections in order, when given
    } cases[] = {
        {"one receive PDO, COB-ID 0x201, Dimension 2",
         {{"pdoJ1939.xml", pdoRows({{"0x201", "2"}})}},
         {{"NrOfRXPDO=1", "NrOfTXPDO=0"},
          {"[OptionalObjects]", "SupportedObjects=9", "", "1=0x1003", "2=0x1008", "3=0x1009",
           "4=0x100A", "5=0x1017", "6=0x1200", "7=0x1280", "8=0x1400", "9=0x1600", "", "[1003]"},
          {"[1400sub1]", "ParameterName=COB-ID", "ObjectType=0x7", "DataType=0x0007",
           "DefaultValue=0x00000201", "AccessType=rw", "PDOMapping=0", ""},
          {"[1600]",
           "SubNumber=9",
           "ParameterName=Receive PDO Mapping Parameter",
           "ObjectType=0x9",
           "",
           "[1600sub0]",
           "ParameterName=Number of Entries",
           "ObjectType=0x7",
           "DataType=0x0005",
           "DefaultValue=0x02",
           "AccessType=rw",
           "PDOMapping=0",
           "",
           "[1600sub1]",
           "ParameterName=PDO Mapping Entry",
           "ObjectType=0x7",
           "DataType=0x0007",
           "DefaultValue=0x20200108",
           "AccessType=rw",
           "PDOMapping=0",
           ""},
          {"[1600sub8]", "ParameterName=PDO Mapping Entry", "ObjectType=0x7", "DataType=0x0007",
           "DefaultValue=0x00000000", "AccessType=rw", "PDOMapping=0", "", "", "",
           "[ManufacturerObjects]", "SupportedObjects=9"}},
         {{"1600", mapped("0x02", "2020", 2)}},
         {}},
        {"four transmit PDOs with Dimensions 8, 1, 3 and 5",
         {{"TpdoJ1939.xml",
           pdoRows({{"0x181", "8"}, {"0x182", "1"}, {"0x183", "3"}, {"0x184", "5"}})}},
         {{"NrOfRXPDO=0", "NrOfTXPDO=4"},
          {"[OptionalObjects]", "SupportedObjects=15"},
          {"7=0x1280", "8=0x1800", "9=0x1801", "10=0x1802", "11=0x1803", "12=0x1A00", "13=0x1A01",
           "14=0x1A02", "15=0x1A03", ""},
          {"[1803sub3]", "ParameterName=Inhibit Time", "ObjectType=0x7", "DataType=0x0006",
           "DefaultValue=0x0000", "AccessType=rw", "PDOMapping=0", "", "[1A00]", "SubNumber=9",
           "ParameterName=Transmit PDO Mapping Parameter", "ObjectType=0x9", ""}},
         {{"1803", {"sub0=0x03", "sub1=0x00000184", "sub2=0xFE", "sub3=0x0000"}},
          {"1A00", mapped("0x08", "202A", 8)},
          {"1A01", mapped("0x01", "202B", 1)},
          {"1A02", mapped("0x03", "202C", 3)},
          {"1A03", mapped("0x05", "202D", 5)}},
         {"1000", "1001", "1018", "1003", "1008", "1009", "100A", "1017", "1200",
          "1280", "1800", "1801", "1802", "1803", "1A00", "1A01", "1A02", "1A03",
          "2010", "2020", "2021", "2022", "2023", "202A", "202B", "202C", "202D"}},
        {"Dimensions outside 1..8: 10 maps all eight, 0 maps none",
         {{"pdoJ1939.xml", pdoRows({{"0x201", "10"}, {"0x202", "0"}})}},
         {},
         {{"1600",
           {"sub0=0x0A", "sub1=0x20200108", "sub2=0x20200208", "sub3=0x20200308", "sub4=0x20200408",
            "sub5=0x20200508", "sub6=0x20200608", "sub7=0x20200708", "sub8=0x20200808"}},
          {"1601", mapped("0x00", "2021", 0)}},
         {}},
        {"0x2100 mapped out of order on the received side, 0x2200 with its own sub-index 0",
         {{"RInfoCob.xml", mappingRows("RInfoCob", {{"0x2100", "3", "1"}, {"8448", "1", "2"}})},
          {"TInfoCob.xml", mappingRows("TInfoCob", {{"8704", "0", "0"}, {"$2200", "1", "1"}})}},
         {{"[ManufacturerObjects]", "SupportedObjects=11"},
          {"9=0x202D", "10=0x2100", "11=0x2200", "", "[2010]"},
          {"[2100]",
           "SubNumber=3",
           "ParameterName=App Vars",
           "ObjectType=0x9",
           "",
           "[2100sub0]",
           "ParameterName=Largest Sub-Index supported",
           "ObjectType=0x7",
           "DataType=0x0005",
           "AccessType=ro",
           "DefaultValue=0x03",
           "PDOMapping=0",
           "",
           "[2100sub1]",
           "ParameterName=Application Variable",
           "ObjectType=0x7",
           "DataType=0x0005",
           "LowLimit=0x00",
           "HighLimit=0xFF",
           "DefaultValue=0x00",
           "AccessType=ro",
           "PDOMapping=0",
           "",
           "[2100sub3]",
           "ParameterName=Application Variable",
           "ObjectType=0x7",
           "DataType=0x0006",
           "LowLimit=0x0000",
           "HighLimit=0xFFFF",
           "DefaultValue=0x0000",
           "AccessType=ro",
           "PDOMapping=0",
           "",
           "[2200]",
           "SubNumber=2",
           "ParameterName=App Vars",
           "ObjectType=0x9",
           "",
           "[2200sub0]",
           "ParameterName=Application Variable",
           "ObjectType=0x7",
           "DataType=0x0007",
           "LowLimit=0x00000000",
           "HighLimit=0xFFFFFFFF",
           "DefaultValue=0x00000000",
           "AccessType=rw",
           "PDOMapping=0",
           "",
           "[2200sub1]",
           "ParameterName=Application Variable",
           "ObjectType=0x7",
           "DataType=0x0006",
           "LowLimit=0x0000",
           "HighLimit=0xFFFF",
           "DefaultValue=0x0000",
           "AccessType=rw",
           "PDOMapping=0",
           "",
           ""}},
         {},
         {}},
        {"device-profile objects are listed with the optional objects",
         {{"pdoJ1939.xml", pdoRows({{"0x201", "1"}})},
          {"RInfoCob.xml",
           mappingRows("RInfoCob",
                       {{"0x6000", "1", "0"}, {"0x5FFF", "1", "0"}, {"0x9FFF", "0", "0"}})}},
         {{"[OptionalObjects]", "SupportedObjects=11"},
          {"7=0x1280", "8=0x1400", "9=0x1600", "10=0x6000", "11=0x9FFF", "", "[1003]"},
          {"[ManufacturerObjects]", "SupportedObjects=10"},
          {"9=0x202D", "10=0x5FFF", "", "[2010]"}},
         {},
         {"1000", "1001", "1018", "1003", "1008", "1009", "100A", "1017",
          "1200", "1280", "1400", "1600", "2010", "2020", "2021", "2022",
          "2023", "202A", "202B", "202C", "202D", "6000", "5FFF", "9FFF"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project;
        writeDocuments(project.path(), c.documents);
        const auto lines = edsLines(writeEds(project.path(), project / "out.eds"));
        for (const auto& run : c.runs)
            expectRun(lines, run);
        for (const auto& [index, values] : c.subValues) {
            EXPECT_EQ(subDefaults(lines, index), values) << index;
        }
        if (!c.objects.empty()) {
            EXPECT_EQ(objectSections(lines), c.objects);
        }
    }
}

TEST(EdsWriter, WritesDateAndTimeOnATwelveHourClock) {
    const struct {
        int hour, minute;
        const char* expected;
    } times[] = {
        {0, 0, "12:00AM"},   {0, 15, "12:15AM"}, {9, 5, "09:05AM"},
        {11, 59, "11:59AM"}, {12, 0, "12:00PM"}, {12, 30, "12:30PM"},
        {12, 59, "12:59PM"}, {15, 7, "03:07PM"}, {23, 59, "11:59PM"},
    };
    for (const auto& t : times)
        EXPECT_EQ(edsTime({2026, 1, 1, t.hour, t.minute, 59}), t.expected)
            << t.hour << ":" << t.minute;
    EXPECT_EQ(edsDate({2026, 12, 1, 0, 0, 0}), "12-01-2026");
    EXPECT_EQ(edsDate({2026, 3, 9, 0, 0, 0}), "03-09-2026");
}

TEST(EdsWriter, RefusesWhatItCannotReadOrDeclareAndLeavesTheOldFile) {
    const std::string fivePdos =
        pdoRows({{"0x181", "1"}, {"0x182", "1"}, {"0x183", "1"}, {"0x184", "1"}, {"0x185", "1"}});
    const struct {
        const char* name;
        std::vector<Document> documents;
        const char* error;
    } cases[] = {
        {"number text",
         {{"pdoJ1939.xml", pdoRows({{"0x201", "2"}, {"0x2G1", "2"}})}},
         "pdoJ1939.xml, row 2, COB-ID: '0x2G1' is not a valid integer value"},
        {"number text in a mapping",
         {{"TInfoCob.xml", mappingRows("TInfoCob", {{"0x2100", "one", "0"}})}},
         "TInfoCob.xml, row 1, SubIndex: 'one' is not a valid integer value"},
        {"missing attribute",
         {{"TpdoJ1939.xml", "<PDOJ1939><row COB-ID=\"0x181\" Offset=\"1\"/></PDOJ1939>"}},
         "TpdoJ1939.xml, row 1: attribute 'Dimension' is missing"},
        {"PDO document without its root",
         {{"pdoJ1939.xml", "<PDO><row COB-ID=\"0x201\" Dimension=\"1\"/></PDO>"}},
         "pdoJ1939.xml: root element 'PDOJ1939' not found"},
        {"malformed XML",
         {{"RInfoCob.xml", "<RInfoCob>\n<row Index=\"8448\"</RInfoCob>"}},
         "RInfoCob.xml: Error parsing start element tag (line 2)"},
        {"a fifth PDO",
         {{"TpdoJ1939.xml", fivePdos}},
         "TpdoJ1939.xml, row 5: a direction has at most four PDOs"},
        {"an object at 0x2020",
         {{"RInfoCob.xml", mappingRows("RInfoCob", {{"0x2020", "1", "2"}})}},
         "RInfoCob.xml, row 1: Error! The Index 0x2020 is already used by a fixed object of the "
         "converter"},
        {"every refused row over both documents, in document order",
         {{"RInfoCob.xml", mappingRows("RInfoCob", {{"0x2100", "1", "0"},
                                                    {"8448", "0x01", "1"},
                                                    {"0x1400", "1", "0"},
                                                    {"0x2101", "1", "0"}})},
          {"TInfoCob.xml",
           mappingRows("TInfoCob",
                       {{"$2100", "1", "0"}, {"0x202D", "0", "0"}, {"0x1000", "0", "0"}})}},
         "RInfoCob.xml, row 2: Error! The Index 0x2100 and SubIndex 0x01 is already used\n"
         "RInfoCob.xml, row 3: Error! The Index must be between 0x2000 and 0x9FFF\n"
         "TInfoCob.xml, row 1: Error! The Index 0x2100 and SubIndex 0x01 is already used\n"
         "TInfoCob.xml, row 2: Error! The Index 0x202D is already used by a fixed object of the "
         "converter\n"
         "TInfoCob.xml, row 3: Error! The Index must be between 0x2000 and 0x9FFF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempFolder project, out;
        writeDocuments(project.path(), c.documents);
        test::writeFile(out / "Gateway.eds", "old file\r\n");
        const FixedClock clock(kMorning);
        EXPECT_EQ(
            test::thrownText([&] { EdsWriter(clock).write(project.path(), out / "Gateway.eds"); }),
            c.error);
        EXPECT_EQ(test::readFile(out / "Gateway.eds"), "old file\r\n");
        EXPECT_EQ(std::distance(fs::directory_iterator(out.path()), fs::directory_iterator()), 1);
    }
}

TEST(EdsWriter, ReportsATargetItCannotWrite) {
    test::TempFolder project;
    const FixedClock clock(kMorning);
    const fs::path target = project / "missing" / "out.eds";
    EXPECT_EQ(test::thrownText([&] { EdsWriter(clock).write(project.path(), target); }),
              "Cannot write '" + target.string() + "': No such file or directory");
}

TEST(EdsWriter, CommandLineWritesTheFileOrSaysWhyNot) {
    const fs::path plant = fs::path(ORDANE_TEST_DATA) / "eds/projects/Plant";
    test::TempFolder out, bad;
    writeDocuments(bad.path(), {{"RInfoCob.xml", mappingRows("RInfoCob", {{"0x202A", "1", "0"}})}});
    const struct {
        const char* name;
        fs::path project;
        int status;
        std::string err;
    } cases[] = {
        {"written", plant, 0, ""},
        {"refused", bad.path(), 1,
         "RInfoCob.xml, row 1: Error! The Index 0x202A is already used by a fixed object of the "
         "converter\n"},
        {"no project folder", out / "nowhere", 1,
         "Project folder not found: " + (out / "nowhere").string() + "\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path target = out / (std::string(c.name) + ".eds");
        std::ostringstream stdOut, stdErr;
        EXPECT_EQ(cli::run({"eds", c.project.string(), target.string()}, stdOut, stdErr), c.status);
        EXPECT_EQ(stdOut.str(), "");
        EXPECT_EQ(stdErr.str(), c.err);
        EXPECT_EQ(fs::exists(target), c.status == 0);
        if (c.status == 0) {
            const std::string bytes = test::readFile(target);
            EXPECT_EQ(test::edsStructureFaults(bytes), std::vector<std::string>{});
            EXPECT_NE(bytes.find("\r\nNrOfRXPDO=2\r\nNrOfTXPDO=1\r\n"), std::string::npos);
        }
    }
}

// The fixture projects and random projects within what the editors write, each checked
// by writeEds for the structure CiA 306 checkers want.
TEST(EdsWriter, FixtureAndGeneratedProjectsGiveSoundFiles) {
    for (const auto& fixture :
         fs::directory_iterator(fs::path(ORDANE_TEST_DATA) / "eds/projects")) {
        SCOPED_TRACE(fixture.path().filename().string());
        test::TempFolder out;
        writeEds(fixture.path(), out / "out.eds");
    }
    const auto numberText = [](std::mt19937& random, unsigned value) {
        char buffer[32];
        switch (random() % 3) {
        case 0:
            std::snprintf(buffer, sizeof buffer, "%u", value);
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer, "0x%X", value);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "$%x", value);
            break;
        }
        return std::string(buffer);
    };
    for (unsigned seed = 1; seed <= 40; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::mt19937 random(seed);
        test::TempFolder project;
        for (const char* name : {"pdoJ1939.xml", "TpdoJ1939.xml"}) {
            if (random() % 5 == 0)
                continue; // no document
            std::string text = "<PDOJ1939>";
            for (unsigned n = random() % 5; n > 0; --n)
                text += "<row COB-ID=\"" + numberText(random, 1 + random() % 0x7FF) +
                        "\" Dimension=\"" + numberText(random, random() % 11) +
                        "\" Offset=\"1\" Mnemonic=\"x\"/>";
            test::writeFile(project / name, text + "</PDOJ1939>");
        }
        // Distinct (Index, SubIndex) pairs, none at a fixed object; the two documents
        // take the rows in a shuffled order.
        std::set<std::pair<unsigned, unsigned>> pairs;
        const unsigned objects = random() % 7;
        for (unsigned o = 0; o < objects; ++o) {
            unsigned index = 0x2000 + random() % 0x8000;
            if (index == 0x2010 || (index >= 0x2020 && index <= 0x202D))
                index = 0x2100;
            for (unsigned s = 1 + random() % 4; s > 0; --s)
                pairs.insert({index, random() % 256});
        }
        std::vector<std::pair<unsigned, unsigned>> rows(pairs.begin(), pairs.end());
        std::shuffle(rows.begin(), rows.end(), random);
        std::string received = "<RInfoCob>", transmitted = "<TInfoCob>";
        for (const auto& [index, subIndex] : rows) {
            const std::string row = "<row NrPdo=\"1\" Index=\"" + numberText(random, index) +
                                    "\" SubIndex=\"" + numberText(random, subIndex) +
                                    "\" Dimension=\"" + std::to_string(random() % 3) +
                                    "\" B1=\"1\" B2=\"0\" B3=\"0\" B4=\"0\" Send_SDO=\"0\"/>";
            (random() % 2 ? received : transmitted) += row;
        }
        test::writeFile(project / "RInfoCob.xml", received + "</RInfoCob>");
        test::writeFile(project / "TInfoCob.xml", transmitted + "</TInfoCob>");
        writeEds(project.path(), project / "out.eds");
    }
}

// The structure check must see the faults it is there for.
TEST(EdsStructure, FlagsTheFaultsCheckersReject) {
    const auto file = [](std::vector<std::string> lines) {
        std::string text;
        for (const std::string& line : lines)
            text += line + "\r\n";
        return text;
    };
    const std::vector<std::string> lists{"[MandatoryObjects]",
                                         "SupportedObjects=1",
                                         "",
                                         "1=0x1000",
                                         "",
                                         "[1000]",
                                         "ParameterName=x",
                                         "",
                                         "[OptionalObjects]",
                                         "SupportedObjects=1",
                                         "",
                                         "1=0x1600",
                                         "",
                                         "[ManufacturerObjects]",
                                         "SupportedObjects=1",
                                         "",
                                         "1=0x2100",
                                         "",
                                         "[2100]",
                                         "ParameterName=y",
                                         ""};
    const auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> lines = lists;
        lines.insert(lines.end(), more.begin(), more.end());
        return lines;
    };
    const std::vector<std::string> mapping{
        "[1600]", "SubNumber=3", "", "[1600sub0]", "", "[1600sub1]", "", "[1600sub2]", ""};
    ASSERT_EQ(test::edsStructureFaults(file(with(mapping))), std::vector<std::string>{});

    std::vector<std::string> shortMapping = with(mapping);
    shortMapping.resize(shortMapping.size() - 2);
    std::vector<std::string> profileAsManufacturer = with(mapping);
    std::replace(profileAsManufacturer.begin(), profileAsManufacturer.end(),
                 std::string("1=0x2100"), std::string("1=0x6000"));
    std::replace(profileAsManufacturer.begin(), profileAsManufacturer.end(), std::string("[2100]"),
                 std::string("[6000]"));
    std::vector<std::string> gap = with(mapping);
    std::replace(gap.begin(), gap.end(), std::string("1=0x1600"), std::string("2=0x1600"));
    std::vector<std::string> miscounted = with(mapping);
    std::replace(miscounted.begin(), miscounted.end(), std::string("SubNumber=3"),
                 std::string("SubNumber=9"));
    const struct {
        const char* name;
        std::string text;
        std::string fault;
    } cases[] = {
        {"mapping object short of its SubNumber", file(shortMapping),
         "[1600] SubNumber=3 but 2 sub-index sections"},
        {"SubNumber above its entries", file(miscounted),
         "[1600] SubNumber=9 but 3 sub-index sections"},
        {"profile object as a manufacturer object", file(profileAsManufacturer),
         "[ManufacturerObjects] lists 0x6000, outside its range"},
        {"a section twice", file(with({"[1600]", "SubNumber=0", "", "[1600]", "SubNumber=0", ""})),
         "section [1600] appears twice"},
        {"an unlisted object", file(with(mapping)) + file({"[2200]", "ParameterName=z", ""}),
         "[2200] is not listed"},
        {"a listed object without a section", file(lists), "0x1600 is listed but has no section"},
        {"numbered lines with a gap", file(gap), "[OptionalObjects] line 2 where 1 belongs"},
        {"a bare line feed", file(with(mapping)) + "\n", "line 31 does not end with CR LF"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto faults = test::edsStructureFaults(c.text);
        EXPECT_NE(std::find(faults.begin(), faults.end(), c.fault), faults.end())
            << ::testing::PrintToString(faults);
    }
}

} // namespace
} // namespace ordane
