#include "Commands.h"

namespace ordane::cli {

int edsCommand(const fs::path&, const fs::path&, std::ostream&, std::ostream& err) {
    return notAvailable("eds", err);
}

} // namespace ordane::cli
