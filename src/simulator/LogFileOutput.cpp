#include "simulator/LogFileOutput.h"

#include "core/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kFlushAt = std::size_t(1) << 18;

[[noreturn]] void fail(const fs::path& target, int error) {
    throw Error("Cannot write '" + target.string() + "': " + std::strerror(error));
}

} // namespace

LogFileOutput::LogFileOutput(fs::path target) : m_target(std::move(target)) {
    const fs::path folder = m_target.has_parent_path() ? m_target.parent_path() : fs::path(".");
    std::string name = m_target.filename().string();
    if (name.size() > 64)
        name.resize(64);
    m_temporary = (folder / ("." + name + ".tmp-XXXXXX")).string();
    m_fd = ::mkstemp(m_temporary.data());
    if (m_fd < 0)
        fail(m_target, errno);
    m_buffer.reserve(kFlushAt + 256);
}

LogFileOutput::~LogFileOutput() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

void LogFileOutput::send(const CanFrame& frame) {
    appendLogLine(m_buffer, frame);
    ++m_frames;
    if (m_buffer.size() >= kFlushAt)
        flush();
}

void LogFileOutput::flush() {
    const char* data = m_buffer.data();
    std::size_t left = m_buffer.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            fail(m_target, errno);
        }
        data += written;
        left -= std::size_t(written);
    }
    m_buffer.clear();
}

void LogFileOutput::commit() {
    flush();
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    if (::fsync(m_fd) != 0)
        fail(m_target, errno);
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(m_temporary.c_str());
        fail(m_target, error);
    }
    if (::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        const int error = errno;
        ::unlink(m_temporary.c_str());
        fail(m_target, error);
    }
}

} // namespace ordane
