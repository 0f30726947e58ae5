#include "FrameListFuzz.h"

ORDANE_FUZZ_TARGET(transmitted_frames) {
    static const ordane::fuzz::ScratchProject project("transmitted_frames");
    return ordane::fuzz::frameList(ordane::FrameSide::Transmitted, project, data, size);
}
