#include "firmware/ProjectMerge.h"

#include "core/ProjectFolder.h"

#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

MergeOutcome mergeProjectBanks(SrecordMerge& merge, const fs::path& projectFolder,
                               const fs::path& templateFile) {
    std::error_code ec;
    const fs::path bin = binFolder(projectFolder);
    merge.setBankFolder(fs::is_directory(bin, ec) ? std::optional<fs::path>(bin) : std::nullopt);
    merge.setProjectFolder(projectFolder);
    merge.setMergedFileName(kMergedFilePrefix + templateFile.filename().string());
    return merge.mergeInOnePass({1, 2}, templateFile);
}

} // namespace ordane
