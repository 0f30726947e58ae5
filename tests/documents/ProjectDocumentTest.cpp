#include "documents/ProjectDocument.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "documents/DocumentFiles.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

std::string loadError(const fs::path& path) {
    ProjectDocument document;
    try {
        document.load(path);
    } catch (const Error& e) {
        return e.what();
    }
    return {};
}

TEST(ProjectDocument, ReadsTablesWithOrWithoutDeclarationInAnyLayout) {
    TempFolder folder;
    writeFile(folder / "a.xml", "<COBID><row ID_DEV=\"0\" PGN=\"0xFEF1\"/>\n<!-- note -->text"
                                "<other PGN='1' ID_DEV='2'/></COBID>");
    writeFile(folder / "b.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<COBID>\n  <row "
                                "PGN=\"65265\"\n ID_DEV=\"3\" />\n</COBID>\n");
    ProjectDocument a;
    a.load(folder / "a.xml");
    const auto rows = a.rows(a.root("COBID"));
    ASSERT_EQ(rows.size(), 2u); // comments and text are never rows; names are not checked
    EXPECT_EQ(rows[0].attribute("PGN"), "0xFEF1");
    EXPECT_EQ(rows[1].integer("ID_DEV"), 2);
    EXPECT_EQ(rows[1].number(), 2);

    ProjectDocument b;
    b.load(folder / "b.xml");
    EXPECT_EQ(b.rows(b.documentElement()).at(0).integer("PGN"), 65265);
}

TEST(ProjectDocument, ReportsEveryLoadFailureWithItsPlace) {
    TempFolder folder;
    writeFile(folder / "bad.xml", "<COBID>\n<row PGN=\"1\">\n</COBID>");
    writeFile(folder / "empty.xml", "");
    writeFile(folder / "good.xml", "<COBID><row PGN=\"xyz\"/></COBID>");

    EXPECT_EQ(loadError(folder / "none.xml"), "File not found: " + (folder / "none.xml").string());
    EXPECT_EQ(loadError(folder / "bad.xml"), "bad.xml: Start-end tags mismatch (line 3)");
    EXPECT_NE(loadError(folder / "empty.xml"), "");

    ProjectDocument good;
    good.load(folder / "good.xml");
    EXPECT_THROW(good.root("GeneralParameter"), Error);
    const auto rows = good.rows(good.root("COBID"));
    try {
        rows.at(0).attribute("ID_DEV");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "good.xml, row 1: attribute 'ID_DEV' is missing");
    }
    EXPECT_EQ(rows.at(0).attribute("Delete", "N"), "N");
    try {
        rows.at(0).integer("PGN");
        FAIL();
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "good.xml, row 1, PGN: 'xyz' is not a valid integer value");
    }
}

// XML has one root element and nothing but markup around it; the parser alone takes more.
TEST(ProjectDocument, RefusesWhatIsNotOneWellFormedDocument) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"<J1939_Frames_SDOClient/><J1939_Frames_SDOClient/>",
         "x.xml: More than one root element (line 1)"},
        {"<?xml version=\"1.0\"?>\n<COBID/>\n<!-- c -->\n<COBID>\n</COBID>",
         "x.xml: More than one root element (line 4)"},
        {"<COBID/>\ntrailing", "x.xml: Text outside the root element (line 2)"},
        {"leading <COBID/>", "x.xml: Text outside the root element (line 1)"},
        {"<COBID/><![CDATA[x]]>", "x.xml: Text outside the root element (line 1)"},
    };
    for (const auto& c : cases) {
        ProjectDocument document;
        try {
            document.loadText(c.text, "x.xml");
            ADD_FAILURE() << c.text;
        } catch (const Error& e) {
            EXPECT_STREQ(e.what(), c.error) << c.text;
        }
    }
    ProjectDocument fine;
    fine.loadText("<?xml version=\"1.0\"?>\n<!-- c --><?pi x?>\n<COBID/>\n<!-- end -->\n", "x.xml");
    EXPECT_EQ(std::string(fine.documentElement().name()), "COBID");
}

TEST(ProjectDocument, RecordShapeAndChildText) {
    ProjectDocument document;
    document.create("GeneralParameter");
    document.setChildText("BaudRateCAN", "5");
    document.setChildText("Name", "a<b & \"c\"");
    ProjectDocument reread;
    reread.loadText(document.text(), "pargen.xml");
    const auto root = reread.root("GeneralParameter");
    EXPECT_EQ(reread.childText(root, "BaudRateCAN"), "5");
    EXPECT_EQ(reread.childText(root, "Name"), "a<b & \"c\"");
    EXPECT_THROW(reread.childText(root, "CANType"), Error);
    EXPECT_EQ(ProjectDocument::findChildText(root, "CANType"), std::nullopt);
}

