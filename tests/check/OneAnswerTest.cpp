#include "check/ProjectCheck.h"

#include "TestSupport.h"

#include "core/Clock.h"
#include "core/Error.h"
#include "model/SdoMapping.h"
#include "eds/EdsWriter.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace ordane {
namespace {

// The SDO mapping window, the project check and the EDS file read a mapped object through
// the same rules: each refuses the same row with the same message.
TEST(OneAnswer, EditorCheckAndEdsRefuseTheSameRowInTheSameWords) {
    const struct {
        const char* index;
        const char* subIndex;
        const char* message;
    } cases[] = {
        {"0x1FFF", "1", "Error! The Index must be between 0x2000 and 0x9FFF"},
        {"0xA000", "1", "Error! The Index must be between 0x2000 and 0x9FFF"},
        {"0x2100", "256", "Error! The SubIndex must be between 0 and 255"},
        {"0x2021", "0",
         "Error! The Index 0x2021 is already used by a fixed object of the converter"},
        {"0x2100", "1", "Error! The Index 0x2100 and SubIndex 0x01 is already used"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.index) + " " + c.subIndex);
        test::TempFolder project;
        test::writeFile(
            project / "RCobDef.xml",
            "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/></COBID>");
        const std::string first =
            "<row NrPdo=\"1\" Index=\"0x2100\" SubIndex=\"1\" Dimension=\"0\" "
            "B1=\"1\" B2=\"2\" B3=\"3\" B4=\"4\"/>";
        const std::string second = std::string("<row NrPdo=\"1\" Index=\"") + c.index +
                                   "\" SubIndex=\"" + c.subIndex +
                                   "\" Dimension=\"0\" B1=\"1\" B2=\"2\" B3=\"3\" B4=\"4\"/>";
        test::writeFile(project / "RInfoCob.xml", "<RInfoCob>" + first + second + "</RInfoCob>");
        const std::string line = std::string("RInfoCob.xml, row 2: ") + c.message;

        SdoMapping editor(SdoSide::Received);
        editor.load(project.path());
        ASSERT_EQ(editor.entries(0).size(), 2u);
        editor.deleteEntry({0, 1}); // typed anew into the window
        EXPECT_EQ(editor.checkEntry(c.index, c.subIndex, std::nullopt), c.message);

        const ProjectCheck check = checkProject(project.path());
        EXPECT_NE(std::find(check.failures.begin(), check.failures.end(), line),
                  check.failures.end());

        try {
            EdsWriter(FixedClock({2026, 12, 10, 9, 0, 0})).write(project.path(), project / "x.eds");
            ADD_FAILURE() << "an EDS file was written";
        } catch (const Error& e) {
            EXPECT_EQ(e.what(), line);
        }
    }
}

} // namespace
} // namespace ordane
