#include "model/J1939FrameList.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/CsvExport.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocument.h"
#include "documents/WorkbookImport.h"

namespace ordane {

namespace fs = std::filesystem;

namespace {

struct ColumnCheck {
    int column;
    int low;
    int high;
    const char* text;
    const char* plain; // the same, to follow the name of what the row came from
};

const std::vector<ColumnCheck>& checksOf(FrameSide side) {
    static const std::vector<ColumnCheck> received = {
        {1, 0, 65535, "!! The PGN must be between 0x0000 and 0xFFFF",
         "the PGN must be between 0x0000 and 0xFFFF"},
        {2, 0, 253, "!! The ID Device must to be between 0 and 253",
         "the ID Device must be between 0 and 253"},
    };
    static const std::vector<ColumnCheck> transmitted = {
        {1, 0, 7, "!! The Priority of J1939 frame must be between 0 and 7",
         "the Priority must be between 0 and 7"},
        {2, 0, 1, "!! The Data Page of J1939 frame must be or 0 or 1",
         "the Data Page must be 0 or 1"},
        {3, 0, 65535, "!! The PGN must be between 0x0000 and 0xFFFF",
         "the PGN must be between 0x0000 and 0xFFFF"},
        {4, 0, 253, "!! The ID Device must be between 0 and 253",
         "the ID Device must be between 0 and 253"},
    };
    return side == FrameSide::Received ? received : transmitted;
}

const std::string kEmpty;

} // namespace

J1939FrameList::J1939FrameList(FrameSide side)
    : m_side(side), m_documentName(documents::frames(side).fileName) {
    clear();
}

const char* J1939FrameList::documentName() const {
    return documents::frames(m_side).fileName.data();
}

const char* J1939FrameList::caption() const {
    return m_side == FrameSide::Received ? "Receive J1939 Frame" : "Transmit J1939 Frame";
}

const std::vector<std::string>& J1939FrameList::columnTitles() const {
    static const std::vector<std::string> received = {"PGN", "ID Device", "Delete", "Mnemonic"};
    static const std::vector<std::string> transmitted = {"Priority", "Data Page", "PGN",
                                                         "ID Device", "Mnemonic"};
    return m_side == FrameSide::Received ? received : transmitted;
}

const std::vector<std::string>& J1939FrameList::attributes() const {
    static const auto names = [](Side side) {
        const auto fields = documents::frames(side).fields;
        return std::vector<std::string>(fields.begin(), fields.end());
    };
    static const std::vector<std::string> received = names(Side::Received);
    static const std::vector<std::string> transmitted = names(Side::Transmitted);
    return m_side == FrameSide::Received ? received : transmitted;
}

int J1939FrameList::deleteColumn() const {
    return m_side == FrameSide::Received ? 3 : 0;
}

const std::string& J1939FrameList::cell(int row, int column) const {
    if (row < 1 || row > rowCount() || column < 1 || column > columnCount())
        return kEmpty;
    return m_rows[std::size_t(row - 1)][std::size_t(column - 1)];
}

void J1939FrameList::setCell(int row, int column, std::string text) {
    if (row < 1 || column < 1 || column > columnCount())
        return;
    if (row > rowCount())
        m_rows.resize(std::size_t(row), std::vector<std::string>(std::size_t(columnCount())));
    m_rows[std::size_t(row - 1)][std::size_t(column - 1)] = std::move(text);
}

std::vector<FrameIdentity> J1939FrameList::frameIdentities() const {
    const int pgn = m_side == FrameSide::Received ? 1 : 3;
    std::vector<FrameIdentity> frames;
    for (int row = 1; row <= tableRows(); ++row)
        frames.push_back(frameIdentity(cell(row, pgn), cell(row, pgn + 1)));
    return frames;
}

int J1939FrameList::tableRows() const {
    int rows = 0;
    while (rows < rowCount() && !m_rows[std::size_t(rows)][0].empty())
        ++rows;
    return rows;
}

void J1939FrameList::clear() {
    m_rows.assign(kGridRows, std::vector<std::string>(std::size_t(columnCount())));
}

void J1939FrameList::read(const fs::path& projectFolder) {
    clear();
    const fs::path file = documentPath(projectFolder, documentName());
    m_documentName = file.filename().string();
    if (!fs::is_regular_file(file))
        return;
    readStep(m_documentName, [&] { readRows(file); });
}

void J1939FrameList::readRows(const fs::path& file) {
    ProjectDocument document;
    document.load(file);
    const std::vector<std::string>& names = attributes();
    for (const DocumentRow& row :
         document.rows(document.root(documents::frames(m_side).rootName))) {
        // A row lacking an attribute is not shown in part.
        std::vector<std::string> texts;
        for (int column = 1; column <= columnCount(); ++column) {
            const std::string& name = names[std::size_t(column - 1)];
            texts.push_back(column == deleteColumn() ? row.attribute(name, "N")
                                                     : row.attribute(name));
        }
        for (int column = 1; column <= columnCount(); ++column)
            setCell(row.number(), column, std::move(texts[std::size_t(column - 1)]));
    }
}

std::vector<std::pair<int, std::size_t>> J1939FrameList::failingChecks(bool firstOnly) const {
    std::vector<std::pair<int, std::size_t>> result;
    const std::vector<ColumnCheck>& checks = checksOf(m_side);
    const int rows = tableRows();
    for (int row = 1; row <= rows; ++row) {
        for (std::size_t k = 0; k < checks.size(); ++k) {
            const ColumnCheck& c = checks[k];
            const int value = parseInteger(cell(row, c.column), -1);
            if (value >= c.low && value <= c.high)
                continue;
            result.emplace_back(row, k);
            if (firstOnly)
                return result;
        }
    }
    return result;
}

std::vector<Finding> J1939FrameList::check(bool firstOnly) const {
    std::vector<Finding> result;
    for (const auto& [row, k] : failingChecks(firstOnly))
        result.push_back(
            {m_documentName, 0, "Error in row " + std::to_string(row) + checksOf(m_side)[k].text});
    return result;
}

std::optional<std::pair<int, std::string>> J1939FrameList::firstRowProblem() const {
    const auto first = failingChecks(true);
    if (first.empty())
        return std::nullopt;
    return std::pair{first[0].first, std::string(checksOf(m_side)[first[0].second].plain)};
}

std::optional<Finding> J1939FrameList::firstFinding() const {
    std::vector<Finding> first = check(true);
    if (first.empty())
        return std::nullopt;
    return first.front();
}

std::vector<Finding> J1939FrameList::failures() const {
    return check(false);
}

void J1939FrameList::save(const fs::path& projectFolder) const {
    ProjectDocument document;
    document.create(documents::frames(m_side).rootName);
    const std::vector<std::string>& names = attributes();
    const int rows = tableRows();
    for (int row = 1; row <= rows; ++row) {
        std::vector<ProjectDocument::Pair> pairs;
        for (int column = 1; column <= columnCount(); ++column)
            pairs.emplace_back(names[std::size_t(column - 1)], cell(row, column));
        document.appendRow(pairs);
    }
    document.save(documentPath(projectFolder, documentName()));
}

void J1939FrameList::importWorkbook(const fs::path& workbook) {
    clear();
    int row = 0;
    readFrameSheet(workbook, std::size_t(columnCount()), [&](const SheetRecord& record) {
        // The rows read so far stay, as after any other failure of an import.
        if (std::size_t(row) == ProjectDocument::kMostRows)
            throw Error("The workbook '" + workbook.string() + "' has more than " +
                        std::to_string(ProjectDocument::kMostRows) + " rows");
        ++row;
        for (std::size_t field = 0; field < record.size(); ++field)
            setCell(row, int(field) + 1, record[field]);
    });
}

void J1939FrameList::exportCsv(const fs::path& projectFolder) const {
    std::vector<std::pair<std::string, std::string>> lines;
    const int rows = tableRows();
    for (int row = 1; row <= rows; ++row)
        lines.emplace_back(cell(row, 1), cell(row, 2));
    writeFrameCsv(projectFolder, lines);
}

} // namespace ordane
