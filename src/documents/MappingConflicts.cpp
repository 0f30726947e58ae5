#include "documents/MappingConflicts.h"

#include "core/MappedObjectRules.h"

#include <unordered_set>

namespace ordane {

std::vector<MappedObjectRow> readMappedObjects(const std::filesystem::path& projectFolder,
                                               Side side, bool withDimension) {
    std::vector<MappedObjectRow> rows;
    DocumentFile file;
    if (!file.load(projectFolder, documents::sdoMapping(side)))
        return rows;
    for (const DocumentRow& row : file.rows()) {
        MappedObjectRow object{row.number(), row.integer(field::kIndex), 0, 0};
        object.subIndex = row.integer(field::kSubIndex);
        if (withDimension)
            object.dimension = row.integer(field::kDimension);
        rows.push_back(object);
    }
    return rows;
}

std::vector<MappedObjectRow> mappedObjects(const std::vector<SdoMappingRow>& rows) {
    std::vector<MappedObjectRow> objects;
    objects.reserve(rows.size());
    for (const SdoMappingRow& row : rows)
        objects.push_back({row.row, row.entry.index, row.entry.subIndex, row.entry.dimension});
    return objects;
}

std::vector<MappingConflict> findMappingConflicts(const std::vector<MappedObjectRow>& received,
                                                  const std::vector<MappedObjectRow>& transmitted) {
    std::vector<MappingConflict> conflicts;
    // Keyed by the pair as the image stores it, 16 and 8 bits.
    std::unordered_set<std::uint32_t> mapped;
    mapped.reserve(received.size() + transmitted.size());
    for (Side side : {Side::Received, Side::Transmitted}) {
        const std::string name(documents::sdoMapping(side).fileName);
        for (const MappedObjectRow& row : side == Side::Received ? received : transmitted) {
            const MappedObject object = storedObject(row.index, row.subIndex);
            if (isFixedObjectIndex(object.first))
                conflicts.push_back({name, row.row, fixedObjectMessage(object.first)});
            else if (!mapped.insert(object.first << 8 | object.second).second)
                conflicts.push_back(
                    {name, row.row, alreadyUsedMessage(object.first, object.second)});
        }
    }
    return conflicts;
}

std::vector<MappingConflict> findMappingConflicts(const std::filesystem::path& projectFolder) {
    return findMappingConflicts(readMappedObjects(projectFolder, Side::Received),
                                readMappedObjects(projectFolder, Side::Transmitted));
}

} // namespace ordane
