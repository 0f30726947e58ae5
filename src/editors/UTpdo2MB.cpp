#include "editors/UTpdo2MB.h"

namespace ordane {

TFTpdo2MB::TFTpdo2MB(const AppServices& services, const ProjectState& state, QWidget* parent)
    : FrameListWindow(FrameSide::Transmitted, "TFTpdo2MB", services, state, parent) {}

} // namespace ordane
