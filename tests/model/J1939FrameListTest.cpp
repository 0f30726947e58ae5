#include "model/J1939FrameList.h"

#include "core/Error.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

const fs::path kFixtures = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures";
constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

using Rows = std::vector<std::vector<std::string>>;

void fill(J1939FrameList& list, const Rows& rows) {
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c)
            list.setCell(int(r) + 1, int(c) + 1, rows[r][c]);
}

Rows firstRows(const J1939FrameList& list, int count) {
    Rows rows;
    for (int r = 1; r <= count; ++r) {
        rows.emplace_back();
        for (int c = 1; c <= list.columnCount(); ++c)
            rows.back().push_back(list.cell(r, c));
    }
    return rows;
}

std::string loadFailure(J1939FrameList& list, const fs::path& folder) {
    list.load(folder);
    return list.loadProblems().empty() ? std::string() : list.loadProblems()[0].message;
}

TEST(J1939FrameList, LoadsEachSideAndAnAbsentDeleteGivesN) {
    TempFolder folder;
    writeFile(folder / "rcobdef.XML",
              "<COBID><row Mnemonic=\"EEC1\" ID_DEV=\"0\" PGN=\"0xF004\"/>\n"
              "<!-- no row --><row PGN=\"65262\" ID_DEV=\"$00\" Delete=\"Y\" Mnemonic=\"\" "
              "Extra=\"x\"/></COBID>");
    writeFile(folder / "TCobDef.xml",
              "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"0xFF10\" "
              "ID_DEV=\"0x80\" Mnemonic=\"Gateway &amp; status\"/></COBID>");
    J1939FrameList received(FrameSide::Received);
    received.load(folder.path());
    EXPECT_EQ(firstRows(received, 3),
              (Rows{{"0xF004", "0", "N", "EEC1"}, {"65262", "$00", "Y", ""}, {"", "", "", ""}}));
    EXPECT_EQ(received.rowCount(), 100);

    J1939FrameList transmitted(FrameSide::Transmitted);
    transmitted.load(folder.path());
    EXPECT_EQ(firstRows(transmitted, 1), (Rows{{"6", "0", "0xFF10", "0x80", "Gateway & status"}}));

    TempFolder empty;
    transmitted.load(empty.path());
    EXPECT_EQ(transmitted.tableRows(), 0);
}

TEST(J1939FrameList, AFailedLoadKeepsTheRowsReadBefore) {
    struct Case {
        const char* name;
        const char* document;
        const char* failure;
        int rowsKept;
    };
    const Case cases[] = {
        {"missing ID_DEV in row 2",
         "<COBID><row PGN=\"1\" ID_DEV=\"2\" Mnemonic=\"\"/><row PGN=\"3\" Delete=\"Y\" "
         "Mnemonic=\"\"/>"
         "<row PGN=\"5\" ID_DEV=\"6\" Mnemonic=\"\"/></COBID>",
         "RCobDef.xml, row 2: attribute 'ID_DEV' is missing", 1},
        {"missing Mnemonic", "<COBID><row PGN=\"1\" ID_DEV=\"2\"/></COBID>",
         "RCobDef.xml, row 1: attribute 'Mnemonic' is missing", 0},
        {"other root", "<RInfoCob><row PGN=\"1\"/></RInfoCob>",
         "RCobDef.xml: root element 'COBID' not found", 0},
        {"not XML", "<COBID><row PGN=\"1\"></COBID>",
         "RCobDef.xml: Start-end tags mismatch (line 1)", 0},
    };
    for (const Case& c : cases) {
        TempFolder folder;
        writeFile(folder / "RCobDef.xml", c.document);
        J1939FrameList list(FrameSide::Received);
        list.setCell(50, 1, "left from before");
        EXPECT_EQ(loadFailure(list, folder.path()), c.failure) << c.name;
        EXPECT_EQ(list.cell(50, 1), "") << c.name;
        EXPECT_EQ(list.tableRows(), c.rowsKept) << c.name;
    }
}

