#include "eds/EdsWriter.h"

#include "core/AtomicFile.h"
#include "eds/EdsLines.h"
#include "eds/EdsProject.h"

#include <string>

namespace ordane {

void EdsWriter::write(const std::filesystem::path& projectFolder,
                      const std::filesystem::path& target) const {
    const EdsProject project = readEdsProject(projectFolder);
    writeFileAtomically(target, buildEdsText(project, m_clock.now()));
}

} // namespace ordane
