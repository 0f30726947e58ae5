#pragma once

#include "FakeServices.h"
#include "TestSupport.h"

#include "app/MainWindow.h"

#include <filesystem>

namespace ordane::test {

// A program folder whose last project, Plant7, is reopened at start.
struct HomeWithLastProject {
    TempFolder folder;
    std::filesystem::path project = folder / "PROJECTS/Plant7";
    HomeWithLastProject() {
        std::filesystem::create_directories(project);
        writeFile(folder / "Ordane_C2J1939.ini", "[lastproj]\nprojectname=Plant7\n");
    }
};

// Opens project "Gone" of `home`, removes its folder and opens again with the folder
// browser cancelled: the window is left without a project folder and with no messages.
inline void loseTheProjectFolder(MainWindow& window, FakeServices& fake,
                                 const std::filesystem::path& home) {
    std::filesystem::create_directories(home / "PROJECTS" / "Gone");
    fake.dialogs.answers.push_back(home / "PROJECTS" / "Gone");
    window.openClick();
    std::filesystem::remove(home / "PROJECTS" / "Gone");
    window.openClick(); // preselected folder gone, browser cancelled
}

} // namespace ordane::test
