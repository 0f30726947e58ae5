#pragma once

#include "FakeServices.h"
#include "TestSupport.h"

#include "core/ProjectState.h"

#include <filesystem>

namespace ordane::test {

// Project "P1" in a scratch program folder, open in the state the windows are given.
struct OpenProject {
    TempFolder home;
    FakeServices fake;
    ProjectState state{home.path()};

    OpenProject() {
        std::filesystem::create_directories(folder());
        state.setNewProject("P1", folder());
    }
    std::filesystem::path folder() const { return home / "PROJECTS" / "P1"; }
};

} // namespace ordane::test
