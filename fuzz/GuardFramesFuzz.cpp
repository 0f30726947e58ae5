#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "app/MessageSink.h"
#include "documents/Error.h"
#include "editors/NodeGuardSettings.h"

// NG_J1939_Frame.xml as the node-guarding window reads, checks and saves it (both documents,
// as OK does); the frames read back the same.
ORDANE_FUZZ_TARGET(guard_frames) {
    using namespace ordane;
    static const fuzz::ScratchProject project("guard_frames");
    project.holdOnly(kNodeGuardFramesDocument, fuzz::asText(data, size));

    NodeGuardSettings settings;
    (void)settings.loadTable(project.path());
    try {
        settings.loadFrames(project.path());
    } catch (const Error&) {
    }
    (void)settings.validate();
    RecordingMessageSink messages;
    if (!settings.save(project.path(), messages))
        fuzz::broken("node-guarding documents not written");

    NodeGuardSettings again;
    again.loadFrames(project.path());
    for (int k = 1; k <= NodeGuardSettings::kFrames; ++k)
        if (again.frame(k) != settings.frame(k))
            fuzz::broken("saved node-guarding frames read back different");
    return 0;
}
