#pragma once

#include "model/DbcImport.h"
#include "model/J1939FrameList.h"
#include "widgets/Services.h"

#include "widgets/EditorDialog.h"

#include <memory>
#include <optional>

class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace ordane {

class EditorGrid;
class ProjectState;
class TFDbcImport;

// The grid window of one J1939 frame list; the side fixes caption, document and columns.
class FrameListWindow : public EditorDialog {
    Q_OBJECT
public:
    // 1 received side, 2 transmitted side, as the main window hands it over.
    void setMode(int side);
    FrameSide side() const { return m_model.side(); }

    EditorGrid* grid() const { return m_grid; }
    // The selection dialog of the DBC import, opened by Import for a .dbc file.
    TFDbcImport* dbcDialog() const { return m_dbcDialog; }
    // Whether OK will also write the side's SDO mapping from a DBC import.
    bool mappingPending() const { return m_pendingMapping.has_value(); }

signals:
    // Export wrote this file.
    void exported(const QString& file);

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();
    void ExportClick();
    void ImportClick();
    void DbcImportAccepted();

protected:
    FrameListWindow(FrameSide side, const char* objectName, const AppServices& services,
                    const ProjectState& state, QWidget* parent);

private:
    void buildGrid();
    void fillGrid();
    void readGrid();
    void importDbc(const std::filesystem::path& file);
    // The project's kept signals with this side's part from the import, read before anything
    // is written; nothing when OK keeps nothing. Throws Error.
    std::optional<KeptSignals> keptSignalsToSave() const;
    // Puts an imported list into the grid, after asking when frames typed in the grid
    // would be gone. False when the user keeps the grid.
    bool replaceByImport(const J1939FrameList& imported);
    // Asks about the SDO mapping and PDO rows whose frames the list no longer has; the
    // documents to write with the list, or nothing when the user cancels or one cannot be
    // read.
    std::optional<std::vector<PlannedDocument>> followReferences(bool includeSdoMapping);

    const AppServices& m_services;
    const ProjectState& m_state;
    J1939FrameList m_model;
    QTabWidget* m_tabs;
    QVBoxLayout* m_pageLayout;
    EditorGrid* m_grid = nullptr;
    QPushButton* m_ok;
    TFDbcImport* m_dbcDialog;
    std::unique_ptr<DbcImport> m_dbcImport;
    std::unique_ptr<DbcSelection> m_dbcSelection;
    std::optional<DbcMappingPlan> m_pendingMapping;
    // What OK keeps of a DBC import: its frames' messages, with the plan their signals.
    std::optional<KeptSide> m_pendingKept;
    // The imported frames' labels, so that OK sees whether the grid was changed under them.
    std::vector<std::string> m_importedLabels;
};

} // namespace ordane
