#include "core/ProgramFolder.h"

#include "core/Error.h"
#include "core/ProjectState.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <vector>

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// Copies `from` to a scratch name beside `to` and renames it into place, so that an
// interrupted first start leaves no half-filled MASTER or PROJECTS behind.
void copyWhole(const fs::path& from, const fs::path& to) {
    const fs::path scratch = to.parent_path() / ("." + to.filename().string() + ".seeding");
    std::error_code ec;
    fs::remove_all(scratch, ec); // left over from a start that was interrupted
    try {
        fs::copy(from, scratch, fs::copy_options::recursive);
        // The install's files are read-only for the user; the copies are the user's own.
        fs::permissions(scratch, fs::perms::owner_all, fs::perm_options::add);
        for (const auto& entry : fs::recursive_directory_iterator(scratch))
            fs::permissions(entry.path(),
                            entry.is_directory() ? fs::perms::owner_all
                                                 : fs::perms::owner_read | fs::perms::owner_write,
                            fs::perm_options::add);
        fs::rename(scratch, to);
    } catch (const fs::filesystem_error& e) {
        fs::remove_all(scratch, ec);
        throw Error("Cannot copy '" + from.string() + "' to '" + to.string() +
                    "': " + e.code().message());
    }
}

// The example project that the settings file names: the first folder, in sorted order.
std::string firstProject(const fs::path& projects) {
    std::vector<std::string> names;
    std::error_code ec;
    for (auto it = fs::directory_iterator(projects, ec); !ec && it != fs::directory_iterator();
         it.increment(ec))
        if (it->is_directory(ec))
            names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names.empty() ? std::string() : names.front();
}

bool isAbsolute(const std::string& path) {
    return !path.empty() && fs::path(path).is_absolute();
}

} // namespace

StartEnvironment currentEnvironment(const fs::path& executableFolder,
                                    const fs::path& dataFolderFromExecutable,
                                    std::optional<fs::path> homeOption) {
    StartEnvironment environment{executableFolder, dataFolderFromExecutable, std::move(homeOption),
                                 environmentValue("XDG_DATA_HOME"), environmentValue("HOME")};
    if (environment.home.empty()) {
        // A service or a cron job may run without HOME; the password file still knows it.
        std::vector<char> buffer(16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
            found->pw_dir)
            environment.home = found->pw_dir;
    }
    return environment;
}

ProgramFolder chooseProgramFolder(const StartEnvironment& environment) {
    if (environment.homeOption)
        return {fs::absolute(*environment.homeOption).lexically_normal(),
                ProgramFolder::Source::HomeOption,
                {}};

    const fs::path data =
        (environment.executableFolder / environment.dataFolderFromExecutable).lexically_normal();
    std::error_code ec;
    if (environment.dataFolderFromExecutable.empty() ||
        !fs::is_regular_file(data / kInstallMarkerName, ec))
        return {environment.executableFolder, ProgramFolder::Source::ExecutableFolder, {}};

    // A relative XDG_DATA_HOME is invalid and ignored, as the base directory rules say.
    fs::path userData;
    if (isAbsolute(environment.xdgDataHome))
        userData = environment.xdgDataHome;
    else if (isAbsolute(environment.home))
        userData = fs::path(environment.home) / ".local" / "share";
    else
        throw Error("Cannot find the user's data folder for the program folder: neither "
                    "XDG_DATA_HOME nor HOME names a folder. Start with --home DIR.");
    return {(userData / "ordane").lexically_normal(), ProgramFolder::Source::UserDataFolder, data};
}

std::string describeProgramFolder(const ProgramFolder& choice) {
    const std::string folder = choice.folder.string();
    switch (choice.source) {
    case ProgramFolder::Source::HomeOption:
        return folder + " (given with --home)";
    case ProgramFolder::Source::UserDataFolder:
        return folder + " (the user's data folder, as this copy is installed)";
    case ProgramFolder::Source::ExecutableFolder:
        break;
    }
    return folder + " (the executable's folder, as this copy is not installed)";
}

SeedResult seedProgramFolder(const fs::path& programFolder, const fs::path& installData) {
    std::error_code ec;
    fs::create_directories(programFolder, ec);
    if (ec || !fs::is_directory(programFolder))
        throw Error("Cannot create the program folder '" + programFolder.string() +
                    "': " + (ec ? ec.message() : std::string("a file has that name")));

    SeedResult result;
    const fs::path master = programFolder / "MASTER";
    const fs::path projects = programFolder / "PROJECTS";
    if (!fs::exists(fs::symlink_status(master, ec)) &&
        fs::is_directory(installData / "MASTER", ec)) {
        copyWhole(installData / "MASTER", master);
        result.master = true;
    }
    if (!fs::exists(fs::symlink_status(projects, ec)) &&
        fs::is_directory(installData / "PROJECTS", ec)) {
        copyWhole(installData / "PROJECTS", projects);
        result.projects = true;
    }
    ProjectState state(programFolder);
    if (!fs::exists(fs::symlink_status(state.settingsFile(), ec))) {
        const std::string name = result.projects ? firstProject(projects) : std::string();
        if (!name.empty())
            state.setNewProject(name, projects / name);
        state.writeSettings();
        result.settings = true;
    }
    return result;
}

} // namespace ordane
