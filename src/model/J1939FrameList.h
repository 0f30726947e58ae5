#pragma once

#include "model/FrameReferences.h"
#include "documents/ProjectDocuments.h"
#include "model/DocumentModel.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ordane {

// The side value that the main window hands to the frame-list windows.
using FrameSide = Side;

// The J1939 frames that the converter receives (RCobDef.xml) or transmits (TCobDef.xml).
// A frame's number is its row, from 1. The list holds at least 100 rows of cell texts,
// more when a document or a workbook brings more; rows and columns count from 1 and a
// table ends at the first row whose key cell (column 1) is empty.
class J1939FrameList : public DocumentModel {
public:
    static constexpr int kGridRows = 100;

    explicit J1939FrameList(FrameSide side);

    FrameSide side() const { return m_side; }
    const char* documentName() const;
    const char* caption() const;
    // The data columns' titles and attributes, in order.
    const std::vector<std::string>& columnTitles() const;
    const std::vector<std::string>& attributes() const;
    int columnCount() const { return int(attributes().size()); }
    // The "Delete" check-box column of the received side; 0 on the other.
    int deleteColumn() const;

    int rowCount() const { return int(m_rows.size()); }
    const std::string& cell(int row, int column) const;
    // Grows the list when `row` lies beyond it.
    void setCell(int row, int column, std::string text);
    // The rows down to the first empty key cell.
    int tableRows() const;
    // The table rows' PGN and source address, by which the references follow the frames.
    std::vector<FrameIdentity> frameIdentities() const;

    // Back to 100 empty rows.
    void clear();

    // load(): clears, then reads the side's document from the project folder if it exists;
    // when it cannot be read the rows read before the problem stay.

    // Every failing check of the table, row by row ("Error in row 3!! The PGN must be
    // between 0x0000 and 0xFFFF"), each with its row.
    std::vector<Finding> failures() const override;
    // The first failing check of the first failing row, or nothing.
    std::optional<Finding> firstFinding() const;
    // The same as the row and what is wrong ("the PGN must be between 0x0000 and 0xFFFF"),
    // for a message that names the row by where it came from.
    std::optional<std::pair<int, std::string>> firstRowProblem() const;

    // Writes the side's document from the table rows. Throws Error.
    void save(const std::filesystem::path& projectFolder) const override;

    // Clears every cell, then fills rows 1, 2, ... from the records of the workbook's sheet
    // "rpdodef" (or of a .csv file). Throws Error when the workbook cannot be read, lacks
    // the sheet or has more rows than a document holds; the rows filled before then stay.
    void importWorkbook(const std::filesystem::path& workbook);
    // Writes rpdodef.csv from the table rows' first two columns. Throws Error.
    void exportCsv(const std::filesystem::path& projectFolder) const;

protected:
    void read(const std::filesystem::path& projectFolder) override;

private:
    std::vector<Finding> check(bool firstOnly) const;
    // Row and position in the side's checks of each failing check.
    std::vector<std::pair<int, std::size_t>> failingChecks(bool firstOnly) const;

    FrameSide m_side;
    void readRows(const std::filesystem::path& file);

    std::vector<std::vector<std::string>> m_rows;
    std::string m_documentName;
};

} // namespace ordane
