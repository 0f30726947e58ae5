#pragma once

#include "core/Error.h"
#include "core/ProjectFolder.h"
#include "simulator/Simulation.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace ordane {
class J1939FrameList;
}

namespace ordane::cli {

namespace fs = std::filesystem;

inline constexpr int kSuccess = 0;
inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Each command writes its results to `out` and the texts the desktop program shows in
// message boxes, one per line, to `err`.
int compileCommand(const fs::path& project, std::ostream& out, std::ostream& err);
int edsCommand(const fs::path& project, const fs::path& output, std::ostream& out,
               std::ostream& err);
// `nodeId` and `bitRate` (kbit/s) are number text; absent ones come from pargen.xml.
int dcfCommand(const fs::path& project, const fs::path& output,
               const std::optional<std::string>& nodeId, const std::optional<std::string>& bitRate,
               std::ostream& out, std::ostream& err);
int mergeCommand(const fs::path& project, const fs::path& templateFile, std::ostream& out,
                 std::ostream& err);
// check, compile, merge; a project the check fails is refused unless `force`.
int updateCommand(const fs::path& project, const fs::path& templateFile, bool force,
                  std::ostream& out, std::ostream& err);
int checkCommand(const fs::path& project, std::ostream& out, std::ostream& err);
// Writes the mapping report, with the findings of `check` first; exit 0 whatever they are.
int reportCommand(const fs::path& project, const fs::path& output, std::ostream& out,
                  std::ostream& err);
// Writes the DBC file of both buses; a project that `check` refuses for its frame lists or
// mapping documents is refused, naming the findings, and nothing is written.
int dbcCommand(const fs::path& project, const fs::path& output, std::ostream& out,
               std::ostream& err);
// Creates project NAME (with its bin folder) under ROOT as New project does; on failure the
// reasons are printed to `err` and nothing is returned.
std::optional<fs::path> createProjectTelling(const fs::path& root, const std::string& name,
                                             std::ostream& err);
int newCommand(const fs::path& root, const std::string& name, std::ostream& out, std::ostream& err);
// `side` is "received" or "transmitted". With `keepReferences` an import that would leave
// an SDO mapping or PDO row without its frame fails instead of removing the row.
int importCommand(const fs::path& project, const std::string& side, const fs::path& workbook,
                  bool keepReferences, std::ostream& out, std::ostream& err);
// The DBC form of `import`: --messages, --pgn, --node, --map-signals, --replace-mapping.
struct DbcImportOptions {
    std::vector<std::string> messages;
    std::vector<std::string> pgns;
    std::string node;
    std::string mapSignals; // the first object index, empty when not mapping
    bool replaceMapping = false;
    std::string sourceAddress; // for messages without one (0xFE, 0xFF); empty when none
    bool keepReferences = false; // for workbooks too
    bool any() const {
        return !messages.empty() || !pgns.empty() || !node.empty() || !mapSignals.empty() ||
               replaceMapping || !sourceAddress.empty();
    }
};
int dbcImportCommand(const fs::path& project, const std::string& side, const fs::path& dbcFile,
                     const DbcImportOptions& options, std::ostream& out, std::ostream& err);
// Saves an imported frame list and re-points the side's frame references (the SDO mapping's
// unless the import replaces it, and the PDOs') to the frames' new rows, telling each one
// moved or removed; with `keepReferences` a reference that would be lost is an error and
// nothing is written. Throws Error.
void saveFrameListFollowingReferences(const fs::path& project, const J1939FrameList& list,
                                      bool keepReferences, bool includeSdoMapping,
                                      std::ostream& out);
// Whether `file` is a DBC file by its extension (any letter case).
bool isDbcFile(const fs::path& file);
int exportCommand(const fs::path& project, const std::string& side, std::ostream& out,
                  std::ostream& err);

struct SimulateArguments {
    fs::path project;
    fs::path log;
    std::optional<fs::path> out;
    std::optional<fs::path> values;
    SimulationOptions options;
};
// Replays a CAN log through the project: OUT gets the frames the converter sends, VALUES
// the mapped objects at the end; the summary goes to `out`. Nothing is written when the
// log has a malformed line.
int simulateCommand(const SimulateArguments& arguments, std::ostream& out, std::ostream& err);

// Read banks 1 and 2 back from a merged firmware file, bank files or bankg.c.
int inspectCommand(const fs::path& file, std::ostream& out, std::ostream& err);
int verifyCommand(const fs::path& project, const fs::path& file, std::ostream& out,
                  std::ostream& err);
int recoverCommand(const fs::path& file, const fs::path& root, const std::string& name,
                   std::ostream& out, std::ostream& err);

// buses, run and monitor: runs the companion program ordane-bus in this process's place
// with the same arguments; returns only when it cannot be started.
int handOverBusCommand(const std::vector<std::string>& arguments, std::ostream& err);

// Runs a command on an existing project folder ("Project folder not found: <folder>"
// otherwise). An Error the command throws is its reason: printed, and the command fails.
template <class Body> int runInProject(const fs::path& project, std::ostream& err, Body&& body) {
    try {
        requireExistingProjectFolder(project);
        return body();
    } catch (const Error& e) {
        err << e.what() << '\n';
        return kFailed;
    }
}

} // namespace ordane::cli
