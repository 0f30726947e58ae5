#pragma once

#include "core/Finding.h"
#include "documents/ProjectDocuments.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ordane {

// The object of one row of an SDO mapping document.
struct MappedObjectRow {
    int row = 0; // from 1
    std::int32_t index = 0;
    std::int32_t subIndex = 0;
    std::int32_t dimension = 0; // read only when asked for
};

// One refused row of an SDO mapping document ("RInfoCob.xml" or "TInfoCob.xml").
using MappingConflict = Finding;

// Index and SubIndex (and Dimension when asked) of every row of a side's SDO mapping
// document: all that the rules on mapped objects and the EDS file need. A missing document
// has no rows; throws Error naming a bad value. With `positions`, Dimension is read and
// every drop-down position of a row that is no choice (sdoPositionMessage) is added to it;
// bytes and Send_SDO that are no integer are left to the readers that use them.
std::vector<MappedObjectRow> readMappedObjects(const std::filesystem::path& projectFolder,
                                               Side side,
                                               std::vector<MappingConflict>* positions = nullptr);
std::vector<MappedObjectRow> mappedObjects(const std::vector<SdoMappingRow>& rows);

// The rows of RInfoCob.xml, then TInfoCob.xml, whose Index is a fixed object's and every
// (Index, SubIndex) that an earlier row of either already mapped. A missing document has
// no rows; throws Error when a document cannot be read.
std::vector<MappingConflict> findMappingConflicts(const std::filesystem::path& projectFolder);

// The same over rows already read, `received` before `transmitted`.
std::vector<MappingConflict> findMappingConflicts(const std::vector<MappedObjectRow>& received,
                                                  const std::vector<MappedObjectRow>& transmitted);

} // namespace ordane
