#include "SdoMappingFuzz.h"

ORDANE_FUZZ_TARGET(transmitted_sdo) {
    static const ordane::fuzz::ScratchProject project("transmitted_sdo");
    return ordane::fuzz::sdoMapping(ordane::SdoSide::Transmitted, project, data, size);
}
