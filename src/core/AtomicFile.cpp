#include "AtomicFile.h"

#include "Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
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

namespace {

// Pieces smaller than this are gathered before they are written; larger ones go straight.
constexpr std::size_t kGathered = std::size_t(64) << 10;

} // namespace

AtomicFileWriter::AtomicFileWriter(const fs::path& target) : m_target(target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    m_temporary = (folder / temporaryName(target)).string();
    m_fd = ::mkstemp(m_temporary.data());
    if (m_fd < 0)
        fail(target, errno);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) {
        ::close(m_fd);
        ::unlink(m_temporary.c_str());
    }
}

void AtomicFileWriter::abandon(int error) {
    ::close(m_fd);
    m_fd = -1;
    ::unlink(m_temporary.c_str());
    fail(m_target, error);
}

void AtomicFileWriter::writeOut(const char* data, std::size_t left) {
    while (left > 0) {
        std::size_t chunk = left;
        if (g_failAfter) {
            if (m_total >= *g_failAfter)
                abandon(ENOSPC);
            chunk = std::min(chunk, *g_failAfter - m_total);
        }
        const ssize_t written = ::write(m_fd, data, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        data += written;
        m_total += static_cast<std::size_t>(written);
        left -= static_cast<std::size_t>(written);
    }
}

void AtomicFileWriter::flush() {
    writeOut(m_buffer.data(), m_buffer.size());
    m_buffer.clear();
}

void AtomicFileWriter::append(std::string_view bytes) {
    if (m_buffer.size() + bytes.size() <= kGathered) {
        if (m_buffer.capacity() < kGathered)
            m_buffer.reserve(kGathered);
        m_buffer.append(bytes);
        return;
    }
    flush();
    if (bytes.size() >= kGathered)
        writeOut(bytes.data(), bytes.size());
    else
        m_buffer.append(bytes);
}

void AtomicFileWriter::finishWriting() {
    if (m_finished)
        return;
    flush();
    // mkstemp creates 0600; give the file the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    // Only a start: fsync in commit() waits for the end and reports any failure.
    ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
    m_finished = true;
}

void AtomicFileWriter::commit() {
    finishWriting();
    if (::fsync(m_fd) != 0)
        abandon(errno);
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

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    AtomicFileWriter writer(target);
    writer.append(bytes);
    writer.commit();
}

std::vector<std::optional<std::string>>
writeFilesAtomically(const std::vector<std::pair<fs::path, std::string_view>>& files) {
    std::vector<std::optional<std::string>> failures(files.size());
    std::vector<std::unique_ptr<AtomicFileWriter>> writers(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        try {
            writers[i] = std::make_unique<AtomicFileWriter>(files[i].first);
            writers[i]->append(files[i].second);
            writers[i]->finishWriting();
        } catch (const Error& e) {
            writers[i].reset();
            failures[i] = e.what();
        }
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!writers[i])
            continue;
        try {
            writers[i]->commit();
        } catch (const Error& e) {
            failures[i] = e.what();
        }
    }
    return failures;
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
