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

} // namespace
} // namespace ordane
