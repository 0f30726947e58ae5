#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/Error.h"
#include "documents/ProjectDocuments.h"
#include "model/SdoClientFrames.h"

// SDOClient.xml as its window reads, checks and saves it; what is saved reads back the same.
ORDANE_FUZZ_TARGET(sdo_client) {
    using namespace ordane;
    static const fuzz::ScratchProject project("sdo_client");
    project.holdOnly(documents::sdoClient.fileName, fuzz::asText(data, size));

    SdoClientFrames frames;
    frames.load(project.path());
    (void)frames.failures();
    frames.save(project.path());

    SdoClientFrames again;
    again.load(project.path());
    for (int k = 1; k <= SdoClientFrames::kFrames; ++k) {
        J1939FrameDefinition expected = frames.frame(k);
        if (!SdoClientFrames::hasPriority(k))
            expected.priority = 0;
        if (again.frame(k) != expected)
            fuzz::broken("saved SDO client frames read back different");
    }
    return 0;
}
