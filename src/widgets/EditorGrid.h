#pragma once

#include <QStringList>
#include <QTableWidget>

#include <string>

namespace ordane {

// The editors' grid: a fixed header row, a fixed column "N" with the row numbers 1..n,
// and editable text cells. A column may be a check-box column storing "Y"/"N" (empty for
// a box never touched), or a drop-down column whose entries are set at run time.
// Rows and columns below are counted as the editors count them: data row 1..n, data
// column 1..m (column 0 is "N").
class EditorGrid : public QTableWidget {
    Q_OBJECT
public:
    EditorGrid(int dataRows, const QStringList& headers, QWidget* parent = nullptr);

    int dataRows() const { return rowCount(); }
    int dataColumns() const { return columnCount() - 1; }

    void setCheckColumn(int column);
    void setChoiceColumn(int column, const QStringList& entries);
    void setChoices(int column, const QStringList& entries);
    QStringList choices(int column) const;

    // Empties every data cell and writes 1..n into column "N".
    void clearData();

    std::string cell(int row, int column) const;
    void setCell(int row, int column, const std::string& text);

    bool isCheckColumn(int column) const { return column == m_checkColumn; }
    bool isChoiceColumn(int column) const { return column == m_choiceColumn; }

private:
    int m_checkColumn = -1;
    int m_choiceColumn = -1;
    QStringList m_choices;
};

} // namespace ordane
