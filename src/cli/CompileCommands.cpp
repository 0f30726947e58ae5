#include "Commands.h"

namespace ordane::cli {

int compileCommand(const fs::path&, std::ostream&, std::ostream& err) {
    return notAvailable("compile", err);
}

} // namespace ordane::cli
