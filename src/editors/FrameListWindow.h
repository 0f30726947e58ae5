#pragma once

#include "model/DbcImport.h"
#include "model/J1939FrameList.h"
#include "widgets/Services.h"

#include <QDialog>

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
class FrameListWindow : public QDialog {
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
    // The imported frames' labels, so that OK sees whether the grid was changed under them.
    std::vector<std::string> m_importedLabels;
};

} // namespace ordane
