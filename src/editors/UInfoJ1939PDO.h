#pragma once

#include "model/PdoMapping.h"
#include "widgets/Services.h"

#include "widgets/EditorDialog.h"

class QPushButton;

namespace ordane {

class EditorGrid;
class ProjectState;

// "Define TPDO" (step 3) and "Define RPDO" (step 4): the four PDOs of one direction, each
// tied to a J1939 frame chosen from a drop-down.
class TFInfoJ1939PDO : public EditorDialog {
    Q_OBJECT
public:
    TFInfoJ1939PDO(const AppServices& services, const ProjectState& state,
                   QWidget* parent = nullptr);

    // 1 RPDO direction, 2 TPDO direction.
    void setMode(int direction);
    EditorGrid* grid() const { return m_grid; }

    enum Column { CobId = 1, Dimension, StartByte, Frame, Mnemonic };

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();

private:
    const AppServices& m_services;
    const ProjectState& m_state;
    PdoMapping m_model{PdoDirection::Tpdo};
    EditorGrid* m_grid;
    QPushButton* m_ok;
};

} // namespace ordane
