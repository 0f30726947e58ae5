#include "eds/EdsProject.h"

#include "core/Error.h"
#include "documents/MappingConflicts.h"
#include "documents/ProjectDocuments.h"

#include <algorithm>
#include <string>

namespace ordane {

namespace fs = std::filesystem;

namespace {

PdoTable readPdoTable(const fs::path& folder, const DocumentDefinition& definition) {
    PdoTable table;
    DocumentFile file;
    if (!file.load(folder, definition))
        return table;
    for (const DocumentRow& row : file.rowsOfNamedRoot()) {
        // A PDO beyond the fourth would reach the device image but not the EDS file.
        if (row.number() > kPdosPerDirection)
            throw Error(std::string(definition.fileName) + ", row " + std::to_string(row.number()) +
                        ": " + pdoCountMessage());
        table.pdos.push_back({row.integer(field::kCobId), row.integer(field::kDimension)});
    }
    return table;
}

void addObjects(const std::vector<MappedObjectRow>& rows, Side side,
                std::vector<SDO_Index>& objects, std::vector<MappingConflict>& outOfRange) {
    const std::string name(documents::sdoMapping(side).fileName);
    const std::uint8_t readOnly = side == Side::Received ? 1 : 0;
    for (const MappedObjectRow& row : rows) {
        // Below 0x2000 lie the communication objects, several of them fixed sections of
        // the file: an application variable there would be declared twice or in no list.
        if (auto message = objectRangeMessage(row.index, row.subIndex))
            outOfRange.push_back({name, row.row, *message});
        const auto index = static_cast<std::uint16_t>(row.index);
        const SDO_Sub_Type sub{static_cast<std::uint8_t>(row.subIndex),
                               static_cast<std::uint8_t>(row.dimension), readOnly};
        auto record = std::find_if(objects.begin(), objects.end(),
                                   [&](const SDO_Index& o) { return o.index == index; });
        if (record == objects.end())
            objects.push_back({index, {sub}});
        else
            record->subEntries.push_back(sub);
    }
}

// A screenful: a document with more refused rows has been made by something else than
// the editors, and the first of them say what is wrong.
constexpr std::size_t kListedConflicts = 20;

// Every refused row, in document order, one line each (beyond kListedConflicts only
// their number): readers reject a file that declares an object twice, so nothing is
// written.
void refuseConflicts(std::vector<MappingConflict> conflicts,
                     const std::vector<MappedObjectRow>& received,
                     const std::vector<MappedObjectRow>& transmitted) {
    for (MappingConflict& c : findMappingConflicts(received, transmitted))
        conflicts.push_back(std::move(c));
    if (conflicts.empty())
        return;
    std::stable_sort(conflicts.begin(), conflicts.end(),
                     [](const MappingConflict& a, const MappingConflict& b) {
                         const bool aSecond = a.document != documents::receivedSdo.fileName;
                         const bool bSecond = b.document != documents::receivedSdo.fileName;
                         return aSecond != bSecond ? bSecond : a.row < b.row;
                     });
    std::string text;
    for (std::size_t i = 0; i < conflicts.size() && i < kListedConflicts; ++i) {
        const MappingConflict& c = conflicts[i];
        if (!text.empty())
            text += '\n';
        text += c.line();
    }
    if (conflicts.size() > kListedConflicts)
        text += "\n... and " + std::to_string(conflicts.size() - kListedConflicts) +
                " more rows refused";
    throw Error(text);
}

} // namespace

EdsProject readEdsProject(const fs::path& projectFolder) {
    EdsProject project;
    project.receive = readPdoTable(projectFolder, documents::rpdo);
    project.transmit = readPdoTable(projectFolder, documents::tpdo);

    // The EDS file takes only the objects and their sizes from the mapping.
    // Also the positions that are no choice: a size the file would declare by guess.
    std::vector<MappingConflict> positions;
    const auto received = readMappedObjects(projectFolder, Side::Received, &positions);
    const auto transmitted = readMappedObjects(projectFolder, Side::Transmitted, &positions);
    std::vector<MappingConflict> refused;
    addObjects(received, Side::Received, project.objects, refused);
    addObjects(transmitted, Side::Transmitted, project.objects, refused);
    refused.insert(refused.end(), positions.begin(), positions.end());
    refuseConflicts(std::move(refused), received, transmitted);

    for (SDO_Index& record : project.objects)
        std::stable_sort(
            record.subEntries.begin(), record.subEntries.end(),
            [](const SDO_Sub_Type& a, const SDO_Sub_Type& b) { return a.subIndex < b.subIndex; });
    return project;
}

} // namespace ordane
