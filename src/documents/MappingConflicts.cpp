#include "documents/MappingConflicts.h"

#include "core/MappedObjectRules.h"
#include "core/NumberText.h"
#include "documents/SdoPositions.h"

#include <unordered_set>

namespace ordane {

std::vector<MappedObjectRow> readMappedObjects(const std::filesystem::path& projectFolder,
                                               Side side,
                                               std::vector<MappingConflict>* positions) {
    std::vector<MappedObjectRow> rows;
    DocumentFile file;
    const DocumentDefinition& definition = documents::sdoMapping(side);
    if (!file.load(projectFolder, definition))
        return rows;
    auto check = [&](const DocumentRow& row, std::string_view attribute, std::int32_t value) {
        if (auto message = sdoPositionMessage(attribute, value))
            positions->push_back(
                {std::string(definition.fileName), row.number(), *message, std::string(attribute)});
    };
    for (const DocumentRow& row : file.rows()) {
        MappedObjectRow object{row.number(), row.integer(field::kIndex), 0, 0};
        object.subIndex = row.integer(field::kSubIndex);
        if (positions) {
            object.dimension = row.integer(field::kDimension);
            check(row, field::kDimension, object.dimension);
            std::vector<std::string_view> others(field::kBytes.begin(), field::kBytes.end());
            if (side == Side::Transmitted)
                others.push_back(field::kSendSdo);
            for (std::string_view attribute : others) {
                const std::optional<std::string> text = row.find(attribute);
                if (const auto value = text ? tryParseInteger(*text) : std::nullopt)
                    check(row, attribute, *value);
            }
        }
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
