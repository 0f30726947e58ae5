#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/Error.h"
#include "core/MessageSink.h"
#include "documents/ProjectDocuments.h"
#include "model/NodeGuardSettings.h"

// NG_J1939_Frame.xml as the node-guarding window reads, checks and saves it (both documents,
// as OK does); the frames read back the same.
ORDANE_FUZZ_TARGET(guard_frames) {
    using namespace ordane;
    static const fuzz::ScratchProject project("guard_frames");
    project.holdOnly(documents::guardFrames.fileName, fuzz::asText(data, size));

    NodeGuardSettings settings;
    settings.load(project.path());
    (void)settings.failures();
    RecordingMessageSink messages;
    if (!settings.saveTelling(project.path(), messages))
        fuzz::broken("node-guarding documents not written");

    NodeGuardSettings again;
    again.loadFrames(project.path());
    for (int k = 1; k <= NodeGuardSettings::kFrames; ++k)
        if (again.frame(k) != settings.frame(k))
            fuzz::broken("saved node-guarding frames read back different");
    return 0;
}
