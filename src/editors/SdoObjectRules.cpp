#include "editors/SdoObjectRules.h"

#include "documents/DocumentFiles.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"

#include <set>

namespace ordane {

bool isFixedObjectIndex(std::uint32_t index) {
    return index == 0x2010 || (index >= 0x2020 && index <= 0x2023) ||
           (index >= 0x202A && index <= 0x202D);
}

std::string fixedObjectMessage(std::uint32_t index) {
    return "Error! The Index 0x" + hexDigits(index, 4) +
           " is already used by a fixed object of the converter";
}

std::string alreadyUsedMessage(std::uint32_t index, std::uint32_t subIndex) {
    return "Error! The Index 0x" + hexDigits(index, 4) + " and SubIndex 0x" +
           hexDigits(subIndex, 2) + " is already used";
}

std::vector<MappingConflict> findMappingConflicts(const std::filesystem::path& projectFolder) {
    std::vector<MappingConflict> conflicts;
    std::set<MappedObject> mapped;
    for (const char* name : {"RInfoCob.xml", "TInfoCob.xml"}) {
        ProjectDocument document;
        if (!document.loadIfExists(projectFolder, name))
            continue;
        for (const DocumentRow& row : document.rows(document.documentElement())) {
            const std::int32_t index = row.integer("Index");
            const MappedObject object = storedObject(index, row.integer("SubIndex"));
            if (isFixedObjectIndex(object.first))
                conflicts.push_back({name, row.number(), fixedObjectMessage(object.first)});
            else if (!mapped.insert(object).second)
                conflicts.push_back(
                    {name, row.number(), alreadyUsedMessage(object.first, object.second)});
        }
    }
    return conflicts;
}

std::string indexRangeMessage() {
    return "Error! The Index must be between 0x2000 and 0x9FFF";
}

} // namespace ordane
