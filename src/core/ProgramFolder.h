#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace ordane {

// The file an install puts into its data folder (share/ordane). Its presence, never whether
// a folder can be written, makes a copy an installed one: root can write /usr/bin.
inline constexpr const char* kInstallMarkerName = "installed";

// What decides the program folder at start.
struct StartEnvironment {
    std::filesystem::path executableFolder;
    // The install's data folder relative to the executable's folder ("../share/ordane").
    std::filesystem::path dataFolderFromExecutable;
    std::optional<std::filesystem::path> homeOption; // ordane --home DIR
    std::string xdgDataHome;                         // empty when unset
    std::string home;                                // empty when unset
};

// Reads XDG_DATA_HOME and HOME (or, without HOME, the user's entry in the password file).
StartEnvironment currentEnvironment(const std::filesystem::path& executableFolder,
                                    const std::filesystem::path& dataFolderFromExecutable,
                                    std::optional<std::filesystem::path> homeOption);

struct ProgramFolder {
    enum class Source { HomeOption, UserDataFolder, ExecutableFolder };
    std::filesystem::path folder;
    Source source = Source::ExecutableFolder;
    // The installed copy's share/ordane (its MASTER and PROJECTS seed the user's folder);
    // empty for a build or unpacked copy.
    std::filesystem::path installData;
};

// --home wins; an installed copy uses $XDG_DATA_HOME/ordane (by default
// ~/.local/share/ordane); any other copy its executable's folder. Throws Error when an
// installed copy finds no data folder of the user.
ProgramFolder chooseProgramFolder(const StartEnvironment& environment);

// One line for --help and the About box: the folder and why it is the one in use.
std::string describeProgramFolder(const ProgramFolder& choice);

struct SeedResult {
    bool master = false;   // MASTER was created with the example template
    bool projects = false; // PROJECTS was created with the example project
    bool settings = false; // the settings file was written
};

// First start of an installed copy: creates the program folder and gives it what it lacks
// of MASTER (the install's example template, until the user puts the real one there),
// PROJECTS (the example project) and the settings file (naming the example project, so that
// it opens). A folder or file already there is left alone, so nothing the user put or
// removed comes back. Each of MASTER and PROJECTS appears whole or not at all. Throws Error
// with the reason when the program folder cannot be created or a copy fails.
SeedResult seedProgramFolder(const std::filesystem::path& programFolder,
                             const std::filesystem::path& installData);

} // namespace ordane
