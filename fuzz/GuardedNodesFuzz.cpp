#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "documents/ProjectDocuments.h"
#include "model/NodeGuardSettings.h"

// NodeGuard.xml as its window reads, checks and saves it; the used rows read back the same.
ORDANE_FUZZ_TARGET(guarded_nodes) {
    using namespace ordane;
    static const fuzz::ScratchProject project("guarded_nodes");
    project.holdOnly(documents::guardedNodes.fileName, fuzz::asText(data, size));

    NodeGuardSettings settings;
    (void)settings.loadTable(project.path());
    (void)settings.validateTable();
    settings.saveTable(project.path());

    NodeGuardSettings again;
    const NodeGuardSettings::TableLoad load = again.loadTable(project.path());
    if (load.problem || load.droppedRows != 0)
        fuzz::broken("a saved guarded-node table does not read back");
    for (int row = 1; row <= NodeGuardSettings::kRows; ++row) {
        const GuardedNode expected =
            row <= settings.usedRows() ? settings.node(row) : GuardedNode{};
        if (again.node(row) != expected)
            fuzz::broken("a saved guarded-node table reads back different");
    }
    return 0;
}
