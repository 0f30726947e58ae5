#include "app/ReportFindings.h"

#include "cli/Commands.h"
#include "compiler/CompileProject.h"

namespace ordane {

ReportFindings reportFindings(const std::filesystem::path& projectFolder) {
    cli::CheckReport check;
    cli::checkCommunicationAndFrames(projectFolder, check);
    cli::checkMappings(projectFolder, check);
    cli::checkClientAndGuarding(projectFolder, check);
    for (std::string& failure : imageRoomFailures(projectFolder))
        check.failures.push_back(std::move(failure));
    return {std::move(check.failures), std::move(check.notes)};
}

} // namespace ordane
