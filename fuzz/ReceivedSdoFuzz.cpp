#include "SdoMappingFuzz.h"

ORDANE_FUZZ_TARGET(received_sdo) {
    static const ordane::fuzz::ScratchProject project("received_sdo");
    return ordane::fuzz::sdoMapping(ordane::SdoSide::Received, project, data, size);
}
