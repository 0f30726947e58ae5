#include "Commands.h"

namespace ordane::cli {

void checkCommunicationAndFrames(const fs::path&, CheckReport&) {}

} // namespace ordane::cli
