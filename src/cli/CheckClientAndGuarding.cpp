#include "Commands.h"

namespace ordane::cli {

void checkClientAndGuarding(const fs::path&, CheckReport&) {}

} // namespace ordane::cli
