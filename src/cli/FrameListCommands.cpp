#include "Commands.h"

#include "documents/CsvExport.h"
#include "model/J1939FrameList.h"

namespace ordane::cli {

namespace {

FrameSide sideNamed(const std::string& side) {
    return side == "transmitted" ? FrameSide::Transmitted : FrameSide::Received;
}

} // namespace

int importCommand(const fs::path& project, const std::string& side, const fs::path& workbook,
                  std::ostream& out, std::ostream& err) {
    return runInProject(project, err, [&] {
        J1939FrameList list(sideNamed(side));
        list.importWorkbook(workbook);
        if (const auto failure = list.firstFinding()) {
            err << failure->message << "\n";
            return kFailed;
        }
        list.save(project);
        out << list.documentName() << ": " << list.tableRows() << " frames saved\n";
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
