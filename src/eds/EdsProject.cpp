#include "eds/EdsProject.h"

#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/ProjectDocument.h"
#include "editors/SdoObjectRules.h"

#include <algorithm>
#include <string>

namespace ordane {

namespace fs = std::filesystem;

namespace {

PdoTable readPdoTable(const fs::path& folder, const char* name) {
    PdoTable table;
    ProjectDocument document;
    if (!document.loadIfExists(folder, name))
        return table;
    for (const DocumentRow& row : document.rows(document.root("PDOJ1939"))) {
        // A PDO beyond the fourth would reach the device image but not the EDS file.
        if (row.number() > kPdosPerDirection)
            throw Error(std::string(name) + ", row " + std::to_string(row.number()) +
                        ": a direction has at most four PDOs");
        table.pdos.push_back({row.integer("COB-ID"), row.integer("Dimension")});
    }
    return table;
}

void readMapping(const fs::path& folder, const char* name, std::uint8_t readOnly,
                 std::vector<SDO_Index>& objects, std::vector<MappingConflict>& outOfRange) {
    ProjectDocument document;
    if (!document.loadIfExists(folder, name))
        return;
    for (const DocumentRow& row : document.rows(document.documentElement())) {
        const auto index = static_cast<std::uint16_t>(row.integer("Index"));
        const SDO_Sub_Type sub{static_cast<std::uint8_t>(row.integer("SubIndex")),
                               static_cast<std::uint8_t>(row.integer("Dimension")), readOnly};
        // Below 0x2000 lie the communication objects, several of them fixed sections of
        // the file: an application variable there would be declared twice or in no list.
        if (index < 0x2000)
            outOfRange.push_back({name, row.number(), indexRangeMessage()});
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
void refuseConflicts(const fs::path& folder, std::vector<MappingConflict> conflicts) {
    for (MappingConflict& c : findMappingConflicts(folder))
        conflicts.push_back(std::move(c));
    if (conflicts.empty())
        return;
    std::stable_sort(conflicts.begin(), conflicts.end(),
                     [](const MappingConflict& a, const MappingConflict& b) {
                         const bool aSecond = a.document != "RInfoCob.xml";
                         const bool bSecond = b.document != "RInfoCob.xml";
                         return aSecond != bSecond ? bSecond : a.row < b.row;
                     });
    std::string text;
    for (std::size_t i = 0; i < conflicts.size() && i < kListedConflicts; ++i) {
        const MappingConflict& c = conflicts[i];
        if (!text.empty())
            text += '\n';
        text += c.document + ", row " + std::to_string(c.row) + ": " + c.message;
    }
    if (conflicts.size() > kListedConflicts)
        text += "\n... and " + std::to_string(conflicts.size() - kListedConflicts) +
                " more rows refused";
    throw Error(text);
}

} // namespace

EdsProject readEdsProject(const fs::path& projectFolder) {
    EdsProject project;
    project.receive = readPdoTable(projectFolder, "pdoJ1939.xml");
    project.transmit = readPdoTable(projectFolder, "TpdoJ1939.xml");

    std::vector<MappingConflict> outOfRange;
    readMapping(projectFolder, "RInfoCob.xml", 1, project.objects, outOfRange);
    readMapping(projectFolder, "TInfoCob.xml", 0, project.objects, outOfRange);
    refuseConflicts(projectFolder, std::move(outOfRange));

    for (SDO_Index& record : project.objects)
        std::stable_sort(record.subEntries.begin(), record.subEntries.end(),
                         [](const SDO_Sub_Type& a, const SDO_Sub_Type& b) {
                             return a.subIndex < b.subIndex;
                         });
    return project;
}

} // namespace ordane
