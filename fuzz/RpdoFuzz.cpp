#include "PdoMappingFuzz.h"

ORDANE_FUZZ_TARGET(rpdo) {
    static const ordane::fuzz::ScratchProject project("rpdo");
    return ordane::fuzz::pdoMapping(ordane::PdoDirection::Rpdo, project, data, size);
}
