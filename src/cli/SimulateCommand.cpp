#include "Commands.h"

#include "check/ProjectCheck.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "simulator/LogFileOutput.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <system_error>

namespace ordane::cli {

namespace {

// What `check` refuses, then what the simulation leaves out, without repeats.
std::vector<std::string> projectProblems(const fs::path& project,
                                         const std::vector<std::string>& notSimulated) {
    std::vector<std::string> problems = checkProject(project).failures;
    for (const std::string& note : notSimulated)
        if (std::find(problems.begin(), problems.end(), note) == problems.end())
            problems.push_back(note);
    return problems;
}

} // namespace

int simulateCommand(const SimulateArguments& a, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (!fs::is_directory(a.project, ec)) {
        err << "Project folder not found: " << a.project.string() << "\n";
        return kFailed;
    }
    if (a.options.j1939Interface == a.options.canopenInterface) {
        err << "The J1939 and the CANopen interface must have different names\n";
        return kFailed;
    }
    if (fs::is_directory(a.log, ec)) {
        err << "Cannot read '" << a.log.string() << "': it is a folder\n";
        return kFailed;
    }
    std::ifstream log(a.log, std::ios::binary);
    if (!log) {
        err << "Cannot read '" << a.log.string() << "': " << std::strerror(errno) << "\n";
        return kFailed;
    }

    try {
        std::vector<std::string> notSimulated;
        const SimulationProject project = loadSimulationProject(a.project, notSimulated);
        const std::vector<std::string> problems = projectProblems(a.project, notSimulated);

        std::unique_ptr<LogFileOutput> file;
        CountingOutput counter;
        FrameOutput* output = &counter;
        if (a.out) {
            file = std::make_unique<LogFileOutput>(*a.out);
            output = file.get();
        }
        const SimulationRun run =
            simulateLog(project, log, a.log.filename().string(), a.options, *output);

        // Written only once the whole log has been read.
        if (file)
            file->commit();
        if (a.values)
            writeFileAtomically(*a.values, valuesCsv(run.values));

        if (!problems.empty()) {
            out << "Problems in the project (simulated as far as the documents allow):\n";
            for (const std::string& p : problems)
                out << "  " << p << "\n";
        }
        out << run.summary;
        if (file)
            out << "Written: " << a.out->string() << " (" << file->frames() << " frames)\n";
        else
            out << "Frames the converter sends: " << counter.frames() << " (not written)\n";
        if (a.values)
            out << "Written: " << a.values->string() << " (" << run.values.size() << " objects)\n";
        return kSuccess;
    } catch (const Error& e) {
        err << e.what() << "\n";
        return kFailed;
    }
}

} // namespace ordane::cli
