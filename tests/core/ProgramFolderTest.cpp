#include "core/ProgramFolder.h"

#include "core/Error.h"
#include "core/ProjectState.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

// An install laid out as cmake --install lays it out: PREFIX/bin and PREFIX/share/ordane.
struct Install {
    TempFolder prefix;
    Install() {
        fs::create_directories(prefix / "bin");
        writeFile(prefix / "share" / "ordane" / kInstallMarkerName, "installed\n");
        writeFile(prefix / "share" / "ordane" / "MASTER" / "SX40218.sx", "S0030000FC\n");
        writeFile(prefix / "share" / "ordane" / "PROJECTS" / "Demo" / "pargen.xml", "<pargen/>\n");
        fs::create_directories(prefix / "share" / "ordane" / "PROJECTS" / "Demo" / "bin");
    }
    fs::path data() const { return prefix / "share" / "ordane"; }
    StartEnvironment environment(std::string xdg, std::string home) const {
        return {prefix / "bin", "../share/ordane", std::nullopt, std::move(xdg), std::move(home)};
    }
};

TEST(ProgramFolder, InstalledCopyUsesTheUsersDataFolder) {
    Install install;
    struct Case {
        std::string xdg, home, expected;
    };
    const Case cases[] = {
        {"", "/home/ann", "/home/ann/.local/share/ordane"},
        {"/data/ann", "/home/ann", "/data/ann/ordane"},
        {"relative/data", "/home/ann",
         "/home/ann/.local/share/ordane"}, // ignored, not relative to the cwd
        {"/data/ann/", "/home/ann", "/data/ann/ordane"},
    };
    for (const Case& c : cases) {
        const ProgramFolder choice = chooseProgramFolder(install.environment(c.xdg, c.home));
        EXPECT_EQ(choice.folder, fs::path(c.expected)) << c.xdg;
        EXPECT_EQ(choice.source, ProgramFolder::Source::UserDataFolder);
        EXPECT_EQ(choice.installData, install.data());
    }
    EXPECT_EQ(describeProgramFolder(chooseProgramFolder(install.environment("", "/home/ann"))),
              "/home/ann/.local/share/ordane (the user's data folder, as this copy is installed)");
}

TEST(ProgramFolder, WithoutTheMarkerTheExecutablesFolderIsUsedEvenWhenItIsNotWritable) {
    // A build, an unpacked copy, or an install whose marker was removed: writability of the
    // folder plays no part, in either direction.
    Install install;
    fs::remove(install.data() / kInstallMarkerName);
    fs::permissions(install.prefix / "bin", fs::perms::owner_read | fs::perms::owner_exec);
    const ProgramFolder choice = chooseProgramFolder(install.environment("", "/home/ann"));
    EXPECT_EQ(choice.folder, install.prefix / "bin");
    EXPECT_EQ(choice.source, ProgramFolder::Source::ExecutableFolder);
    EXPECT_TRUE(choice.installData.empty());

    // A folder named like the marker is not the marker.
    fs::create_directories(install.data() / kInstallMarkerName);
    EXPECT_EQ(chooseProgramFolder(install.environment("", "/home/ann")).source,
              ProgramFolder::Source::ExecutableFolder);
}

TEST(ProgramFolder, HomeOptionWinsOverAnInstall) {
    Install install;
    StartEnvironment environment = install.environment("/data/ann", "/home/ann");
    environment.homeOption = "/srv/ordane/./plant/";
    const ProgramFolder choice = chooseProgramFolder(environment);
    EXPECT_EQ(choice.folder, fs::path("/srv/ordane/plant/"));
    EXPECT_EQ(choice.source, ProgramFolder::Source::HomeOption);
    EXPECT_EQ(describeProgramFolder(choice), "/srv/ordane/plant/ (given with --home)");
}

