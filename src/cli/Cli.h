#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace ordane::cli {

// Runs `ordane-cli` with its arguments (without the program name). Exit status: 0 success,
// 1 the command failed (its text on `err`), 2 wrong usage.
int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace ordane::cli