TEST(J1939FrameList, ChecksStopAtTheFirstFailureOfTheFirstFailingRow) {
    struct Case {
        const char* name;
        FrameSide side;
        Rows rows;
        std::vector<std::string> failures;
    };
    const auto R = FrameSide::Received;
    const auto T = FrameSide::Transmitted;
    const Case cases[] = {
        {"received limits pass", R, {{"0xFFFF", "253", "", ""}, {"0", "$FD"}}, {}},
        {"PGN 0x10000",
         R,
         {{"0x10000", "0"}},
         {"Error in row 1!! The PGN must be between 0x0000 and 0xFFFF"}},
        {"ID 254 and an empty ID",
         R,
         {{"1", "0"}, {"2", "254"}, {"3", ""}},
         {"Error in row 2!! The ID Device must to be between 0 and 253",
          "Error in row 3!! The ID Device must to be between 0 and 253"}},
        {"both checks of one row",
         R,
         {{"-1", "x"}},
         {"Error in row 1!! The PGN must be between 0x0000 and 0xFFFF",
          "Error in row 1!! The ID Device must to be between 0 and 253"}},
        {"Delete and Mnemonic never checked", R, {{"1", "2", "maybe", "&<>"}}, {}},
        {"transmitted limits pass", T, {{"7", "1", "0xFFFF", "253", ""}, {"0", "0", "0", "0"}}, {}},
        {"priority 8",
         T,
         {{"8", "0", "1", "1"}},
         {"Error in row 1!! The Priority of J1939 frame must be between 0 and 7"}},
        {"data page 2, then PGN and ID",
         T,
         {{"6", "2", "65536", "254"}},
         {"Error in row 1!! The Data Page of J1939 frame must be or 0 or 1",
          "Error in row 1!! The PGN must be between 0x0000 and 0xFFFF",
          "Error in row 1!! The ID Device must be between 0 and 253"}},
        {"an empty priority ends the table",
         T,
         {{"6", "0", "1", "1"}, {"", "9", "x", "x"}, {"9"}},
         {}},
    };
    for (const Case& c : cases) {
        J1939FrameList list(c.side);
        fill(list, c.rows);
        std::vector<std::string> texts;
        for (const Finding& f : list.failures())
            texts.push_back(f.message);
        EXPECT_EQ(texts, c.failures) << c.name;
        const auto first = list.firstFinding();
        EXPECT_EQ(first.has_value(), !c.failures.empty()) << c.name;
        if (first) {
            EXPECT_EQ(first->message, c.failures.front()) << c.name;
        }
    }
}

TEST(J1939FrameList, SavesTheTableRowsAsTyped) {
    TempFolder folder;
    J1939FrameList received(FrameSide::Received);
    fill(received, {{"0xFFFF", "0", "", "EEC1 <engine> & \"speed\""},
                    {"65262", "$00", "Y", ""},
                    {"", "7", "Y", "below the gap"},
                    {"1", "1", "N", "not saved"}});
    received.save(folder.path());
    EXPECT_EQ(readFile(folder / "RCobDef.xml"),
              std::string(kDeclaration) +
                  "<COBID>\n"
                  "  <row PGN=\"0xFFFF\" ID_DEV=\"0\" Delete=\"\" Mnemonic=\"EEC1 &lt;engine> "
                  "&amp; &quot;speed&quot;\" />\n"
                  "  <row PGN=\"65262\" ID_DEV=\"$00\" Delete=\"Y\" Mnemonic=\"\" />\n"
                  "</COBID>\n");

    J1939FrameList transmitted(FrameSide::Transmitted);
    transmitted.save(folder.path());
    EXPECT_EQ(readFile(folder / "TCobDef.xml"), std::string(kDeclaration) + "<COBID />\n");
    fill(transmitted, {{"6", "0", "0xFF10", "0x80", "Gateway status"}});
    transmitted.save(folder.path());
    J1939FrameList again(FrameSide::Transmitted);
    again.load(folder.path());
    EXPECT_EQ(firstRows(again, 2),
              (Rows{{"6", "0", "0xFF10", "0x80", "Gateway status"}, {"", "", "", "", ""}}));
    EXPECT_THROW(transmitted.save(folder / "missing"), Error);
}

