#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ordane {

// Writes the bytes to a temporary file in the target's folder and renames it over the
// target, so a failed write never leaves a damaged file. Throws Error with the reason.
void writeFileAtomically(const std::filesystem::path& target, std::string_view bytes);

// The same for a file made in pieces: the pieces go to a temporary file in the target's
// folder (created by the constructor), commit() syncs it and renames it over the target.
// Destroyed without commit(), it leaves nothing behind. Throws Error with the reason.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const std::filesystem::path& target);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void append(std::string_view bytes);
    // Writes out what is gathered and has the disk start on it without waiting; commit()
    // does this itself when it has not been done.
    void finishWriting();
    void commit();

private:
    [[noreturn]] void abandon(int error);
    void writeOut(const char* data, std::size_t size);
    void flush();

    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    int m_fd = -1;
    std::size_t m_total = 0;
    std::string m_buffer;
    bool m_finished = false;
};

// Several files, each replaced as writeFileAtomically does, together: all are written and
// handed to the disk before the first is synced, so the disk writes them at once instead of
// one after another. A file that cannot be written does not stop the others; the result
// holds, file by file in order, nothing or the reason (the Error's text).
std::vector<std::optional<std::string>>
writeFilesAtomically(const std::vector<std::pair<std::filesystem::path, std::string_view>>& files);

// Writes the bytes to `path`, unsynced, and removes the file again: whether its folder takes
// a file of that size now. Throws Error with the reason.
void tryWritingFile(const std::filesystem::path& path, std::string_view bytes);

// Test hook: every following atomic write fails with "No space left on device" once it
// has written `bytes` bytes, as a full disk would; nothing resets it but another call.
void failAtomicWritesAfterForTests(std::optional<std::size_t> bytes);

// Far more than any document, workbook or firmware template of the converter (its 24-bit
// address space gives S-record files of about 40 MB), and small enough that reading and
// parsing it stays within the memory of an ordinary machine.
inline constexpr std::uintmax_t kLargestReadableFile = std::uintmax_t(128) << 20;

// Reads a whole regular file; throws Error naming the file and the reason when it cannot
// be read, is no regular file (a folder, a device, a FIFO) or is larger than
// kLargestReadableFile.
std::string readWholeFile(const std::filesystem::path& path);

} // namespace ordane
