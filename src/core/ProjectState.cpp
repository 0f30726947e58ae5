#include "ProjectState.h"

#include "core/AtomicFile.h"
#include "core/Error.h"

// Settings values are bytes: no character conversion (which would need a Unicode library).
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the template bodies, used header-only
#include <SimpleIni.h>

#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::string withoutTrailingSeparator(std::string text) {
    while (text.size() > 1 && text.back() == fs::path::preferred_separator)
        text.pop_back();
    return text;
}

void createFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        fs::create_directory(folder, ec);
}

} // namespace

bool leavesFolder(const std::string& name) {
    const fs::path path(name);
    if (path.is_absolute() || path.has_root_name())
        return true;
    for (const fs::path& part : path)
        if (part == "..")
            return true;
    return false;
}

ProjectState::ProjectState(fs::path programFolder)
    : m_programFolder(withoutTrailingSeparator(programFolder.lexically_normal().string())),
      m_projectsRoot(m_programFolder / "PROJECTS"), m_masterFolder(m_programFolder / "MASTER"),
      m_projectFolder(m_projectsRoot) {}

fs::path ProjectState::settingsFile() const {
    return m_programFolder / kSettingsFileName;
}

bool ProjectState::startUp() {
    createFolder(m_masterFolder);
    createFolder(m_projectsRoot);

    m_projectName.clear();
    CSimpleIniA ini;
    if (ini.LoadFile(settingsFile().c_str()) >= 0)
        m_projectName = ini.GetValue("lastproj", "projectname", "");

    std::string relative = m_projectName;
    while (!relative.empty() && relative.front() == fs::path::preferred_separator)
        relative.erase(relative.begin());
    std::error_code ec;
    // A remembered name that would leave the projects root is not reopened.
    if (!relative.empty() && !leavesFolder(relative) &&
        fs::is_directory(m_projectsRoot / relative, ec)) {
        m_projectFolder = m_projectsRoot / relative;
        return true;
    }
    m_projectFolder = m_projectsRoot;
    return false;
}

void ProjectState::writeSettings() const {
    CSimpleIniA ini;
    ini.SetSpaces(false); // "key=value", as INI files of this program have always been written
    ini.LoadFile(settingsFile().c_str());
    ini.SetValue("lastproj", "projectname", m_projectName.c_str());
    std::string text;
    if (ini.Save(text) < 0)
        throw Error("Cannot write '" + settingsFile().string() + "'");
    writeFileAtomically(settingsFile(), text);
}

std::string ProjectState::captionWithProject() const {
    return std::string(kCaptionPrefix) + m_projectName;
}

void ProjectState::setNewProject(const std::string& name, const fs::path& folder) {
    m_projectName = name;
    m_projectFolder = withoutTrailingSeparator(folder.string());
}

void ProjectState::setOpenedFolder(const fs::path& folder) {
    m_projectFolder =
        folder.empty() ? fs::path() : fs::path(withoutTrailingSeparator(folder.string()));
    const std::string text = m_projectFolder.string();
    const std::size_t n = m_projectsRoot.string().size();
    m_projectName = text.size() > n ? text.substr(n) : std::string();
}

bool ProjectState::isProjectsRoot(const fs::path& folder) const {
    return fs::path(withoutTrailingSeparator(folder.lexically_normal().string())) == m_projectsRoot;
}

void ProjectState::clearMissingProjectFolder() {
    std::error_code ec;
    if (!m_projectFolder.empty() && !fs::is_directory(m_projectFolder, ec))
        m_projectFolder.clear();
}

} // namespace ordane
