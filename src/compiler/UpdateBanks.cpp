#include "compiler/UpdateBanks.h"

#include "compiler/BankWriters.h"
#include "compiler/CompileProject.h"
#include "core/Error.h"

namespace ordane {

std::vector<std::string> compileAndWriteBanks(const std::filesystem::path& projectFolder,
                                              DeviceImage& image, MessageSink& messages,
                                              const Clock& clock) {
    compileProject(projectFolder, image, messages, clock);
    std::vector<std::string> unwritten = writeBankFiles(image, projectFolder);
    try {
        writeBankSource(image, projectFolder);
    } catch (const Error& e) {
        unwritten.emplace_back(e.what());
    }
    return unwritten;
}

} // namespace ordane
