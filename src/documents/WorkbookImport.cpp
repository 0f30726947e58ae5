#include "WorkbookImport.h"

#include "AtomicFile.h"
#include "DocumentFiles.h"
#include "Error.h"

#include <freexl.h>

#include <charconv>
#include <cmath>
#include <memory>

namespace ordane {

namespace fs = std::filesystem;

namespace {

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

void readXls(const fs::path& workbook, std::size_t fields,
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
    for (SheetRecord& line : csvRecords(readWholeFile(workbook))) {
        if (line.size() > fields)
            line.resize(fields);
        record(line);
    }
}

} // namespace ordane
