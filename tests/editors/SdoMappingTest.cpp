// Arrives with its feature.

#include "editors/SdoObjectRules.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace ordane {
namespace {

TEST(SdoObjectRules, FindsFixedObjectsAndRepeatsAcrossBothDocuments) {
    test::TempFolder project;
    test::writeFile(project / "RInfoCob.xml",
                    "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\"/>"
                    "<row NrPdo=\"1\" Index=\"0x2020\" SubIndex=\"1\"/></RInfoCob>");
    test::writeFile(project / "tinfocob.XML",
                    "<TInfoCob><row NrPdo=\"1\" Index=\"0x2101\" SubIndex=\"0\"/>"
                    "<row NrPdo=\"2\" Index=\"$2100\" SubIndex=\"0x01\"/></TInfoCob>");
    const auto conflicts = findMappingConflicts(project.path());
    ASSERT_EQ(conflicts.size(), 2u);
    EXPECT_EQ(conflicts[0].document, "RInfoCob.xml");
    EXPECT_EQ(conflicts[0].row, 2);
    EXPECT_EQ(conflicts[0].message,
              "Error! The Index 0x2020 is already used by a fixed object of the converter");
    EXPECT_EQ(conflicts[1].document, "TInfoCob.xml");
    EXPECT_EQ(conflicts[1].row, 2);
    EXPECT_EQ(conflicts[1].message, "Error! The Index 0x2100 and SubIndex 0x01 is already used");
}

} // namespace
} // namespace ordane