TEST(ProgramFolder, InstalledCopyWithoutAnyUserFolderIsRefused) {
    Install install;
    for (const std::string& home : {std::string(), std::string("relative/home")}) {
        try {
            chooseProgramFolder(install.environment("", home));
            ADD_FAILURE() << "no error for HOME '" << home << "'";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find("--home DIR"), std::string::npos) << e.what();
        }
    }
}

TEST(ProgramFolder, FirstStartSeedsTemplateProjectAndSettingsThatOpenTheProject) {
    Install install;
    TempFolder user;
    const fs::path folder = user / ".local/share/ordane"; // none of it exists yet
    const SeedResult seeded = seedProgramFolder(folder, install.data());
    EXPECT_TRUE(seeded.master && seeded.projects && seeded.settings);
    EXPECT_EQ(readFile(folder / "MASTER" / "SX40218.sx"), "S0030000FC\n");
    EXPECT_EQ(readFile(folder / "PROJECTS" / "Demo" / "pargen.xml"), "<pargen/>\n");
    EXPECT_TRUE(fs::is_directory(folder / "PROJECTS" / "Demo" / "bin"));
    EXPECT_EQ(readFile(folder / "Ordane_C2J1939.ini"), "[lastproj]\nprojectname=Demo\n");
    EXPECT_FALSE(fs::exists(folder / ".MASTER.seeding"));
    EXPECT_FALSE(fs::exists(folder / ".PROJECTS.seeding"));

    ProjectState state(folder);
    EXPECT_TRUE(state.startUp());
    EXPECT_EQ(state.projectFolder(), folder / "PROJECTS" / "Demo");
}

TEST(ProgramFolder, LaterStartsLeaveWhatTheUserChangedAlone) {
    Install install;
    TempFolder user;
    seedProgramFolder(user.path(), install.data());
    // The real template replaces the example, the example project is deleted, another opened.
    writeFile(user / "MASTER" / "SX40218.sx", "real\n");
    fs::remove_all(user / "PROJECTS" / "Demo");
    writeFile(user / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=/Plant7\n");

    const SeedResult seeded = seedProgramFolder(user.path(), install.data());
    EXPECT_FALSE(seeded.master || seeded.projects || seeded.settings);
    EXPECT_EQ(readFile(user / "MASTER" / "SX40218.sx"), "real\n");
    EXPECT_FALSE(fs::exists(user / "PROJECTS" / "Demo"));
    EXPECT_EQ(readFile(user / "Ordane_C2J1939.ini"), "[lastproj]\nprojectname=/Plant7\n");
}

TEST(ProgramFolder, SettingsOfAFolderWhoseProjectsWereThereNameNoProject) {
    // PROJECTS of the user's own: the settings file must not point into it.
    Install install;
    TempFolder user;
    fs::create_directories(user / "PROJECTS" / "Plant7");
    const SeedResult seeded = seedProgramFolder(user.path(), install.data());
    EXPECT_TRUE(seeded.master && !seeded.projects && seeded.settings);
    EXPECT_FALSE(fs::exists(user / "PROJECTS" / "Demo"));
    EXPECT_EQ(readFile(user / "Ordane_C2J1939.ini"), "[lastproj]\nprojectname=\n");
}

TEST(ProgramFolder, FailuresSayWhyAndLeaveNoHalfCopy) {
    Install install;
    TempFolder user;
    writeFile(user / "ordane", "a file, not a folder\n");
    EXPECT_THROW(seedProgramFolder(user / "ordane", install.data()), Error);

    // A project entry that cannot be copied (even by root): PROJECTS is not created at all.
    ASSERT_EQ(::mkfifo((install.data() / "PROJECTS" / "Demo" / "pipe").c_str(), 0600), 0);
    const std::string text =
        test::thrownText([&] { seedProgramFolder(user / "fresh", install.data()); });
    EXPECT_NE(text.find("PROJECTS"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(user / "fresh" / "PROJECTS"));
    EXPECT_FALSE(fs::exists(user / "fresh" / ".PROJECTS.seeding"));
}

} // namespace
} // namespace ordane
