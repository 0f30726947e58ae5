#include "core/ProjectState.h"
#include "core/CreateProject.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

TEST(ProjectState, FirstStartCreatesFoldersAndRemembersAnEmptyName) {
    TempFolder home;
    ProjectState state(home.path());
    EXPECT_FALSE(state.startUp());
    EXPECT_TRUE(fs::is_directory(home / "MASTER"));
    EXPECT_TRUE(fs::is_directory(home / "PROJECTS"));
    EXPECT_EQ(state.projectFolder(), home / "PROJECTS");
    EXPECT_EQ(state.projectName(), "");
    state.writeSettings();
    EXPECT_EQ(readFile(home / "Ordane_C2J1939.ini"), "[lastproj]\nprojectname=\n");
}

TEST(ProjectState, ReopensTheRememberedProjectInEitherNameForm) {
    TempFolder home;
    fs::create_directories(home / "PROJECTS" / "Group" / "Plant7");
    for (const std::string name : {"Group/Plant7", "/Group/Plant7"}) {
        writeFile(home / "Ordane_C2J1939.ini",
                  "[other]\nkey=1\n[lastproj]\nprojectname=" + name + "\n");
        ProjectState state(home.path());
        EXPECT_TRUE(state.startUp()) << name;
        EXPECT_EQ(state.projectFolder(), home / "PROJECTS" / "Group" / "Plant7");
        EXPECT_EQ(state.captionWithProject(),
                  "Korvane - Ordane SW40218 - J1939 / CANopen :" + name);
        state.writeSettings();
        const std::string ini = readFile(home / "Ordane_C2J1939.ini");
        EXPECT_NE(ini.find("[other]"), std::string::npos); // the rest of the file is kept
        EXPECT_NE(ini.find("projectname=" + name), std::string::npos);
    }
}

TEST(ProjectState, ARememberedProjectThatIsGoneOrOutsideTheRootIsNotReopened) {
    TempFolder home;
    fs::create_directories(home / "PROJECTS");
    fs::create_directories(home / "Outside");
    for (const std::string name : {"Deleted", "../Outside", "/../Outside"}) {
        writeFile(home / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=" + name + "\n");
        ProjectState state(home.path());
        EXPECT_FALSE(state.startUp()) << name;
        EXPECT_EQ(state.projectFolder(), home / "PROJECTS");
        EXPECT_EQ(state.projectName(), name); // written back unchanged at close
    }
}

TEST(ProjectState, OpenDerivesTheNameFromTheFolder) {
    TempFolder home;
    ProjectState state(home.path());
    state.startUp();
    state.setOpenedFolder(home / "PROJECTS" / "Plant7");
    EXPECT_EQ(state.projectName(), "/Plant7");
    state.setOpenedFolder(home / "PROJECTS" / "Group" / "Plant7");
    EXPECT_EQ(state.projectName(), "/Group/Plant7");
    state.setOpenedFolder(home / "PROJECTS");
    EXPECT_EQ(state.projectName(), "");
    EXPECT_EQ(state.projectFolder(), home / "PROJECTS");

    state.setOpenedFolder(home / "PROJECTS" / "Gone");
    state.clearMissingProjectFolder();
    EXPECT_FALSE(state.hasProjectFolder());
    state.setOpenedFolder(state.projectFolder()); // cancelled browser
    EXPECT_EQ(state.projectName(), "");
    EXPECT_FALSE(state.hasProjectFolder());
}

TEST(CreateProject, RefusesWithTheDialogMessagesAndChangesNothing) {
    TempFolder home;
    ProjectState state(home.path());
    state.startUp();
    fs::create_directories(home / "PROJECTS" / "Existing");
    struct Case {
        fs::path destination;
        std::string name;
        std::vector<std::string> messages;
    };
    const fs::path root = home / "PROJECTS";
    const Case cases[] = {
        {root, "", {"Name project not valid"}},
        {"", "", {"directory destination not valid", "Name project not valid"}},
        {"", "X", {"directory destination not valid"}},
        {root, "Existing", {"Name project not valid because directory already exists"}},
        {root, "../Escaped", {"Name project not valid"}},
        {root, "a/../../Escaped", {"Name project not valid"}},
        {root, (home / "Absolute").string(), {"Name project not valid"}},
        {root, "NoParent/Plant", {}}, // the file system refuses: no message
        // Device names are no folders on Windows, where the project may be copied to.
        {root, "CON", {"Name project not valid"}},
        {root, "Plant/com1.xml", {"Name project not valid"}},
        {root, "nul .txt", {"Name project not valid"}},
#ifdef _WIN32
        {root, "Line 2.", {"Name project not valid"}},
        {root, "Line:2", {"Name project not valid"}},
        {root, "Line\x01", {"Name project not valid"}},
#endif
    };
    for (const Case& c : cases) {
        RecordingMessageSink messages;
        EXPECT_FALSE(createProject(c.destination, c.name, state, messages)) << c.name;
        EXPECT_EQ(messages.texts(), c.messages) << c.name;
        EXPECT_EQ(state.projectFolder(), root);
    }
    EXPECT_FALSE(fs::exists(home / "Escaped"));
    EXPECT_FALSE(fs::exists(home / "Absolute"));
    EXPECT_TRUE(fs::is_empty(root / "Existing"));
}

TEST(CreateProject, CreatesTheFolderWithItsBinAndSetsTheProject) {
    TempFolder home;
    ProjectState state(home.path());
    state.startUp();
    RecordingMessageSink messages;
    ASSERT_TRUE(createProject(home / "PROJECTS", "Plant7", state, messages));
    EXPECT_TRUE(messages.texts().empty());
    EXPECT_TRUE(fs::is_directory(home / "PROJECTS" / "Plant7" / "bin"));
    EXPECT_EQ(state.projectName(), "Plant7");
    EXPECT_EQ(state.projectFolder(), home / "PROJECTS" / "Plant7");
    state.writeSettings();

    ProjectState restarted(home.path());
    EXPECT_TRUE(restarted.startUp());
    EXPECT_EQ(restarted.captionWithProject(), "Korvane - Ordane SW40218 - J1939 / CANopen :Plant7");
}

} // namespace
} // namespace ordane
