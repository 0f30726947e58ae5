#pragma once

#include "TestSupport.h"

#include <filesystem>
#include <string>

namespace ordane::test {

// A mapping row edited by hand whose drop-down position is no choice, and the one finding
// that the check, the SDO window, compile, update, eds, dcf and the report give for it.
struct StoredPosition {
    const char* document; // "RInfoCob.xml" or "TInfoCob.xml"
    const char* attribute;
    const char* value;
    const char* finding;
};

inline constexpr StoredPosition kStoredPositions[] = {
    {"RInfoCob.xml", "Dimension", "3",
     "RInfoCob.xml, row 2: Dimension 3 is no choice of its drop-down (0 to 2)"},
    {"RInfoCob.xml", "Dimension", "-1",
     "RInfoCob.xml, row 2: Dimension -1 is no choice of its drop-down (0 to 2)"},
    {"TInfoCob.xml", "Dimension", "255",
     "TInfoCob.xml, row 2: Dimension 255 is no choice of its drop-down (0 to 2)"},
    // Its low byte would read as 0, "4 Bytes".
    {"RInfoCob.xml", "Dimension", "256",
     "RInfoCob.xml, row 2: Dimension 256 is no choice of its drop-down (0 to 2)"},
    {"RInfoCob.xml", "B2", "9", "RInfoCob.xml, row 2: B2 9 is no choice of its drop-down (0 to 8)"},
    {"TInfoCob.xml", "Send_SDO", "2",
     "TInfoCob.xml, row 2: Send_SDO 2 is no choice of its drop-down (0 or 1)"},
};

// One frame per side, two objects on each; row 2 of the case's document holds its value.
inline void writeStoredPositionProject(const std::filesystem::path& folder,
                                       const StoredPosition& c) {
    writeFile(folder / "RCobDef.xml",
              "<COBID><row PGN=\"0xF004\" ID_DEV=\"0\" Delete=\"N\" Mnemonic=\"\"/></COBID>");
    writeFile(folder / "TCobDef.xml", "<COBID><row Priority=\"6\" DP=\"0\" PGN=\"0xFF11\" "
                                      "ID_DEV=\"0x80\" Mnemonic=\"\"/></COBID>");
    for (const std::string side : {"RInfoCob", "TInfoCob"}) {
        const bool transmitted = side == "TInfoCob";
        std::string rows;
        for (int sub = 1; sub <= 2; ++sub) {
            auto value = [&](const std::string& attribute, const std::string& chosen) {
                const bool edited = sub == 2 && side + ".xml" == c.document && attribute == c.attribute;
                return " " + attribute + "=\"" + (edited ? std::string(c.value) : chosen) + "\"";
            };
            rows += "<row" + value("NrPdo", "1") + value("Index", transmitted ? "0x2200" : "0x2100") +
                    value("SubIndex", std::to_string(sub)) + value("Dimension", "1") +
                    value("B1", std::to_string(2 * sub - 1)) + value("B2", std::to_string(2 * sub)) +
                    value("B3", "0") + value("B4", "0") +
                    (transmitted ? value("Send_SDO", "1") : "") + "/>";
        }
        writeFile(folder / (side + ".xml"), "<" + side + ">" + rows + "</" + side + ">");
    }
}

} // namespace ordane::test
