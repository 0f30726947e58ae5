#include "Commands.h"

namespace ordane::cli {

void checkMappings(const fs::path&, CheckReport&) {}

} // namespace ordane::cli
