#include "Commands.h"

#include "core/Clock.h"
#include "model/CommissionedNode.h"
#include "eds/DcfWriter.h"

namespace ordane::cli {

// As for the EDS: a mistyped folder would give a file of fixed parts on node 1.
int dcfCommand(const fs::path& project, const fs::path& output,
               const std::optional<std::string>& nodeId, const std::optional<std::string>& bitRate,
               std::ostream&, std::ostream& err) {
    return runInProject(project, err, [&] {
        const CommissionedNode node = commissionedNode(project, {nodeId, bitRate});
        const SystemClock clock;
        DcfWriter(clock).write(project, output, node.nodeId, node.bitRateKbit);
        return kSuccess;
    });
}

} // namespace ordane::cli
