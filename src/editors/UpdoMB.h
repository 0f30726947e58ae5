#pragma once

#include "editors/FrameListWindow.h"

namespace ordane {

// "Receive J1939 Frame": the frames the converter receives, RCobDef.xml.
class TFpdoMB : public FrameListWindow {
    Q_OBJECT
public:
    TFpdoMB(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);
};

} // namespace ordane
