#include "AtomicFile.h"

#include "Error.h"
#include "Utf8.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <random>
#include <share.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::optional<std::size_t> g_failAfter;

const char* const kTooLarge = "the file is larger than 128 MB";

[[noreturn]] void fail(const fs::path& target, const std::string& reason) {
    throw Error("Cannot write '" + target.string() + "': " + reason);
}

[[noreturn]] void fail(const fs::path& target, int error) {
    fail(target, std::strerror(error));
}

// What differs between the systems: file descriptors of the C runtime on both, opened in
// binary mode on Windows (no CR LF translation) by their wide-character names.
namespace io {
#ifdef _WIN32
using Size = int;

int openForReading(const fs::path& path) {
    return ::_wsopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO);
}

int createOrTruncate(const fs::path& path) {
    return ::_wsopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
                     _SH_DENYNO, _S_IREAD | _S_IWRITE);
}

// Creates `prefix` followed by six random letters, as mkstemp does; sets `name`.
int createUnique(const fs::path& folder, const std::string& prefix, fs::path& name) {
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix;
        for (int i = 0; i < 6; ++i)
            candidate += kLetters[random() % (sizeof kLetters - 1)];
        name = folder / pathFromUtf8(candidate);
        const int fd =
            ::_wsopen(name.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                      _SH_DENYRW, _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The C runtime reports a full disk as "Invalid argument" (it knows no ERROR_DISK_FULL), so
// writes and syncs go to Windows itself.
int errnoOf(DWORD code) {
    switch (code) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    default:
        return EIO;
    }
}

Size writeSome(int fd, const char* data, std::size_t size) {
    DWORD written = 0;
    if (::WriteFile(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)), data,
                    DWORD(std::min<std::size_t>(size, 1u << 30)), &written, nullptr))
        return Size(written);
    errno = errnoOf(::GetLastError());
    return -1;
}
Size readSome(int fd, char* data, std::size_t size) {
    return ::_read(fd, data, unsigned(size));
}
int sync(int fd) {
    if (::FlushFileBuffers(reinterpret_cast<HANDLE>(::_get_osfhandle(fd))))
        return 0;
    errno = errnoOf(::GetLastError());
    return -1;
}
int close(int fd) {
    return ::_close(fd);
}
void remove(const fs::path& path) {
    ::_wunlink(path.c_str());
}

std::string windowsReason(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring wide = length ? std::wstring(text, length) : std::wstring();
    ::LocalFree(text);
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L'.'))
        wide.pop_back();
    return wide.empty() ? "Windows error " + std::to_string(code) : utf8Text(fs::path(wide));
}

// Replaces `target` by `temporary`; the reason when it cannot. A program that holds the
// target open (a text editor, a spreadsheet, the flash tool) keeps it from being replaced,
// and so does its read-only attribute, which Windows programs leave alone.
std::optional<std::string> replace(const fs::path& temporary, const fs::path& target) {
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return "it is a folder";
        if (attributes & FILE_ATTRIBUTE_READONLY)
            return "the file is read-only";
    }
    if (::MoveFileExW(temporary.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return std::nullopt;
    const DWORD code = ::GetLastError();
    if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
        (code == ERROR_ACCESS_DENIED && attributes != INVALID_FILE_ATTRIBUTES))
        return "another program has the file open; close it there and try again";
    return windowsReason(code);
}

// Why a file could not be opened for reading: the C runtime says "Permission denied" for a
// file that another program holds without letting others read it.
std::string openReason(int error) {
    if (error == EACCES &&
        (_doserrno == ERROR_SHARING_VIOLATION || _doserrno == ERROR_LOCK_VIOLATION))
        return "another program has the file open and lets no one read it";
    return std::strerror(error);
}
#else
using Size = ssize_t;

int openForReading(const fs::path& path) {
    // Not blocking, so that a FIFO in the way is refused instead of waited on.
    return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
}

int createOrTruncate(const fs::path& path) {
    return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
}

int createUnique(const fs::path& folder, const std::string& prefix, fs::path& name) {
    std::string pattern = (folder / (prefix + "XXXXXX")).native();
    const int fd = ::mkstemp(pattern.data());
    name = pattern;
    return fd;
}

