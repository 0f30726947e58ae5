#include "WorkbookImport.h"

#include "DocumentFiles.h"
#include "core/AtomicFile.h"
#include "core/Error.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#ifdef ORDANE_XLS_IMPORT
#include <freexl.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace ordane {

namespace fs = std::filesystem;

namespace {

#ifdef ORDANE_XLS_IMPORT
std::string freexlReason(int code) {
    switch (code) {
    case FREEXL_FILE_NOT_FOUND:
        return "the file does not exist or cannot be opened";
    case FREEXL_INSUFFICIENT_MEMORY:
        return "not enough memory";
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_CFBF_INVALID_SIGNATURE:
        return "it is not an Excel (.xls) workbook";
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
        return "it holds no workbook";
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return "its text cannot be read";
    default:
        return "the workbook is damaged (code " + std::to_string(code) + ")";
    }
}

[[noreturn]] void unreadable(const fs::path& workbook, int code) {
    throw Error("Cannot read the workbook '" + workbook.string() + "': " + freexlReason(code));
}

struct Workbook {
    const void* handle = nullptr;
    ~Workbook() { freexl_close(handle); }
};

std::string cellText(const FreeXL_CellValue& cell) {
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return std::to_string(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberCellText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value ? std::string(cell.value.text_value) : std::string();
    default:
        return {};
    }
}

void readXlsHere(const fs::path& workbook, std::size_t fields,
                 const std::function<void(const SheetRecord&)>& record) {
    Workbook book;
    // FreeXL wants its handle closed even when opening failed.
    if (int code = freexl_open(workbook.c_str(), &book.handle); code != FREEXL_OK)
        unreadable(workbook, code);

    unsigned int sheets = 0;
    if (int code = freexl_get_info(book.handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
        code != FREEXL_OK)
        unreadable(workbook, code);
    bool found = false;
    for (unsigned short index = 0; index < sheets && !found; ++index) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(book.handle, index, &name) != FREEXL_OK || !name)
            continue;
        if (equalsIgnoringCase(name, kFrameSheetName)) {
            if (int code = freexl_select_active_worksheet(book.handle, index); code != FREEXL_OK)
                unreadable(workbook, code);
            found = true;
        }
    }
    if (!found)
        throw Error("The workbook '" + workbook.string() + "' has no sheet \"" + kFrameSheetName +
                    "\"");

    unsigned int rows = 0;
    unsigned short columns = 0;
    if (int code = freexl_worksheet_dimensions(book.handle, &rows, &columns); code != FREEXL_OK)
        unreadable(workbook, code);
    const std::size_t used = std::min<std::size_t>(fields, columns);
    for (unsigned int row = 1; row < rows; ++row) {
        SheetRecord texts;
        for (unsigned short column = 0; column < used; ++column) {
            FreeXL_CellValue cell{};
            if (int code = freexl_get_cell_value(book.handle, row, column, &cell);
                code != FREEXL_OK)
                unreadable(workbook, code);
            texts.push_back(cellText(cell));
        }
        record(texts);
    }
}

// FreeXL reads past its buffers on some damaged workbooks (found by fuzzing), so it reads
// in a child process: such a workbook costs the import, never the program. The child sends
// each record as 'R', the field count and each field as length and bytes; then 'E' at the
// end, or 'X' and the text of the Error that stopped it. Counts and lengths are native
// 32-bit numbers. The stream is checked as it is read: a damaged child may send anything.
constexpr std::uint32_t kLongestCellText = 1u << 20;
constexpr rlim_t kReaderSeconds = 60; // of processor time; a real workbook takes well under one
constexpr std::size_t kPipeChunk = 64 * 1024; // written and read at a time

class ChildStream {
public:
    explicit ChildStream(int fd) : m_fd(fd) {}

    void bytes(const void* data, std::size_t size) {
        m_buffer.append(static_cast<const char*>(data), size);
        if (m_buffer.size() >= kPipeChunk)
            flush();
    }
    void number(std::uint32_t value) { bytes(&value, sizeof value); }
    void text(std::string_view text) {
        number(std::uint32_t(text.size()));
        bytes(text.data(), text.size());
    }
    void flush() {
        const char* next = m_buffer.data();
        std::size_t size = m_buffer.size();
        while (size > 0) {
            const ssize_t written = ::write(m_fd, next, size);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                ::_exit(1); // the parent has gone
            next += written;
            size -= std::size_t(written);
        }
        m_buffer.clear();
    }

private:
    int m_fd;
    std::string m_buffer;
};

[[noreturn]] void readInChild(int fd, const fs::path& workbook, std::size_t fields) {
    const rlimit limit{kReaderSeconds, kReaderSeconds};
    ::setrlimit(RLIMIT_CPU, &limit);
    ChildStream out(fd);
    try {
        readXlsHere(workbook, fields, [&](const SheetRecord& record) {
            out.bytes("R", 1);
            out.number(std::uint32_t(record.size()));
            for (const std::string& field : record)
                out.text(field.substr(0, kLongestCellText));
        });
        out.bytes("E", 1);
    } catch (const Error& e) {
        out.bytes("X", 1);
        out.text(e.what());
    } catch (...) {
        ::_exit(1);
    }
    out.flush();
    ::_exit(0);
}

