#include "AtomicFile.h"

#include "Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::optional<std::size_t> g_failAfter;

[[noreturn]] void fail(const fs::path& target, int error) {
    throw Error("Cannot write '" + target.string() + "': " + std::strerror(error));
}

} // namespace

void failAtomicWritesAfterForTests(std::optional<std::size_t> bytes) {
    g_failAfter = bytes;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / ("." + target.filename().string() + ".tmp-XXXXXX")).string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        fail(target, errno);

    auto abandon = [&](int error) {
        ::close(fd);
        ::unlink(pattern.c_str());
        fail(target, error);
    };

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    std::size_t total = 0;
    while (left > 0) {
        std::size_t chunk = left;
        if (g_failAfter) {
            if (total >= *g_failAfter)
                abandon(ENOSPC);
            chunk = std::min(chunk, *g_failAfter - total);
        }
        const ssize_t written = ::write(fd, data, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        data += written;
        total += static_cast<std::size_t>(written);
        left -= static_cast<std::size_t>(written);
    }
    // mkstemp creates 0600; give the file the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::fsync(fd) != 0)
        abandon(errno);
    if (::close(fd) != 0) {
        const int error = errno;
        ::unlink(pattern.c_str());
        fail(target, error);
    }
    if (::rename(pattern.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(pattern.c_str());
        fail(target, error);
    }
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw Error("Cannot read '" + path.string() + "'");
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad())
        throw Error("Cannot read '" + path.string() + "'");
    return std::move(buffer).str();
}

} // namespace ordane