Size writeSome(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}
Size readSome(int fd, char* data, std::size_t size) {
    return ::read(fd, data, size);
}
int sync(int fd) {
    return ::fsync(fd);
}
int close(int fd) {
    return ::close(fd);
}
void remove(const fs::path& path) {
    ::unlink(path.c_str());
}

std::optional<std::string> replace(const fs::path& temporary, const fs::path& target) {
    if (::rename(temporary.c_str(), target.c_str()) == 0)
        return std::nullopt;
    return std::string(std::strerror(errno));
}

std::string openReason(int error) {
    return std::strerror(error);
}
#endif
} // namespace io

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
    return "." + name + ".tmp-";
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
    m_fd = io::createUnique(folder, temporaryName(target), m_temporary);
    if (m_fd < 0)
        fail(target, errno);
}

AtomicFileWriter::~AtomicFileWriter() {
    if (m_fd >= 0) {
        io::close(m_fd);
        io::remove(m_temporary);
    }
}

void AtomicFileWriter::abandon(int error) {
    io::close(m_fd);
    m_fd = -1;
    io::remove(m_temporary);
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
        const io::Size written = io::writeSome(m_fd, data, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            abandon(errno);
        }
        if (written == 0)
            abandon(ENOSPC);
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
#ifndef _WIN32
    // mkstemp creates 0600; give the file the usual permissions of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(m_fd, 0666 & ~mask);
    // Only a start: fsync in commit() waits for the end and reports any failure.
    ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
    m_finished = true;
}

void AtomicFileWriter::commit() {
    finishWriting();
    if (io::sync(m_fd) != 0)
        abandon(errno);
    const int fd = m_fd;
    m_fd = -1;
    if (io::close(fd) != 0) {
        const int error = errno;
        io::remove(m_temporary);
        fail(m_target, error);
    }
    if (const std::optional<std::string> reason = io::replace(m_temporary, m_target)) {
        io::remove(m_temporary);
        fail(m_target, *reason);
    }
}

void writeFileAtomically(const fs::path& target, std::string_view bytes) {
    AtomicFileWriter writer(target);
    writer.append(bytes);
    writer.commit();
}

void tryWritingFile(const fs::path& path, std::string_view bytes) {
    const int fd = io::createOrTruncate(path);
    int error = fd < 0 ? errno : 0;
    if (fd >= 0) {
        // A short write is retried so that the second one names the reason (a full disk,
        // the file size limit).
        for (std::size_t done = 0; done < bytes.size() && error == 0;) {
            const io::Size written = io::writeSome(fd, bytes.data() + done, bytes.size() - done);
            if (written > 0)
                done += std::size_t(written);
            else if (written < 0 && errno != EINTR)
                error = errno;
            else if (written == 0)
                error = ENOSPC;
        }
        io::close(fd);
        io::remove(path);
    }
    if (error != 0)
        fail(path, error);
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
#ifdef _WIN32
    // Windows opens no folder as a file.
    std::error_code ec;
    if (fs::is_directory(path, ec))
        throw failure("it is a folder");
    struct _stat64 info {};
    const auto statOf = [](int fd, struct _stat64* i) { return ::_fstat64(fd, i); };
    const auto isRegular = [](unsigned mode) { return (mode & _S_IFMT) == _S_IFREG; };
    const auto isFolder = [](unsigned mode) { return (mode & _S_IFMT) == _S_IFDIR; };
#else
    struct stat info {};
    const auto statOf = [](int fd, struct stat* i) { return ::fstat(fd, i); };
    const auto isRegular = [](mode_t mode) { return S_ISREG(mode); };
    const auto isFolder = [](mode_t mode) { return S_ISDIR(mode); };
#endif
    const int fd = io::openForReading(path);
    if (fd < 0)
        throw failure(io::openReason(errno));
    const struct Closer {
        int fd;
        ~Closer() { io::close(fd); }
    } closer{fd};
    if (statOf(fd, &info) != 0)
        throw failure(std::strerror(errno));
    // Only a regular file has an end: a device or a pipe may never stop giving bytes.
    if (!isRegular(info.st_mode))
        throw failure(isFolder(info.st_mode) ? "it is a folder" : "it is not a regular file");
    if (std::uintmax_t(info.st_size) > kLargestReadableFile)
        throw failure(kTooLarge);

    std::string text;
    text.reserve(std::size_t(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        const io::Size got = io::readSome(fd, buffer, sizeof buffer);
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
