#include "Commands.h"

namespace ordane::cli {

int mergeCommand(const fs::path&, const fs::path&, std::ostream&, std::ostream& err) {
    return notAvailable("merge", err);
}

int updateCommand(const fs::path&, const fs::path&, std::ostream&, std::ostream& err) {
    return notAvailable("update", err);
}

} // namespace ordane::cli
