#pragma once

#include "core/AtomicFile.h"
#include "simulator/Simulation.h"

#include <filesystem>
#include <string>

namespace ordane {

// Writes the frames the converter sends as log lines into a temporary file beside the
// target (an AtomicFileWriter); commit() syncs it and renames it over the target. Dropped
// without commit(), the temporary file is removed and the target is untouched, so a failed
// run writes nothing.
class LogFileOutput : public FrameOutput {
public:
    explicit LogFileOutput(const std::filesystem::path& target) : m_file(target) {}

    void send(const CanFrame& frame) override;
    // A remote frame, as candump writes it: "123#R".
    void sendRemote(const CanFrame& frame);
    // Throws Error when the file cannot be written.
    void commit();

    std::uint64_t frames() const { return m_frames; }

private:
    AtomicFileWriter m_file;
    std::string m_line;
    std::uint64_t m_frames = 0;
};

// Counts the frames when no output file is asked for.
class CountingOutput : public FrameOutput {
public:
    void send(const CanFrame&) override { ++m_frames; }
    std::uint64_t frames() const { return m_frames; }

private:
    std::uint64_t m_frames = 0;
};

} // namespace ordane
