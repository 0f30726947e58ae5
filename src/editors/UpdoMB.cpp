#include "editors/UpdoMB.h"

namespace ordane {

TFpdoMB::TFpdoMB(const AppServices& services, const ProjectState& state, QWidget* parent)
    : FrameListWindow(FrameSide::Received, "TFpdoMB", services, state, parent) {}

} // namespace ordane
