#include "Commands.h"

#include "documents/CsvExport.h"
#include "documents/Error.h"
#include "editors/J1939FrameList.h"

#include <system_error>

namespace ordane::cli {

namespace {

FrameSide sideNamed(const std::string& side) {
    return side == "transmitted" ? FrameSide::Transmitted : FrameSide::Received;
}

bool projectFound(const fs::path& project, std::ostream& err) {
    std::error_code ec;
    if (fs::is_directory(project, ec))
        return true;
    err << "Project folder not found: " << project.string() << "\n";
    return false;
}

} // namespace

int importCommand(const fs::path& project, const std::string& side, const fs::path& workbook,
                  std::ostream& out, std::ostream& err) {
    if (!projectFound(project, err))
        return kFailed;
    J1939FrameList list(sideNamed(side));
    try {
        list.importWorkbook(workbook);
        if (const auto failure = list.validate()) {
            err << failure->message << "\n";
            return kFailed;
        }
        list.save(project);
    } catch (const Error& e) {
        err << e.what() << "\n";
        return kFailed;
    }
    out << list.documentName() << ": " << list.tableRows() << " frames saved\n";
    return kSuccess;
}

int exportCommand(const fs::path& project, const std::string& side, std::ostream& out,
                  std::ostream& err) {
    if (!projectFound(project, err))
        return kFailed;
    J1939FrameList list(sideNamed(side));
    try {
        // A list that does not load whole is not exported in part.
        list.load(project);
        list.exportCsv(project);
    } catch (const Error& e) {
        err << e.what() << "\n";
        return kFailed;
    }
    out << kCsvExportFileName << ": " << list.tableRows() << " frames from " << list.documentName()
        << "\n";
    return kSuccess;
}

} // namespace ordane::cli
