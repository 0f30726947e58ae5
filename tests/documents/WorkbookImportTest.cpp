#include "documents/WorkbookImport.h"
#include "core/Error.h"
#include "documents/CsvExport.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cerrno>
#ifdef ORDANE_XLS_IMPORT
#include <sys/wait.h>
#endif

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

const fs::path kFixtures = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures";

std::vector<SheetRecord> readSheet(const fs::path& workbook, std::size_t fields) {
    std::vector<SheetRecord> records;
    readFrameSheet(workbook, fields, [&](const SheetRecord& r) { records.push_back(r); });
    return records;
}

std::string failureOf(const fs::path& workbook) {
    try {
        readSheet(workbook, 4);
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

#ifdef ORDANE_XLS_IMPORT
TEST(WorkbookImport, ReadsTheFrameSheetAfterItsTitleRow) {
    // frames.xls: a sheet "Notes" first, then "RpdoDef" with titles, numbers stored as
    // integers and as fractions, hexadecimal texts, empty cells and a sixth column.
    const std::vector<SheetRecord> expected = {
        {"61444", "0", "N", "EEC1 engine speed", "6"},
        {"65262", "0", "Y", "ET1 engine temperature", "6"},
        {"0xFEF1", "$00", "", "CCVS vehicle speed", ""},
        {"2.5", "100000000000000000000", "", "\xC3\x96l 1 < 2 & \"q\"", ""},
        {"-7", "253", "", "", ""},
    };
    EXPECT_EQ(readSheet(kFixtures / "frames.xls", 5), expected);
    EXPECT_EQ(readSheet(kFixtures / "frames.xls", 2).at(1), (SheetRecord{"65262", "0"}));
}

TEST(WorkbookImport, ReportsAMissingSheetOrAnUnreadableFile) {
    EXPECT_EQ(failureOf(kFixtures / "nosheet.xls"), "The workbook '" +
                                                        (kFixtures / "nosheet.xls").string() +
                                                        "' has no sheet \"rpdodef\"");
    // overread.xls makes FreeXL read past a buffer (found by fuzzing): under the
    // sanitizers the reading process dies, which must cost the import only.
    for (const char* name : {"damaged.xls", "absent.xls", "make_workbooks.py", "overread.xls"}) {
        const std::string failure = failureOf(kFixtures / name);
        EXPECT_EQ(
            failure.rfind("Cannot read the workbook '" + (kFixtures / name).string() + "': ", 0),
            0u)
            << name << ": " << failure;
    }
}

TEST(WorkbookImport, AHandlerThatThrowsStopsTheReadingAndLeavesNoProcess) {
    int handed = 0;
    EXPECT_THROW(readFrameSheet(kFixtures / "frames.xls", 5,
                                [&](const SheetRecord&) {
                                    if (++handed == 2)
                                        throw Error("stop");
                                }),
                 Error);
    EXPECT_EQ(handed, 2);
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}
#else
TEST(WorkbookImport, AnXlsWorkbookIsRefusedWithTheWayToCsv) {
    const std::string failure = failureOf(kFixtures / "frames.xls");
    EXPECT_EQ(failure.rfind(
                  "Cannot read the workbook '" + (kFixtures / "frames.xls").string() + "': ", 0),
              0u);
    EXPECT_NE(failure.find("save the sheet \"rpdodef\" as CSV (.csv)"), std::string::npos)
        << failure;
}
#endif

TEST(WorkbookImport, NumberCellsReadAsTheirShortestText) {
    const std::pair<double, const char*> cases[] = {
        {65265.0, "65265"},
        {-0.0, "0"},
        {2.5, "2.5"},
        {0.1, "0.1"},
        {-3.0, "-3"},
        {1e20, "100000000000000000000"},
        {1.0 / 3, "0.3333333333333333"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(numberCellText(value), text) << value;
}

TEST(WorkbookImport, CsvRecordsFollowTheTitleLine) {
    struct Case {
        const char* name;
        std::string_view text;
        std::vector<SheetRecord> records;
    };
    const Case cases[] = {
        {"title only", "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n", {}},
        {"empty", "", {}},
        {"CR LF",
         "t\r\n0xF004,0,0,0,0\r\n65262,3,0,0,0\r\n",
         {{"0xF004", "0", "0", "0", "0"}, {"65262", "3", "0", "0", "0"}}},
        {"LF, no final break", "t\n1,2\n3", {{"1", "2"}, {"3"}}},
        {"blank line and empty fields", "t\n\n,x,\n", {{""}, {"", "x", ""}}},
        {"quoted",
         "t\n\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\"\r\n",
         {{"a,b", "say \"hi\"", "two\nlines"}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(csvRecords(c.text), c.records) << c.name;
}

TEST(WorkbookImport, CsvFileIsCutToTheFieldsAsked) {
    TempFolder folder;
    writeFile(folder / "list.CSV", "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n6,0,0,0,0\r\n");
    EXPECT_EQ(readSheet(folder / "list.CSV", 4), (std::vector<SheetRecord>{{"6", "0", "0", "0"}}));
    EXPECT_NE(failureOf(folder / "none.csv"), "");

    // A NUL cannot be saved in a document; such a file is no text and is refused whole.
    writeFile(folder / "nul_byte.csv", std::string_view("t\r\n6,0\r\n\"a\0b\",1\r\n", 17));
    EXPECT_EQ(failureOf(folder / "nul_byte.csv"), "Cannot read the workbook '" +
                                                 (folder / "nul_byte.csv").string() +
                                                 "': its text cannot be read");
}

TEST(CsvExport, WritesTheTitleAndOneLinePerRowWithCrLf) {
    EXPECT_EQ(frameCsvText({}), "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n");
    TempFolder folder;
    writeFile(folder / "rpdodef.csv", "old content that is longer than the new one\r\n");
    writeFrameCsv(folder.path(), {{"0xF004", "0"}, {"6", "0"}});
    EXPECT_EQ(readFile(folder / "rpdodef.csv"),
              "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n0xF004,0,0,0,0\r\n6,0,0,0,0\r\n");
    EXPECT_THROW(writeFrameCsv(folder / "missing", {}), Error);
}

} // namespace
} // namespace ordane
