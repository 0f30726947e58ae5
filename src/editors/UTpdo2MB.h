#pragma once

#include "editors/FrameListWindow.h"

namespace ordane {

// "Transmit J1939 Frame": the frames the converter transmits, TCobDef.xml.
class TFTpdo2MB : public FrameListWindow {
    Q_OBJECT
public:
    TFTpdo2MB(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);
};

} // namespace ordane
