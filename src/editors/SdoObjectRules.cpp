#include "editors/SdoObjectRules.h"

#include "documents/DocumentFiles.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"

#include <set>
#include <utility>

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
    std::set<std::pair<std::uint32_t, std::uint32_t>> mapped;
    for (const char* name : {"RInfoCob.xml", "TInfoCob.xml"}) {
        if (!documentExists(projectFolder, name))
            continue;
        ProjectDocument document;
        document.load(documentPath(projectFolder, name));
        for (const DocumentRow& row : document.rows(document.documentElement())) {
            // Stored as the image and the EDS file store them: 16 and 8 bits.
            const auto index = static_cast<std::uint32_t>(row.integer("Index")) & 0xFFFF;
            const auto subIndex = static_cast<std::uint32_t>(row.integer("SubIndex")) & 0xFF;
            if (isFixedObjectIndex(index))
                conflicts.push_back({name, row.number(), fixedObjectMessage(index)});
            else if (!mapped.insert({index, subIndex}).second)
                conflicts.push_back({name, row.number(), alreadyUsedMessage(index, subIndex)});
        }
    }
    return conflicts;
}

std::string indexRangeMessage() {
    return "Error! The Index must be between 0x2000 and 0x9FFF";
}

} // namespace ordane
