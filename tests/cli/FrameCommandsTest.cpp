#include "cli/Cli.h"

#include "CliRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

const fs::path kFixtures = fs::path(ORDANE_TEST_DATA) / "documents" / "fixtures";

using test::CliResult;
using test::runCli;

TEST(FrameCommands, ImportChecksAndSavesOrSavesNothing) {
    TempFolder project;
    const std::string folder = project.path().string();
    const std::string before = "<COBID><row PGN=\"1\" ID_DEV=\"2\" Mnemonic=\"kept\"/></COBID>";
    writeFile(project / "RCobDef.xml", before);
    writeFile(project / "in.csv", "cobid,id_dev_orig\r\n0xF004,0\r\n65262,0\r\n");

#ifdef ORDANE_XLS_IMPORT
    const CliResult noSheet =
        runCli({"import", folder, "received", (kFixtures / "nosheet.xls").string()});
    EXPECT_EQ(noSheet.status, 1);
    EXPECT_EQ(noSheet.err, "The workbook '" + (kFixtures / "nosheet.xls").string() +
                               "' has no sheet \"rpdodef\"\n");
    // frames.xls holds a PGN of 2.5 in row 4.
    const CliResult failing =
        runCli({"import", folder, "received", (kFixtures / "frames.xls").string()});
    EXPECT_EQ(failing.status, 1);
    EXPECT_EQ(failing.err, "Error in row 4!! The PGN must be between 0x0000 and 0xFFFF\n");
    EXPECT_EQ(readFile(project / "RCobDef.xml"), before);
#endif

    const CliResult done = runCli({"import", folder, "received", (project / "in.csv").string()});
    EXPECT_EQ(done.status, 0) << done.err;
    EXPECT_EQ(readFile(project / "RCobDef.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<COBID>\n"
              "  <row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"\" Mnemonic=\"\" />\n"
              "  <row PGN=\"65262\" ID_DEV=\"0\" Delete=\"\" Mnemonic=\"\" />\n</COBID>\n");

    EXPECT_EQ(runCli({"import", (project / "none").string(), "received", "x.xls"}).status, 1);
}

TEST(FrameCommands, ExportWritesTheCsvOfTheChosenList) {
    TempFolder project;
    writeFile(
        project / "TCobDef.xml",
        "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"0xFF10\" ID_DEV=\"0x80\" Mnemonic=\"\"/>"
        "<row Priority=\"3\" DP=\"1\" PGN=\"0xEF00\" ID_DEV=\"0x80\" Mnemonic=\"\"/></COBID>");
    const CliResult r = runCli({"export", project.path().string(), "transmitted"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(project / "rpdodef.csv"),
              "cobid,id_dev_orig,en_bypass,posind,n_tpdo \r\n6,0,0,0,0\r\n3,1,0,0,0\r\n");

    writeFile(project / "RCobDef.xml", "<COBID><row PGN=\"1\"/></COBID>");
    const CliResult broken = runCli({"export", project.path().string(), "received"});
    EXPECT_EQ(broken.status, 1);
    EXPECT_EQ(broken.err, "RCobDef.xml, row 1: attribute 'ID_DEV' is missing\n");
    EXPECT_NE(readFile(project / "rpdodef.csv").find("6,0,0,0,0"), std::string::npos);
}

TEST(FrameCommands, CheckListsEveryFailureOfTheStoredDocuments) {
    TempFolder project;
    const std::string folder = project.path().string();
    EXPECT_EQ(runCli({"check", folder}).status, 0); // nothing stored: the defaults pass

    writeFile(project / "pargen.xml", "<GeneralParameter><TimeOut_Data>256</TimeOut_Data>"
                                      "<IDDev_CANopen>0</IDDev_CANopen></GeneralParameter>");
    writeFile(project / "RCobDef.xml",
              "<COBID><row PGN=\"0x10000\" ID_DEV=\"254\" Mnemonic=\"\"/>"
              "<row PGN=\"1\" ID_DEV=\"1\" Mnemonic=\"\"/><row PGN=\"2\" Mnemonic=\"\"/>"
              "<row PGN=\"-5\" ID_DEV=\"1\" Mnemonic=\"not read\"/></COBID>");
    writeFile(project / "tcobdef.xml", "<Frames/>");
    const CliResult r = runCli({"check", folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "pargen.xml: Error! The Time Out Data must to be between 0 and 255 seconds\n"
                     "pargen.xml: Error! The ID Dev. CANopen must to be between 1 and 127\n"
                     "RCobDef.xml, row 3: attribute 'ID_DEV' is missing\n"
                     "RCobDef.xml: Error in row 1!! The PGN must be between 0x0000 and 0xFFFF\n"
                     "RCobDef.xml: Error in row 1!! The ID Device must to be between 0 and 253\n"
                     "tcobdef.xml: root element 'COBID' not found\n");

    writeFile(project / "pargen.xml", "<GeneralParameter>");
    EXPECT_EQ(runCli({"check", folder}).out.rfind("pargen.xml: ", 0), 0u);
}

} // namespace
} // namespace ordane
