// Every writer of the program under a write that fails: part-way through (the atomic
// writer's hook), on a full disk (a file-size limit) and in a read-only folder. Whatever
// fails, the files of the program folder stay exactly as they were, nothing is left
// beside them, and the user is told the reason.

#include "cli/Cli.h"
#include "cli/Commands.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/MessageSink.h"
#include "core/ProjectState.h"
#include "model/CommunicationParameters.h"
#include "model/J1939FrameList.h"
#include "model/NodeGuardSettings.h"
#include "model/PdoMapping.h"
#include "model/SdoClientFrames.h"
#include "model/SdoMapping.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <map>
#include <sstream>
#include <sys/resource.h>

namespace ordane {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;
using test::writeFile;

// What the user was told when the write failed; nothing when it succeeded.
using Told = std::optional<std::string>;

constexpr const char* kProject = "PROJECTS/Demo";

fs::path projectOf(const fs::path& home) {
    return home / kProject;
}

Told cli(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    if (cli::run(arguments, out, err) == cli::kSuccess)
        return std::nullopt;
    return err.str();
}

Told told(const std::function<void()>& write) {
    try {
        write();
    } catch (const Error& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

Told told(const RecordingMessageSink& messages, bool written) {
    if (written)
        return std::nullopt;
    std::string text;
    for (const std::string& line : messages.texts())
        text += line + "\n";
    return text;
}

// The model of a document, loaded from the project and saved back.
template <typename Model, typename... Side> Told resave(const fs::path& home, Side... side) {
    const fs::path project = projectOf(home);
    Model model(side...);
    model.load(project);
    if (!model.loadProblems().empty())
        return "load: " + model.loadProblems().front().message;
    return told([&] { model.save(project); });
}

// 512 generated records of 78 characters: the size of one bank's scratch file.
constexpr std::size_t kBankRecordsBytes = 512 * 78;

struct Writer {
    const char* name;
    std::vector<std::string> files; // what a successful write changes, relative to home
    std::string readOnlyFolder;     // made read-only for that fault, relative to home
    std::function<Told(const fs::path& home)> write;
    const char* alsoSays = nullptr;
    // Byte counts after which writes fail; each writer's output is larger than all.
    std::vector<std::size_t> limits = {0, 10};
};

const Writer kWriters[] = {
    {"pargen",
     {"PROJECTS/Demo/pargen.xml"},
     kProject,
     [](const fs::path& home) {
         CommunicationParameters model;
         model.load(projectOf(home));
         return told([&] { model.save(projectOf(home)); });
     }},
    // The SDO mapping and the TPDOs follow the frames the import keeps.
    {"RCobDef_import",
     {"PROJECTS/Demo/RCobDef.xml", "PROJECTS/Demo/RInfoCob.xml", "PROJECTS/Demo/TpdoJ1939.xml"},
     kProject,
     [](const fs::path& home) {
         return cli(
             {"import", projectOf(home).string(), "received", (home / "frames.csv").string()});
     }},
    {"TCobDef",
     {"PROJECTS/Demo/TCobDef.xml"},
     kProject,
     [](const fs::path& home) { return resave<J1939FrameList>(home, FrameSide::Transmitted); }},
    {"RInfoCob",
     {"PROJECTS/Demo/RInfoCob.xml"},
     kProject,
     [](const fs::path& home) { return resave<SdoMapping>(home, SdoSide::Received); }},
    {"TInfoCob",
     {"PROJECTS/Demo/TInfoCob.xml"},
     kProject,
     [](const fs::path& home) { return resave<SdoMapping>(home, SdoSide::Transmitted); }},
    {"pdoJ1939",
     {"PROJECTS/Demo/pdoJ1939.xml"},
     kProject,
     [](const fs::path& home) { return resave<PdoMapping>(home, PdoDirection::Rpdo); }},
    {"TpdoJ1939",
     {"PROJECTS/Demo/TpdoJ1939.xml"},
     kProject,
     [](const fs::path& home) { return resave<PdoMapping>(home, PdoDirection::Tpdo); }},
    {"SDOClient",
     {"PROJECTS/Demo/SDOClient.xml"},
     kProject,
     [](const fs::path& home) { return resave<SdoClientFrames>(home); }},
    {"NodeGuard",
     {"PROJECTS/Demo/NodeGuard.xml", "PROJECTS/Demo/NG_J1939_Frame.xml"},
     kProject,
     [](const fs::path& home) {
         NodeGuardSettings model;
         model.load(projectOf(home));
         RecordingMessageSink messages;
         const bool written = model.saveTelling(projectOf(home), messages);
         return told(messages, written);
     },
     "Error in the save parameter"},
    {"settings",
     {"Ordane_C2J1939.ini"},
     "",
     [](const fs::path& home) {
         ProjectState state(home);
         state.setOpenedFolder(projectOf(home));
         return told([&] { state.writeSettings(); });
     }},
    {"banks_and_bankg_c",
     {"PROJECTS/Demo/bin/bank1.bin", "PROJECTS/Demo/bin/bank2.bin", "PROJECTS/Demo/bin/bank3.bin",
      "PROJECTS/Demo/bin/bank4.bin", "PROJECTS/Demo/bin/bank5.bin", "PROJECTS/Demo/bin/bankg.c"},
     "PROJECTS/Demo/bin",
     [](const fs::path& home) {
         return cli({"compile", projectOf(home).string()});
     }},
    {"eds",
     {"out/Demo.eds"},
     "out",
     [](const fs::path& home) {
         return cli({"eds", projectOf(home).string(), (home / "out/Demo.eds").string()});
     }},
    // The merge writes a scratch file, then one output per stage; each limit stops a
    // different one of them: the scratch file, the first stage, the second stage.
    {"merged_firmware",
     {"PROJECTS/Demo/New_SX40218.sx"},
     kProject,
     [](const fs::path& home) {
         return cli({"merge", projectOf(home).string(), (home / "MASTER/SX40218.sx").string()});
     },
     nullptr,
     {0, 10, kBankRecordsBytes, 2 * kBankRecordsBytes}},
    {"csv_export",
     {"PROJECTS/Demo/rpdodef.csv"},
     kProject,
     [](const fs::path& home) {
         return cli({"export", projectOf(home).string(), "received"});
     }},
};

void PrintTo(const Writer& w, std::ostream* out) {
    *out << w.name;
}

using Tree = std::map<std::string, std::string>;

// Every file and folder below `home` with its bytes.
Tree snapshot(const fs::path& home) {
    Tree tree;
    for (const auto& entry : fs::recursive_directory_iterator(home)) {
        const std::string name = fs::relative(entry.path(), home).string();
        tree[name] = entry.is_directory() ? std::string("<folder>") : readFile(entry.path());
    }
    return tree;
}

std::vector<std::string> differences(const Tree& before, const Tree& after) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : before)
        if (auto it = after.find(name); it == after.end() || it->second != bytes)
            names.push_back(name);
    for (const auto& [name, bytes] : after)
        if (!before.contains(name))
            names.push_back(name);
    return names;
}

// A program folder with the example project and the results of an earlier run.
class Home {
public:
    Home() {
        const fs::path examples = fs::path(ORDANE_SOURCE_DIR) / "examples";
        fs::create_directory(path() / "PROJECTS");
        fs::copy(examples / "Demo", projectOf(path()), fs::copy_options::recursive);
        fs::copy(examples / "MASTER", path() / "MASTER", fs::copy_options::recursive);
        fs::remove(projectOf(path()) / "bin/.keep");
        // A comment that no writer keeps, so every rewritten document differs from its
        // older copy.
        for (const auto& entry : fs::directory_iterator(projectOf(path())))
            if (entry.path().extension() == ".xml")
                writeFile(entry.path(), readFile(entry.path()) + "<!-- older -->\n");
        for (int bank = 1; bank <= 5; ++bank)
            writeFile(projectOf(path()) / "bin" / ("bank" + std::to_string(bank) + ".bin"),
                      "older bank " + std::to_string(bank));
        writeFile(projectOf(path()) / "bin/bankg.c", "older bankg.c");
        writeFile(projectOf(path()) / "New_SX40218.sx", "older firmware");
        writeFile(projectOf(path()) / "rpdodef.csv", "older csv");
        writeFile(path() / "out/Demo.eds", "older eds");
        writeFile(path() / "Ordane_C2J1939.ini", "[lastproj]\r\nprojectname=Older\r\n");
        writeFile(path() / "frames.csv", "cobid,id_dev_orig\r\n0xF004,0\r\n0xFEEE,3\r\n");
        // The unprivileged user of the read-only fault must reach every file.
        for (const auto& entry : fs::recursive_directory_iterator(path()))
            if (entry.is_directory())
                fs::permissions(entry.path(), fs::perms::all, fs::perm_options::add);
        fs::permissions(path(), fs::perms::all, fs::perm_options::add);
    }
    const fs::path& path() const { return m_folder.path(); }

private:
    TempFolder m_folder;
};

// Status of one failed write: 0 when it failed and the user was told `reason`.
int judge(const Writer& w, const Told& t, const std::string& reason) {
    if (!t)
        return 1; // reported as success
    if (t->find(reason) == std::string::npos)
        return 2;
    if (w.alsoSays && t->find(w.alsoSays) == std::string::npos)
        return 3;
    return 0;
}

int inChild(const std::function<int()>& body) {
    const pid_t child = ::fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        int status = 4;
        try {
            status = body();
        } catch (...) {
        }
        ::_exit(status);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

class WriteFault : public testing::TestWithParam<Writer> {};

TEST_P(WriteFault, KeepsEveryFileAndSaysWhy) {
    const Writer& w = GetParam();
    const Home home;
    const Tree before = snapshot(home.path());
    auto unchanged = [&](const std::string& fault) {
        EXPECT_EQ(differences(before, snapshot(home.path())), std::vector<std::string>{}) << fault;
    };

    for (std::size_t limit : w.limits) {
        const std::string fault = "fails after " + std::to_string(limit) + " bytes";
        failAtomicWritesAfterForTests(limit);
        const Told t = w.write(home.path());
        failAtomicWritesAfterForTests(std::nullopt);
        EXPECT_EQ(judge(w, t, "No space left on device"), 0) << fault << ": " << t.value_or("");
        unchanged(fault);
    }

    for (std::size_t limit : w.limits) {
        const std::string fault = "disk full after " + std::to_string(limit) + " bytes";
        const int status = inChild([&] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit size{limit, limit};
            if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
                return 5;
            return judge(w, w.write(home.path()), "File too large");
        });
        EXPECT_EQ(status, 0) << fault;
        unchanged(fault);
    }

    const fs::path readOnly = home.path() / w.readOnlyFolder;
    fs::permissions(readOnly,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const int status = test::runWithPermissionsEnforced(
        [&] { return judge(w, w.write(home.path()), "Permission denied"); });
    fs::permissions(readOnly, fs::perms::all, fs::perm_options::add);
    EXPECT_EQ(status, 0) << "read-only folder";
    unchanged("read-only folder");

    // The same write without a fault succeeds and changes its files, and only them.
    const Told t = w.write(home.path());
    EXPECT_FALSE(t) << t.value_or("");
    std::vector<std::string> files = w.files;
    std::sort(files.begin(), files.end());
    EXPECT_EQ(differences(before, snapshot(home.path())), files);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriteFault, testing::ValuesIn(kWriters),
                         [](const testing::TestParamInfo<Writer>& param) {
                             return std::string(param.param.name);
                         });

} // namespace
} // namespace ordane
