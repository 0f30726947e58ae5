#pragma once

#include "model/NodeGuardSettings.h"
#include "editors/USDO_Client.h"
#include "widgets/Services.h"

#include "widgets/EditorDialog.h"

#include <array>

class QPushButton;

namespace ordane {

class EditorGrid;
class ProjectState;

// "Set Node Guarding": the guarded CANopen nodes and the five J1939 state frames.
class TFNodeGuard : public EditorDialog {
    Q_OBJECT
public:
    TFNodeGuard(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);

    const NodeGuardSettings& model() const { return m_model; }
    EditorGrid* grid() const { return m_grid; }

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();

private:
    const AppServices& m_services;
    const ProjectState& m_state;
    NodeGuardSettings m_model;
    EditorGrid* m_grid = nullptr;
    std::array<J1939FrameLine, NodeGuardSettings::kFrames> m_lines;
    QPushButton* m_ok = nullptr;
};

} // namespace ordane
