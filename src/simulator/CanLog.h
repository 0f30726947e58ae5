#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string>
#include <string_view>

namespace ordane {

// One classic CAN data frame of a log in the form `candump -L` writes and `canplayer`
// reads: "(1700000000.123456) can0 18FEF100#1122334455667788".
struct CanFrame {
    std::int64_t time = 0; // microseconds since the epoch of the log
    std::string_view interface;
    std::uint32_t id = 0;
    bool extended = false; // 8 hex digits in the log, else 3
    std::uint8_t length = 0;
    std::array<std::uint8_t, 8> data{};
};

// What a log line holds besides a classic data frame.
enum class LogLineKind { Data, Remote, Fd, ErrorFrame, Blank };

// Reads one line (without its line end). On success returns nothing and fills `frame`
// (interface and time also for the kinds that are skipped); otherwise the reason.
// The interface points into `line`.
const char* parseLogLine(std::string_view line, LogLineKind& kind, CanFrame& frame);

// Streams a log: one line at a time from a fixed buffer, so memory does not grow with the
// log. Remote, CAN FD and error frames are counted and passed over; blank lines are skipped.
// A malformed line or a time earlier than the line before throws Error
// "<name>, line <n>: <reason>".
class CanLogReader {
public:
    CanLogReader(std::istream& in, std::string name);
    ~CanLogReader();
    CanLogReader(const CanLogReader&) = delete;
    CanLogReader& operator=(const CanLogReader&) = delete;

    // The next data frame, valid until the following call; false at the end of the log.
    bool next(CanFrame& frame);

    std::uint64_t lines() const { return m_line; }
    std::uint64_t remoteFrames() const { return m_remote; }
    std::uint64_t fdFrames() const { return m_fd; }
    std::uint64_t errorFrames() const { return m_errorFrames; }
    // The time of the last frame line of any kind, or nothing before the first.
    bool hasTime() const { return m_hasTime; }
    std::int64_t lastTime() const { return m_lastTime; }

    static constexpr std::size_t kLongestLine = 4096;

private:
    bool nextLine(std::string_view& line);
    [[noreturn]] void fail(const std::string& reason) const;

    std::istream& m_in;
    std::string m_name;
    std::unique_ptr<char[]> m_buffer;
    std::size_t m_begin = 0; // first unread byte
    std::size_t m_end = 0;   // end of the bytes read
    bool m_eof = false;
    std::uint64_t m_line = 0;
    std::uint64_t m_remote = 0;
    std::uint64_t m_fd = 0;
    std::uint64_t m_errorFrames = 0;
    bool m_hasTime = false;
    std::int64_t m_lastTime = 0;
};

// Appends the frame as a log line ending in CR LF, upper-case hexadecimal.
void appendLogLine(std::string& out, const CanFrame& frame);

} // namespace ordane
