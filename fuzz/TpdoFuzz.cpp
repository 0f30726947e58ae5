#include "PdoMappingFuzz.h"

ORDANE_FUZZ_TARGET(tpdo) {
    static const ordane::fuzz::ScratchProject project("tpdo");
    return ordane::fuzz::pdoMapping(ordane::PdoDirection::Tpdo, project, data, size);
}
