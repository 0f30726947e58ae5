#include "Commands.h"

#include "documents/CsvExport.h"
#include "model/FrameReferences.h"
#include "model/J1939FrameList.h"

namespace ordane::cli {

namespace {

FrameSide sideNamed(const std::string& side) {
    return side == "transmitted" ? FrameSide::Transmitted : FrameSide::Received;
}

} // namespace

void saveFrameListFollowingReferences(const fs::path& project, const J1939FrameList& list,
                                      bool keepReferences, bool includeSdoMapping,
                                      std::ostream& out) {
    const FrameReferencePlan plan =
        planFrameReferences(project, list.side(), list.frameIdentities(), includeSdoMapping);
    if (keepReferences && !plan.lost.empty()) {
        std::string text = std::to_string(plan.lost.size()) +
                           (plan.lost.size() == 1 ? " row refers" : " rows refer") +
                           " to a frame the import removes; nothing was written "
                           "(without --keep-references they are removed):";
        for (const FrameReference& ref : plan.lost)
            text += "\n" + ref.line();
        throw Error(text);
    }
    const std::vector<PlannedDocument> documents = repointedDocuments(project, plan);
    list.save(project);
    writePlannedDocuments(documents);
    out << list.documentName() << ": " << list.tableRows() << " frames saved\n";
    for (const FrameReference& ref : plan.moved)
        out << "re-pointed: " << ref.line() << "\n";
    for (const FrameReference& ref : plan.lost)
        out << "removed: " << ref.line() << "\n";
}

int importCommand(const fs::path& project, const std::string& side, const fs::path& workbook,
                  bool keepReferences, std::ostream& out, std::ostream& err) {
    return runInProject(project, err, [&] {
        J1939FrameList list(sideNamed(side));
        list.importWorkbook(workbook);
        if (const auto failure = list.firstFinding()) {
            err << failure->message << "\n";
            return kFailed;
        }
        saveFrameListFollowingReferences(project, list, keepReferences, true, out);
        return kSuccess;
    });
}

int exportCommand(const fs::path& project, const std::string& side, std::ostream& out,
                  std::ostream& err) {
    return runInProject(project, err, [&] {
        J1939FrameList list(sideNamed(side));
        list.load(project);
        // A list that does not load whole is not exported in part.
        if (!list.loadedWhole())
            throw Error(list.loadProblems().front().message);
        list.exportCsv(project);
        out << kCsvExportFileName << ": " << list.tableRows() << " frames from "
            << list.documentName() << "\n";
        return kSuccess;
    });
}

} // namespace ordane::cli