TEST(J1939FrameList, ListsLongerThanTheGridAreKeptWhole) {
    TempFolder folder;
    std::string document = "<COBID>";
    for (int i = 1; i <= 130; ++i)
        document += "<row PGN=\"" + std::to_string(i) + "\" ID_DEV=\"0\" Mnemonic=\"\"/>";
    writeFile(folder / "RCobDef.xml", document + "</COBID>");
    J1939FrameList list(FrameSide::Received);
    list.load(folder.path());
    EXPECT_EQ(list.rowCount(), 130);
    EXPECT_EQ(list.cell(130, 3), "N");
    list.setCell(131, 1, "0x10000");
    EXPECT_EQ(list.firstFinding()->message,
              "Error in row 131!! The PGN must be between 0x0000 and 0xFFFF");
    list.setCell(131, 1, "");
    list.save(folder.path());
    list.load(folder.path());
    EXPECT_EQ(list.tableRows(), 130);
}

TEST(J1939FrameList, ImportFillsTheSideColumnsFromTheSheet) {
    J1939FrameList received(FrameSide::Received);
    received.setCell(99, 2, "typed before");
    received.importWorkbook(kFixtures / "frames.xls");
    EXPECT_EQ(firstRows(received, 6),
              (Rows{{"61444", "0", "N", "EEC1 engine speed"},
                    {"65262", "0", "Y", "ET1 engine temperature"},
                    {"0xFEF1", "$00", "", "CCVS vehicle speed"},
                    {"2.5", "100000000000000000000", "", "\xC3\x96l 1 < 2 & \"q\""},
                    {"-7", "253", "", ""},
                    {"", "", "", ""}}));
    EXPECT_EQ(received.cell(99, 2), "");

    J1939FrameList transmitted(FrameSide::Transmitted);
    transmitted.importWorkbook(kFixtures / "frames.xls");
    EXPECT_EQ(firstRows(transmitted, 1), (Rows{{"61444", "0", "N", "EEC1 engine speed", "6"}}));

    for (const char* name : {"nosheet.xls", "damaged.xls"}) {
        J1939FrameList list(FrameSide::Received);
        list.setCell(1, 1, "0xF004");
        EXPECT_THROW(list.importWorkbook(kFixtures / name), Error) << name;
        EXPECT_EQ(list.tableRows(), 0) << name;
    }
}

TEST(J1939FrameList, ExportWritesTheFirstTwoColumnsAndComesBack) {
    TempFolder folder;
    J1939FrameList transmitted(FrameSide::Transmitted);
    fill(transmitted, {{"6", "0", "0xFF10", "0x80", "a"}, {"3", "1", "0xEF00"}, {"", "1"}, {"7"}});
    transmitted.exportCsv(folder.path());
    EXPECT_EQ(readFile(folder / "rpdodef.csv"),
              "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n6,0,0,0,0\r\n3,1,0,0,0\r\n");

    J1939FrameList received(FrameSide::Received);
    fill(received, {{"0xF004", "0", "Y", "EEC1"}, {"65262", "$00"}});
    received.exportCsv(folder.path()); // both sides write the same file
    received.importWorkbook(folder / "rpdodef.csv");
    EXPECT_EQ(firstRows(received, 3),
              (Rows{{"0xF004", "0", "0", "0"}, {"65262", "$00", "0", "0"}, {"", "", "", ""}}));

    J1939FrameList empty(FrameSide::Received);
    empty.exportCsv(folder.path());
    EXPECT_EQ(readFile(folder / "rpdodef.csv"), "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n");
}

} // namespace
} // namespace ordane
