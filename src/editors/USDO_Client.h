#pragma once

#include "model/SdoClientFrames.h"
#include "widgets/J1939FrameLine.h"
#include "widgets/Services.h"

#include "widgets/EditorDialog.h"

#include <array>
#include <vector>

class QPushButton;

namespace ordane {

class ProjectState;

// "Set SDO Client": the five J1939 frames of the SDO client.
class TFSDO_Client : public EditorDialog {
    Q_OBJECT
public:
    TFSDO_Client(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);

    const SdoClientFrames& model() const { return m_model; }

public slots:
    void FormShow();
    void OkClick();
    void CancelClick();

private:
    const AppServices& m_services;
    const ProjectState& m_state;
    SdoClientFrames m_model;
    std::array<J1939FrameLine, SdoClientFrames::kFrames> m_lines;
    QPushButton* m_ok = nullptr;
};

} // namespace ordane