TEST(ProjectDocument, SavesTablesExactlyAndDropsUnknownAttributes) {
    TempFolder folder;
    ProjectDocument empty;
    empty.create("COBID");
    EXPECT_EQ(empty.text(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<COBID />\n");

    writeFile(folder / "in.xml", "<COBID><row PGN=\"1\" Extra=\"x\" ID_DEV=\"2\"/></COBID>");
    ProjectDocument in;
    in.load(folder / "in.xml");
    ProjectDocument out;
    out.create("COBID");
    for (const auto& row : in.rows(in.root("COBID")))
        out.appendRow({{"PGN", row.attribute("PGN")}, {"ID_DEV", row.attribute("ID_DEV")}});
    out.save(folder / "out.xml");
    EXPECT_EQ(readFile(folder / "out.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
              "<COBID>\n  <row PGN=\"1\" ID_DEV=\"2\" />\n</COBID>\n");
}

TEST(ProjectDocument, EntitiesAreNeverExpanded) {
    ProjectDocument document;
    document.loadText("<!DOCTYPE COBID [<!ENTITY big \"xxxxxxxx\"><!ENTITY ext SYSTEM "
                      "\"file:///etc/passwd\">]><COBID><row PGN=\"&big;&ext;\"/></COBID>",
                      "x.xml");
    const auto rows = document.rows(document.root("COBID"));
    EXPECT_EQ(rows.at(0).attribute("PGN"), "&big;&ext;");
}

TEST(AtomicFile, FailedSaveLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder folder;
    const fs::path target = folder / "ro" / "pargen.xml";
    writeFile(target, "old");
#ifdef _WIN32
    // Windows lets anyone write into a folder; what it keeps is a read-only file.
    fs::permissions(target, fs::perms::owner_write, fs::perm_options::remove);
    const char* reason = "the file is read-only";
#else
    fs::permissions(folder.path(), fs::perms::all, fs::perm_options::add);
    fs::permissions(target.parent_path(), fs::perms::owner_read | fs::perms::owner_exec |
                                              fs::perms::others_read | fs::perms::others_exec);
    const char* reason = "Permission denied";
#endif
    const int result = test::runWithPermissionsEnforced([&] {
        ProjectDocument document;
        document.create("GeneralParameter");
        try {
            document.save(target);
        } catch (const Error& e) {
            return std::string(e.what()).find(reason) != std::string::npos ? 0 : 2;
        }
        return 1;
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(target), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(target.parent_path()), fs::directory_iterator()),
              1);
}

TEST(AtomicFile, AWriteThatFailsPartWayKeepsThePreviousFile) {
    TempFolder folder;
    const fs::path target = folder / "bank1.bin";
    writeFile(target, "previous");
    for (std::size_t limit : {std::size_t(0), std::size_t(3), std::size_t(4095)}) {
        failAtomicWritesAfterForTests(limit);
        try {
            writeFileAtomically(target, std::string(4096, 'x'));
            ADD_FAILURE() << "write did not fail at " << limit;
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("No space left on device"), std::string::npos);
        }
        failAtomicWritesAfterForTests(std::nullopt);
        EXPECT_EQ(readFile(target), "previous");
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()),
                  1);
    }
    writeFileAtomically(target, "new");
    EXPECT_EQ(readFile(target), "new");
}

TEST(DocumentFiles, LooksUpNamesWithoutRegardToCase) {
    TempFolder folder;
    writeFile(folder / "PARGEN.XML", "a");
#ifdef _WIN32
    // One file whatever the spelling; the one on disk is kept.
    EXPECT_EQ(documentPath(folder.path(), "Pargen.xml").filename(), "PARGEN.XML");
#else
    writeFile(folder / "pargen.Xml", "b");
    EXPECT_EQ(documentPath(folder.path(), "Pargen.xml").filename(), "PARGEN.XML"); // first sorted
    writeFile(folder / "Pargen.xml", "c");
    EXPECT_EQ(documentPath(folder.path(), "Pargen.xml").filename(), "Pargen.xml"); // exact wins
#endif
    EXPECT_EQ(documentPath(folder.path(), "none.xml"), folder / "none.xml");
    EXPECT_FALSE(documentExists(folder.path(), "none.xml"));
    EXPECT_TRUE(documentExists(folder.path(), "pargen.XML"));
}

} // namespace
} // namespace ordane
