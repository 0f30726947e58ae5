#include "AtomicFile.h"

#include "Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::optional<std::size_t> g_failAfter;

const char* const kTooLarge = "the file is larger than 128 MB";

[[noreturn]] void fail(const fs::path& target, int error) {
    throw Error("Cannot write '" + target.string() + "': " + std::strerror(error));
}

// The temporary file's name: the target's, cut so that the whole still fits a folder entry
// (255 bytes) whatever the target's length, and never in the middle of a UTF-8 letter.
std::string temporaryName(const fs::path& target) {
    std::string name = target.filename().string();
    constexpr std::size_t kKept = 64;
    if (name.size() > kKept) {
        std::size_t cut = kKept;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80)
            --cut;
        name.resize(cut);
    }
    return "." + name + ".tmp-XXXXXX";
}

} // namespace

void failAtomicWritesAfterForTests(std::optional<std::size_t> bytes) {
    g_failAfter = bytes;
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string pattern = (folder / temporaryName(target)).string();
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
    auto failure = [&](const std::string& reason) {
        return Error("Cannot read '" + path.string() + "': " + reason);
    };
    // Not blocking, so that a FIFO in the way is refused instead of waited on.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        throw failure(std::strerror(errno));
    const struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throw failure(std::strerror(errno));
    // Only a regular file has an end: a device or a pipe may never stop giving bytes.
    if (!S_ISREG(info.st_mode))
        throw failure(S_ISDIR(info.st_mode) ? "it is a folder" : "it is not a regular file");
    if (std::uintmax_t(info.st_size) > kLargestReadableFile)
        throw failure(kTooLarge);

    std::string text;
    text.reserve(std::size_t(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw failure(std::strerror(errno));
        }
        if (got == 0)
            return text;
        // The file may grow while it is read.
        if (text.size() + std::size_t(got) > kLargestReadableFile)
            throw failure(kTooLarge);
        text.append(buffer, std::size_t(got));
    }
}

} // namespace ordane
