#pragma once

#include "cli/Cli.h"

#include <sstream>
#include <string>
#include <vector>

namespace ordane::test {

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

// Runs `ordane-cli` in-process with its output streams captured.
inline CliResult runCli(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int status = cli::run(arguments, out, err);
    return {status, out.str(), err.str()};
}

} // namespace ordane::test
