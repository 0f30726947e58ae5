#pragma once

#include "core/Clock.h"

#include <filesystem>

namespace ordane {

// Writes the Electronic Data Sheet (CiA 306, EDS version 4.0) of a project from its PDO and
// SDO mapping documents; the project itself is only read.
class EdsWriter {
public:
    explicit EdsWriter(const Clock& clock) : m_clock(clock) {}

    // Builds the whole file and replaces `target` with it in one piece. Throws Error with
    // the user's text; then no file is written and an existing target stays as it was.
    void write(const std::filesystem::path& projectFolder,
               const std::filesystem::path& target) const;

private:
    const Clock& m_clock;
};

} // namespace ordane
