#include "Commands.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <system_error>
#include <unistd.h>

namespace ordane::cli {

int handOverBusCommand(const std::vector<std::string>& arguments, std::ostream& err) {
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    const fs::path program =
        (self.parent_path() / ORDANE_BUS_FROM_BIN / "ordane-bus").lexically_normal();
    std::vector<char*> argv;
    std::string name = "ordane-cli";
    argv.push_back(name.data());
    std::vector<std::string> copies(arguments);
    for (std::string& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::cout.flush();
    err.flush();
    ::execv(program.c_str(), argv.data());
    err << "The live bus commands cannot be started: " << program.string() << ": "
        << std::strerror(errno) << "\n";
    return kFailed;
}

} // namespace ordane::cli
