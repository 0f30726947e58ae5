#pragma once

#include "core/MappedObjectRules.h"

#include <cstdint>
#include <filesystem>
#include <vector>

namespace ordane {

struct PdoEntry {
    std::int32_t cobId = 0;
    std::int32_t dimension = 0; // data bytes, written as it comes
};

// The PDOs of one direction, in document order.
struct PdoTable {
    std::vector<PdoEntry> pdos;
};

// One mapped sub-index of a project object.
struct SDO_Sub_Type {
    std::uint8_t subIndex = 0;
    std::uint8_t dimension = 0; // position of the size choice: 0 "4 Bytes", 1 "2 Bytes", 2 "1 Byte"
    std::uint8_t readOnly = 0;  // 1 for received data (RInfoCob.xml), 0 for transmitted
};

// One object index used by the SDO mapping, with its sub-entries.
struct SDO_Index {
    std::uint16_t index = 0;
    std::vector<SDO_Sub_Type> subEntries;
};

// What the EDS file takes from a project.
struct EdsProject {
    PdoTable receive;  // pdoJ1939.xml
    PdoTable transmit; // TpdoJ1939.xml
    // One record per distinct index in order of first appearance (RInfoCob.xml, then
    // TInfoCob.xml); sub-entries in ascending SubIndex order, stable.
    std::vector<SDO_Index> objects;
};

// Reads the four documents of the project folder; a missing document contributes nothing.
// Throws Error when a document cannot be read, when a PDO document holds more PDOs than a
// direction has, or when the SDO mapping holds an object the file could not declare once
// (outside the editor's Index and SubIndex ranges, a fixed object's index, an (Index,
// SubIndex) mapped twice); every such row is named.
EdsProject readEdsProject(const std::filesystem::path& projectFolder);

} // namespace ordane
