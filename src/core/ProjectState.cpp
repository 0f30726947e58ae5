#include "ProjectState.h"

#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/TextCase.h"
#include "core/Utf8.h"

// Settings values are bytes: no character conversion (which would need a Unicode library).
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION // the template bodies, used header-only
#include <SimpleIni.h>

#include <string_view>
#include <system_error>

namespace ordane {

namespace fs = std::filesystem;

namespace {

// '/' or, on Windows, '\\'.
bool isSeparator(char c) {
    return c == '/' || c == fs::path::preferred_separator;
}

std::string withoutTrailingSeparator(std::string text) {
    while (text.size() > 1 && isSeparator(text.back()))
        text.pop_back();
    return text;
}

void createFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec))
        fs::create_directory(folder, ec);
}

} // namespace

bool unportableName(const std::string& name) {
    // A folder named after a device can be made on Linux but never opened on Windows, where
    // the projects are carried. What only Windows refuses or quietly changes (reserved
    // characters, a trailing dot or blank) is refused there, before the file system does.
    static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL"};
    for (const fs::path& each : pathFromUtf8(name)) {
        const std::string part = utf8Text(each);
        if (part.empty() || part == "." || part == "..")
            continue;
#ifdef _WIN32
        if (part.back() == '.' || part.back() == ' ')
            return true;
        for (const char c : part)
            if (static_cast<unsigned char>(c) < 0x20 ||
                std::string_view("<>:\"|?*").find(c) != std::string_view::npos)
                return true;
#endif
        std::string_view base = std::string_view(part).substr(0, part.find('.'));
        while (!base.empty() && base.back() == ' ')
            base.remove_suffix(1);
        for (const std::string_view device : kDevices)
            if (equalsIgnoringCase(base, device))
                return true;
        if (base.size() == 4 && base[3] >= '1' && base[3] <= '9' &&
            (equalsIgnoringCase(base.substr(0, 3), "COM") ||
             equalsIgnoringCase(base.substr(0, 3), "LPT")))
            return true;
    }
    return false;
}

bool leavesFolder(const std::string& name) {
    const fs::path path = pathFromUtf8(name);
    if (path.is_absolute() || path.has_root_name())
        return true;
    for (const fs::path& part : path)
        if (part == "..")
            return true;
    return false;
}

ProjectState::ProjectState(fs::path programFolder)
    : m_programFolder(
          pathFromUtf8(withoutTrailingSeparator(programFolder.lexically_normal().string()))),
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
    while (!relative.empty() && isSeparator(relative.front()))
        relative.erase(relative.begin());
    std::error_code ec;
    // A remembered name that would leave the projects root is not reopened.
    if (!relative.empty() && !leavesFolder(relative) &&
        fs::is_directory(m_projectsRoot / pathFromUtf8(relative), ec)) {
        m_projectFolder = m_projectsRoot / pathFromUtf8(relative);
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
#ifdef _WIN32
    // The file is the same as on Linux, where SimpleIni ends lines with LF only.
    std::erase(text, '\r');
#endif
    writeFileAtomically(settingsFile(), text);
}

std::string ProjectState::captionWithProject() const {
    return std::string(kCaptionPrefix) + m_projectName;
}

void ProjectState::setNewProject(const std::string& name, const fs::path& folder) {
    m_projectName = name;
    m_projectFolder = pathFromUtf8(withoutTrailingSeparator(folder.string()));
}

void ProjectState::setOpenedFolder(const fs::path& folder) {
    m_projectFolder =
        folder.empty() ? fs::path() : pathFromUtf8(withoutTrailingSeparator(folder.string()));
    // With '/' on every system, so that the settings file is the same everywhere.
    const std::string text = m_projectFolder.generic_string();
    const std::size_t n = m_projectsRoot.generic_string().size();
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
