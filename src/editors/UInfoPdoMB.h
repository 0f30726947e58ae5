#pragma once

#include "editors/SdoMappingWindow.h"

namespace ordane {

// "Define SDO" of step 3: the SDO mapping of the received frames.
class TFInfopdoMB : public SdoMappingWindow {
    Q_OBJECT
public:
    TFInfopdoMB(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);
};

} // namespace ordane
