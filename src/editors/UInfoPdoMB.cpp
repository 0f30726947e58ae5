#include "editors/UInfoPdoMB.h"

namespace ordane {

TFInfopdoMB::TFInfopdoMB(const AppServices& services, const ProjectState& state, QWidget* parent)
    : SdoMappingWindow(services, state, SdoSide::Received, parent) {}

} // namespace ordane
