#include "editors/UInfoTPdoMB.h"

namespace ordane {

TFInfoTpdoMB::TFInfoTpdoMB(const AppServices& services, const ProjectState& state, QWidget* parent)
    : SdoMappingWindow(services, state, SdoSide::Transmitted, parent) {}

} // namespace ordane