// The parent's end: reads the child's stream and reaps the child however the reading ends.
class ReaderChild {
public:
    ReaderChild(pid_t pid, int fd)
        : m_pid(pid), m_fd(fd),
          m_deadline(std::chrono::steady_clock::now() + std::chrono::seconds(kReaderSeconds)) {}
    ~ReaderChild() {
        ::close(m_fd);
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            reap();
        }
    }
    ReaderChild(const ReaderChild&) = delete;
    ReaderChild& operator=(const ReaderChild&) = delete;

    bool bytes(void* data, std::size_t size) {
        char* next = static_cast<char*>(data);
        while (size > 0) {
            if (m_start == m_buffer.size() && !fill())
                return false;
            const std::size_t part = std::min(size, m_buffer.size() - m_start);
            std::memcpy(next, m_buffer.data() + m_start, part);
            m_start += part;
            next += part;
            size -= part;
        }
        return true;
    }
    std::optional<std::uint32_t> number() {
        std::uint32_t value = 0;
        return bytes(&value, sizeof value) ? std::optional(value) : std::nullopt;
    }
    std::optional<std::string> text() {
        const auto size = number();
        if (!size || *size > kLongestCellText)
            return std::nullopt;
        std::string result(*size, '\0');
        return bytes(result.data(), result.size()) ? std::optional(std::move(result))
                                                   : std::nullopt;
    }
    void reap() {
        int status = 0;
        while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
        }
        m_pid = -1;
    }

private:
    bool fill() {
        m_buffer.resize(kPipeChunk);
        m_start = 0;
        for (;;) {
            // A child that stops sending (stuck on a lock it inherited, say) ends the reading
            // at the deadline instead of hanging the window.
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                m_deadline - std::chrono::steady_clock::now());
            pollfd ready{m_fd, POLLIN, 0};
            const int polled = left.count() > 0 ? ::poll(&ready, 1, int(left.count())) : 0;
            if (polled < 0 && errno == EINTR)
                continue;
            const ssize_t got = polled > 0 ? ::read(m_fd, m_buffer.data(), m_buffer.size()) : 0;
            if (got < 0 && errno == EINTR)
                continue;
            m_buffer.resize(got > 0 ? std::size_t(got) : 0);
            return got > 0;
        }
    }

    pid_t m_pid;
    int m_fd;
    std::chrono::steady_clock::time_point m_deadline;
    std::string m_buffer;
    std::size_t m_start = 0;
};

void readXls(const fs::path& workbook, std::size_t fields,
             const std::function<void(const SheetRecord&)>& record) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Error("Cannot read the workbook '" + workbook.string() +
                    "': " + std::strerror(errno));
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(fds[0]);
        readInChild(fds[1], workbook, fields);
    }
    const int error = errno;
    ::close(fds[1]);
    if (pid < 0) {
        ::close(fds[0]);
        throw Error("Cannot read the workbook '" + workbook.string() +
                    "': " + std::strerror(error));
    }

    ReaderChild child(pid, fds[0]);
    for (;;) {
        char kind = 0;
        if (!child.bytes(&kind, 1))
            break;
        if (kind == 'E') {
            child.reap();
            return;
        }
        if (kind == 'X') {
            const std::optional<std::string> refusal = child.text();
            if (!refusal)
                break;
            throw Error(*refusal);
        }
        const std::optional<std::uint32_t> count = kind == 'R' ? child.number() : std::nullopt;
        if (!count || *count > fields)
            break;
        SheetRecord texts;
        for (std::uint32_t f = 0; f < *count; ++f) {
            std::optional<std::string> text = child.text();
            if (!text)
                break;
            texts.push_back(std::move(*text));
        }
        if (texts.size() != *count)
            break;
        record(texts);
    }
    throw Error("Cannot read the workbook '" + workbook.string() + "': the workbook is damaged");
}
#else
// FreeXL is not built for this platform (it needs iconv).
void readXls(const fs::path& workbook, std::size_t,
             const std::function<void(const SheetRecord&)>&) {
    throw Error("Cannot read the workbook '" + workbook.string() +
                "': this build reads no .xls workbooks; save the sheet \"" + kFrameSheetName +
                "\" as CSV (.csv) and import that file");
}
#endif

bool isCsv(const fs::path& workbook) {
    return equalsIgnoringCase(workbook.extension().string(), ".csv");
}

} // namespace

std::string numberCellText(double value) {
    char buffer[512];
    std::to_chars_result result;
    if (value == 0)
        return "0"; // also for -0
    if (std::isfinite(value) && value == std::floor(value))
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    else
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::vector<SheetRecord> csvRecords(std::string_view text) {
    std::vector<SheetRecord> lines;
    SheetRecord fieldsOfLine;
    std::string field;
    bool quoted = false;
    bool lineHasContent = false;
    auto endField = [&] {
        fieldsOfLine.push_back(std::move(field));
        field.clear();
    };
    auto endLine = [&] {
        endField();
        lines.push_back(std::move(fieldsOfLine));
        fieldsOfLine.clear();
        lineHasContent = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"' && field.empty()) {
            quoted = true;
            lineHasContent = true;
        } else if (c == ',') {
            endField();
            lineHasContent = true;
        } else if (c == '\n') {
            if (!field.empty() && field.back() == '\r')
                field.pop_back();
            endLine();
        } else {
            field += c;
            lineHasContent = true;
        }
    }
    if (lineHasContent)
        endLine();
    if (!lines.empty())
        lines.erase(lines.begin()); // the title line
    return lines;
}

void readFrameSheet(const fs::path& workbook, std::size_t fields,
                    const std::function<void(const SheetRecord&)>& record) {
    if (!isCsv(workbook)) {
        readXls(workbook, fields, record);
        return;
    }
    const std::string text = readWholeFile(workbook);
    // No document can hold a NUL: a cell with one would be saved cut short. Such a file is
    // no text (UTF-16, or damaged), so it is refused whole.
    if (text.find('\0') != std::string::npos)
        throw Error("Cannot read the workbook '" + workbook.string() +
                    "': its text cannot be read");
    for (SheetRecord& line : csvRecords(text)) {
        if (line.size() > fields)
            line.resize(fields);
        record(line);
    }
}

} // namespace ordane
