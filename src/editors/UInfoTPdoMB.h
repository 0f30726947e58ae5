#pragma once

#include "editors/SdoMappingWindow.h"

namespace ordane {

// "Define SDO" of step 4: the SDO mapping of the transmitted frames.
class TFInfoTpdoMB : public SdoMappingWindow {
    Q_OBJECT
public:
    TFInfoTpdoMB(const AppServices& services, const ProjectState& state, QWidget* parent = nullptr);
};

} // namespace ordane
