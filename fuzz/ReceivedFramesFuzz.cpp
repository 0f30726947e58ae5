#include "FrameListFuzz.h"

ORDANE_FUZZ_TARGET(received_frames) {
    static const ordane::fuzz::ScratchProject project("received_frames");
    return ordane::fuzz::frameList(ordane::FrameSide::Received, project, data, size);
}
