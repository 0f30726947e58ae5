#pragma once

#include "simulator/Simulation.h"

#include <filesystem>
#include <string>

namespace ordane {

// Writes the frames the converter sends as log lines into a temporary file beside the
// target; commit() renames it over the target. Dropped without commit(), the temporary file
// is removed and the target is untouched, so a failed run writes nothing.
class LogFileOutput : public FrameOutput {
public:
    explicit LogFileOutput(std::filesystem::path target);
    ~LogFileOutput() override;
    LogFileOutput(const LogFileOutput&) = delete;
    LogFileOutput& operator=(const LogFileOutput&) = delete;

    void send(const CanFrame& frame) override;
    // Throws Error when the file cannot be written.
    void commit();

    std::uint64_t frames() const { return m_frames; }

private:
    void flush();

    std::filesystem::path m_target;
    std::string m_temporary;
    int m_fd = -1;
    std::string m_buffer;
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
