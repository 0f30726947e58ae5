#include "eds/DcfWriter.h"

#include "core/AtomicFile.h"
#include "core/ProjectFolder.h"
#include "eds/EdsLines.h"
#include "eds/EdsProject.h"

#include <cctype>
#include <string>
#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

std::string edsBeside(const fs::path& dcf) {
    std::error_code ec;
    const fs::path folder = dcf.has_parent_path() ? dcf.parent_path() : fs::path(".");
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& file = it->path();
        if (file.stem() == dcf.stem() && dataSheetKind(file, DataSheetKind::Dcf) ==
                                             DataSheetKind::Eds &&
            it->is_regular_file(ec))
            return file.filename().string();
    }
    return {};
}

DataSheetKind dataSheetKind(const fs::path& target, DataSheetKind chosenType) {
    std::string extension = target.extension().string();
    for (char& c : extension)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".dcf")
        return DataSheetKind::Dcf;
    if (extension == ".eds")
        return DataSheetKind::Eds;
    if (extension == ".dbc")
        return DataSheetKind::Dbc;
    return chosenType;
}

void DcfWriter::write(const fs::path& projectFolder, const fs::path& target, int nodeId,
                      int bitRateKbit) const {
    const EdsProject project = readEdsProject(projectFolder);
    const Commissioning commissioning{nodeId, bitRateKbit, target.filename().string(),
                                      edsBeside(target), projectFolderName(projectFolder)};
    writeFileAtomically(target, buildDcfText(project, m_clock.now(), commissioning));
}

} // namespace ordane
