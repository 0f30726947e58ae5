#pragma once

#include <filesystem>
#include <string>

namespace ordane {

inline constexpr const char* kApplicationTitle = "Firmware Ordane";
inline constexpr const char* kCaptionWithoutProject = "Korvane Ordane SW40218 CANopen TO J1939";
inline constexpr const char* kCaptionPrefix = "Korvane - Ordane SW40218 - J1939 / CANopen :";
inline constexpr const char* kSettingsFileName = "Ordane_C2J1939.ini";

// The project state of the running program. Folders are held without a trailing separator.
class ProjectState {
public:
    explicit ProjectState(std::filesystem::path programFolder);

    // Creates MASTER and PROJECTS when missing (failures are not reported), reads the
    // last project from the settings file and reopens it when its folder still exists.
    // Returns whether the project was reopened.
    bool startUp();
    // Writes the project name to the settings file, keeping the file's other contents.
    // Throws Error when the file cannot be written.
    void writeSettings() const;

    const std::filesystem::path& programFolder() const { return m_programFolder; }
    const std::filesystem::path& projectsRoot() const { return m_projectsRoot; }
    const std::filesystem::path& masterFolder() const { return m_masterFolder; }
    std::filesystem::path settingsFile() const;
    const std::string& projectName() const { return m_projectName; }
    const std::filesystem::path& projectFolder() const { return m_projectFolder; }

    // Empty only after an Open whose preselected folder had gone and which was cancelled.
    bool hasProjectFolder() const { return !m_projectFolder.empty(); }
    // Whether a project is open: a project folder that is not the projects root itself.
    bool hasProject() const { return hasProjectFolder() && !isProjectsRoot(m_projectFolder); }
    bool isProjectsRoot(const std::filesystem::path& folder) const;

    // The caption with the current name: the prefix followed directly by the name.
    std::string captionWithProject() const;

    // New project: the bare folder name and its folder.
    void setNewProject(const std::string& name, const std::filesystem::path& folder);
    // Open project: the name is the folder with the projects root's path removed, so it
    // begins with the separator ("/Plant7"); the root itself or an empty folder give "".
    void setOpenedFolder(const std::filesystem::path& folder);
    // Open with the preselected folder gone: the folder becomes empty before the browser.
    void clearMissingProjectFolder();

private:
    std::filesystem::path m_programFolder;
    std::filesystem::path m_projectsRoot;
    std::filesystem::path m_masterFolder;
    std::string m_projectName;
    std::filesystem::path m_projectFolder;
};

// Whether `name` would leave the folder it is joined to (absolute, or with a ".." part).
bool leavesFolder(const std::string& name);

// Whether a part of `name` is a Windows device name (CON, COM1, nul.txt); on Windows also a
// part with a reserved character (<>:"|?* and control characters) or a trailing dot or blank.
bool unportableName(const std::string& name);

} // namespace ordane
