#include "cli/Cli.h"

#include "CliRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

namespace ordane {
namespace {

namespace fs = std::filesystem;

using test::CliResult;
using test::runCli;

TEST(Cli, HelpListsEveryCommand) {
    const CliResult r = runCli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* command :
         {"compile", "eds", "merge", "update", "check", "new", "import", "export"})
        EXPECT_NE(r.out.find(command), std::string::npos) << command;
}

TEST(Cli, WrongUsageExitsWithTwo) {
    EXPECT_EQ(runCli({}).status, 2);
    EXPECT_EQ(runCli({"frobnicate"}).status, 2);
    EXPECT_EQ(runCli({"new", "only-root"}).status, 2);
    EXPECT_EQ(runCli({"export", "p", "sideways"}).status, 2);
}

TEST(Cli, NewCreatesAProjectOrRefusesWithTheDialogMessages) {
    test::TempFolder root;
    const CliResult made = runCli({"new", root.path().string(), "Plant7"});
    EXPECT_EQ(made.status, 0);
    EXPECT_TRUE(fs::is_directory(root / "Plant7" / "bin"));

    const CliResult again = runCli({"new", root.path().string(), "Plant7"});
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "Name project not valid because directory already exists\n");

    const CliResult escape = runCli({"new", root.path().string(), "../x"});
    EXPECT_EQ(escape.status, 1);
    EXPECT_EQ(escape.err, "Name project not valid\n");

    const CliResult empty = runCli({"new", root.path().string(), ""});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.err, "Name project not valid\n");

    const CliResult refused = runCli({"new", root.path().string(), "No/Parent"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("Cannot create project folder"), std::string::npos);
}

// The Demo with an object outside the mapped range: update refuses it, writing nothing,
// until --force is given.
TEST(Cli, UpdateRefusesAProjectTheCheckFailsUnlessForced) {
    test::TempFolder folder;
    const fs::path demo = folder / "Demo";
    fs::copy(fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo", demo, fs::copy_options::recursive);
    fs::remove_all(demo / "bin");
    fs::create_directory(demo / "bin");
    std::string sdo = test::readFile(demo / "RInfoCob.xml");
    const std::string entry = "Index=\"8449\" SubIndex=\"1\"";
    sdo.replace(sdo.find(entry), entry.size(), "Index=\"4096\" SubIndex=\"1\"");
    test::writeFile(demo / "RInfoCob.xml", sdo);
    const std::string master =
        (fs::path(ORDANE_SOURCE_DIR) / "examples" / "MASTER" / "SX40218.sx").string();

    const CliResult refused = runCli({"update", demo.string(), master});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("RInfoCob.xml, row 3: Error! The Index must be between 0x2000 and "
                               "0x9FFF\n"),
              std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("Give --force to update anyway."), std::string::npos);
    EXPECT_TRUE(fs::is_empty(demo / "bin"));
    EXPECT_FALSE(fs::exists(demo / "New_SX40218.sx"));

    const CliResult forced = runCli({"update", demo.string(), master, "--force"});
    EXPECT_EQ(forced.status, 0) << forced.err;
    EXPECT_TRUE(fs::exists(demo / "New_SX40218.sx"));
}

} // namespace
} // namespace ordane
