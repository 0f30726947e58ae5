#include "Commands.h"

namespace ordane::cli {

int importCommand(const fs::path&, const std::string&, const fs::path&, std::ostream&,
                  std::ostream& err) {
    return notAvailable("import", err);
}

int exportCommand(const fs::path&, const std::string&, std::ostream&, std::ostream& err) {
    return notAvailable("export", err);
}

} // namespace ordane::cli
