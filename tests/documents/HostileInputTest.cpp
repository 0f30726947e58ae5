// Hostile and oversized input that is cheap to make: each case ends with a clear message or
// works, and leaves nothing behind. The large inputs are run by bench/hostile.sh.

#include "cli/Cli.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "model/J1939FrameList.h"

#include "CliRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

using test::CliResult;
using test::runCli;

// The example project, copied to `folder`.
fs::path copyDemo(const fs::path& folder) {
    fs::create_directories(folder.parent_path());
    fs::copy(fs::path(ORDANE_SOURCE_DIR) / "examples/Demo", folder, fs::copy_options::recursive);
    return folder;
}

std::string repeated(std::string_view text, std::size_t times) {
    std::string result;
    result.reserve(text.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        result += text;
    return result;
}

TEST(HostileInput, OnlyRegularFilesOfSensibleSizeAreRead) {
    TempFolder folder;
    const fs::path fifo = folder / "fifo.sx";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const fs::path huge = folder / "huge.xml";
    writeFile(huge, "");
    fs::resize_file(huge, kLargestReadableFile + 1); // sparse: costs no disk
    fs::create_directory(folder / "folder.xml");
    fs::create_symlink("/dev/zero", folder / "zero.csv");
    struct Case {
        const char* name;
        const char* reason;
    } cases[] = {
        {"fifo.sx", "it is not a regular file"},  // would wait for a writer for ever
        {"zero.csv", "it is not a regular file"}, // would never end
        {"folder.xml", "it is a folder"},
        {"huge.xml", "the file is larger than 128 MB"},
        {"missing.xml", "No such file or directory"},
    };
    for (const Case& c : cases) {
        try {
            readWholeFile(folder / c.name);
            ADD_FAILURE() << c.name << " was read";
        } catch (const Error& e) {
            EXPECT_EQ(std::string(e.what()),
                      "Cannot read '" + (folder / c.name).string() + "': " + c.reason);
        }
    }
}

// One document of the example project replaced, then a command run on it.
TEST(HostileInput, DocumentsEndWithAShortMessageOrWork) {
    const std::string row = "<row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"m\" />";
    const std::string bigPgn(1 << 20, '7');
    struct Case {
        const char* name;
        const char* document;
        std::string bytes;
        const char* command;
        int status;
        std::string says; // in standard error or output; empty: nothing required
    } cases[] = {
        {"nested 100000 deep inside a row", "RCobDef.xml",
         "<COBID><row PGN=\"1\" ID_DEV=\"0\">" + repeated("<a>", 100000) +
             repeated("</a>", 100000) + "</row></COBID>",
         "compile", 0, ""},
        {"DOCTYPE groups nested 100000 deep", "RCobDef.xml",
         "<!DOCTYPE COBID [" + repeated("<![", 100000) + repeated("]]>", 100000) + "]><COBID/>",
         "compile", 0, ""},
        {"attribute of 1 MB", "RCobDef.xml",
         "<COBID><row PGN=\"" + bigPgn + "\" ID_DEV=\"0\"/></COBID>", "compile", 1,
         "RCobDef.xml, row 1, PGN: '" + bigPgn.substr(0, 64) +
             "...' (1048576 bytes) is not a valid integer value\n"},
        // Every value is bad, but the count is refused first: the values are never read.
        {"more rows than the image area", "RCobDef.xml",
         "<COBID>" + repeated("<row PGN=\"x\"/>", 167) + "</COBID>", "compile", 1,
         "RCobDef.xml has 167 rows; the device image has room for 166\n"},
        {"more rows than the image area, checked", "RCobDef.xml",
         "<COBID>" + repeated(row, 167) + "</COBID>", "check", 1,
         "RCobDef.xml: 167 rows; the device image has room for 166\n"},
        {"more rows than any document holds", "RCobDef.xml",
         "<COBID>" + repeated(row, 10001) + "</COBID>", "check", 1,
         "RCobDef.xml has 10001 rows; a project document holds at most 10000\n"},
        {"random bytes", "RCobDef.xml", std::string("\x89PNG\r\n\x1a\n\x00\x00\xff\xfe<<<&&&", 18),
         "compile", 1, "RCobDef.xml: "},
    };
    for (const Case& c : cases) {
        TempFolder home;
        const fs::path project = copyDemo(home / "Demo");
        writeFile(project / c.document, c.bytes);
        const CliResult r = runCli({c.command, project.string()});
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err.substr(0, 300);
        EXPECT_NE((r.err + r.out).find(c.says), std::string::npos)
            << c.name << ": " << r.err.substr(0, 300);
        EXPECT_LT(r.err.size(), 1000u) << c.name;
    }
}

TEST(HostileInput, AWorkbookWithMoreRowsThanADocumentHoldsSavesNothing) {
    TempFolder home;
    const fs::path project = copyDemo(home / "Demo");
    const std::string before = readFile(project / "RCobDef.xml");
    writeFile(home / "many.csv", "cobid,id_dev_orig\r\n" + repeated("0xF004,0\r\n", 10001));
    const CliResult r =
        runCli({"import", project.string(), "received", (home / "many.csv").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err,
              "The workbook '" + (home / "many.csv").string() + "' has more than 10000 rows\n");
    EXPECT_EQ(readFile(project / "RCobDef.xml"), before);
}

TEST(HostileInput, BytesThatAreNoUtf8SurviveLoadAndSave) {
    TempFolder home;
    const fs::path project = copyDemo(home / "Demo");
    const std::string odd = "\xff\xfe\x80 \xc3\x28";
    writeFile(project / "RCobDef.xml",
              "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"" + odd +
                  "\"/></COBID>");
    J1939FrameList list(FrameSide::Received);
    list.load(project);
    list.save(project);
    list.load(project);
    EXPECT_EQ(list.cell(1, 4), odd);
}

TEST(HostileInput, EdsListsTheFirstRefusedRowsAndCountsTheRest) {
    TempFolder home;
    const fs::path project = copyDemo(home / "Demo");
    const std::string same =
        "<row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"1\" B1=\"5\" "
        "B2=\"4\" B3=\"0\" B4=\"0\" />";
    writeFile(project / "RInfoCob.xml", "<RInfoCob>" + repeated(same, 1001) + "</RInfoCob>");
    const CliResult r = runCli({"eds", project.string(), (home / "Demo.eds").string()});
    EXPECT_EQ(r.status, 1);
    std::string expected;
    for (int row = 2; row <= 21; ++row)
        expected += "RInfoCob.xml, row " + std::to_string(row) +
                    ": Error! The Index 0x2100 and SubIndex 0x01 is already used\n";
    EXPECT_EQ(r.err, expected + "... and 980 more rows refused\n");
    EXPECT_FALSE(fs::exists(home / "Demo.eds"));
}

TEST(HostileInput, FirmwareTemplatesOfOddShapes) {
    const std::string templateText =
        readFile(fs::path(ORDANE_SOURCE_DIR) / "examples/MASTER/SX40218.sx");
    const std::string longLine = "S2243000" + std::string(1 << 20, 'A');
    struct Case {
        const char* name;
        std::function<void(const fs::path&)> make;
        int status;
        const char* says;
    } cases[] = {
        {"a line of 1 MB outside the banks",
         [&](const fs::path& t) { writeFile(t, longLine + "\r\n" + templateText); }, 0, ""},
        {"a FIFO", [](const fs::path& t) { ASSERT_EQ(::mkfifo(t.c_str(), 0600), 0); }, 1,
         "it is not a regular file"},
        {"10 MB without a line end",
         [](const fs::path& t) { writeFile(t, "S2" + std::string(10 << 20, '0')); }, 1,
         "the template has no S9 record"},
    };
    for (const Case& c : cases) {
        TempFolder home;
        const fs::path project = copyDemo(home / "Demo");
        ASSERT_EQ(runCli({"compile", project.string()}).status, 0);
        const fs::path templateFile = home / "SX40218.sx";
        c.make(templateFile);
        const CliResult r = runCli({"merge", project.string(), templateFile.string()});
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.name << ": " << r.err;
        std::vector<std::string> left;
        for (const auto& entry : fs::recursive_directory_iterator(project))
            if (entry.path().extension() == ".sx")
                left.push_back(entry.path().filename().string());
        EXPECT_EQ(left, (c.status == 0 ? std::vector<std::string>{"New_SX40218.sx"}
                                       : std::vector<std::string>{}))
            << c.name;
        if (c.status == 0) {
            EXPECT_TRUE(readFile(project / "New_SX40218.sx").starts_with(longLine + "\r\n"))
                << c.name;
        }
    }
}

TEST(HostileInput, NamesWithQuotesBlanksLettersAndALeadingDash) {
    TempFolder home;
    const std::string odd = "-Plant 'q\" \xc3\xa9\xc3\x9f"; // é and ß in UTF-8
    const fs::path root = home / odd;
    fs::create_directory(root);
    const fs::path project = root / odd;

    const CliResult bare = runCli({"new", root.string(), odd});
    EXPECT_EQ(bare.status, 2);
    EXPECT_NE(bare.err.find("Names that begin with '-' go after '--'"), std::string::npos)
        << bare.err;
    EXPECT_FALSE(fs::exists(project));

    ASSERT_EQ(runCli({"new", root.string(), "--", odd}).status, 0);
    for (const auto& entry : fs::directory_iterator(fs::path(ORDANE_SOURCE_DIR) / "examples/Demo"))
        if (entry.is_regular_file())
            fs::copy_file(entry.path(), project / entry.path().filename());
    const fs::path templateFile = root / (odd + ".sx");
    fs::copy_file(fs::path(ORDANE_SOURCE_DIR) / "examples/MASTER/SX40218.sx", templateFile);
    const fs::path workbook = root / (odd + ".csv");
    writeFile(workbook, "cobid,id_dev_orig\r\n0xF004,0\r\n");
    // A file name near the longest a folder entry takes.
    const std::string longName = std::string(250, 'e') + ".eds";

    const std::vector<std::vector<std::string>> commands = {
        {"compile", "--", project.string()},
        {"check", "--", project.string()},
        {"eds", "--", project.string(), (root / (odd + ".eds")).string()},
        {"eds", "--", project.string(), (root / longName).string()},
        {"merge", "--", project.string(), templateFile.string()},
        {"import", "--", project.string(), "received", workbook.string()},
        {"export", "--", project.string(), "received"},
    };
    for (const auto& command : commands) {
        const CliResult r = runCli(command);
        EXPECT_EQ(r.status, 0) << command[0] << ": " << r.err;
    }
    for (const std::string& name : {odd + ".eds", longName})
        EXPECT_TRUE(fs::is_regular_file(root / name)) << name;
    EXPECT_TRUE(fs::is_regular_file(project / ("New_" + odd + ".sx")));
    EXPECT_EQ(readFile(project / "rpdodef.csv"),
              "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n0xF004,0,0,0,0\r\n");
}

} // namespace
} // namespace ordane
