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
                                      projectFolderName(projectFolder)};
    writeFileAtomically(target, buildDcfText(project, m_clock.now(), commissioning));
}

} // namespace ordane
