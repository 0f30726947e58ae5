#include "compiler/UpdateBanks.h"

#include "compiler/BankWriters.h"
#include "compiler/CompileProject.h"

namespace ordane {

std::vector<std::string> compileAndWriteBanks(const std::filesystem::path& projectFolder,
                                              DeviceImage& image, MessageSink& messages,
                                              const Clock& clock) {
    compileProject(projectFolder, image, messages, clock);
    return writeBankFilesAndSource(image, projectFolder);
}

} // namespace ordane
