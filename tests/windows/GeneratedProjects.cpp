// Not a check of its own: writes generated projects into ORDANE_GENERATED_PROJECTS_DIR for
// tests/windows/run.sh, which compares the Windows build's outputs of them with Linux's.

#include "compiler/ProjectGenerator.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace ordane {
namespace {

TEST(GeneratedProjects, WrittenForTheWindowsComparison) {
    const char* folder = std::getenv("ORDANE_GENERATED_PROJECTS_DIR");
    if (!folder)
        GTEST_SKIP() << "ORDANE_GENERATED_PROJECTS_DIR is not set";
    test::ProjectGenerator generator(20261211);
    std::vector<test::ProjectShape> shapes = {
        {test::ProjectGenerator::rooms(), false}, // every area at its room
        {test::ProjectGenerator::rooms(), true},  // ... with the widest values
    };
    while (shapes.size() < 12)
        shapes.push_back(generator.randomShape());
    for (std::size_t i = 0; i < shapes.size(); ++i) {
        const std::filesystem::path project =
            std::filesystem::path(folder) / ("Generated" + std::to_string(i));
        generator.write(project, shapes[i]);
        std::filesystem::create_directories(project / "bin");
    }
}

} // namespace
} // namespace ordane
