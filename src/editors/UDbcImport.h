#pragma once

#include "model/DbcImport.h"
#include "widgets/Services.h"

#include <QAbstractTableModel>
#include <QDialog>

#include <filesystem>
#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace ordane {

// The messages of a DBC file as a table with a check box per importable message; shows
// the rows that the selection's filter leaves.
class DbcSelectionModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Check, Name, Pgn, Source, Priority, Transmitter, Signals, Note, ColumnCount };

    void setSelection(DbcSelection* selection);
    DbcSelection* selection() const { return m_selection; }
    // The selection's row shown at `row`.
    std::size_t selectionRow(int row) const;
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

signals:
    void checksChanged();

private:
    DbcSelection* m_selection = nullptr;
};

// The selection dialog of the DBC import: which messages become frames of the list, and
// whether their signals become the side's SDO mapping. Nothing is written here; the frame
// list window takes the choice when this dialog is accepted.
class TFDbcImport : public QDialog {
    Q_OBJECT
public:
    TFDbcImport(const AppServices& services, QWidget* parent = nullptr);

    // The selection to edit, the project it is for and the entries the side's SDO mapping
    // holds (asked about before they are replaced).
    void setSelection(DbcSelection* selection, const std::filesystem::path& projectFolder,
                      std::size_t existingEntries);
    DbcSelectionModel* model() const { return m_model; }
    QTableView* table() const { return m_table; }

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();
    void SelectAllClick();
    void SelectNoneClick();
    void FilterChange(const QString& text);
    void MapSignalsClick(bool on);
    void SourceAddressChange(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void updateSummary();
    void showSignals();

    const AppServices& m_services;
    DbcSelectionModel* m_model;
    DbcSelection* m_selection = nullptr;
    std::filesystem::path m_projectFolder;
    std::size_t m_existingEntries = 0;

    QLineEdit* m_filter;
    QTableView* m_table;
    QPushButton* m_selectAll;
    QPushButton* m_selectNone;
    QLabel* m_summary;
    QPlainTextEdit* m_signals;
    QCheckBox* m_mapSignals;
    QLineEdit* m_firstIndex;
    QLineEdit* m_sourceAddress;
    QPushButton* m_ok;
};

} // namespace ordane
