#pragma once

#include "editors/J1939FrameList.h"
#include "widgets/Services.h"

#include <QDialog>

class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace ordane {

class EditorGrid;
class ProjectState;

// The grid window of one J1939 frame list; the side fixes caption, document and columns.
class FrameListWindow : public QDialog {
    Q_OBJECT
public:
    // 1 received side, 2 transmitted side, as the main window hands it over.
    void setMode(int side);
    FrameSide side() const { return m_model.side(); }

    EditorGrid* grid() const { return m_grid; }

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();
    void ExportClick();
    void ImportClick();

protected:
    FrameListWindow(FrameSide side, const char* objectName, const AppServices& services,
                    const ProjectState& state, QWidget* parent);

private:
    void buildGrid();
    void fillGrid();
    void readGrid();

    const AppServices& m_services;
    const ProjectState& m_state;
    J1939FrameList m_model;
    QTabWidget* m_tabs;
    QVBoxLayout* m_pageLayout;
    EditorGrid* m_grid = nullptr;
    QPushButton* m_ok;
};

} // namespace ordane
