#include "FuzzTarget.h"

#include "documents/DbcFile.h"
#include "core/Error.h"
#include "model/DbcImport.h"

// The DBC reader, then everything the import does with what it read, for both sides: the
// choice, the frame list, the mapping plan and the selection dialog's model.
ORDANE_FUZZ_TARGET(dbc) {
    ordane::DbcFile file;
    try {
        file = ordane::parseDbc(ordane::fuzz::asText(data, size), "fuzz.dbc");
    } catch (const ordane::Error&) {
        return 0;
    }
    for (const auto side : {ordane::FrameSide::Received, ordane::FrameSide::Transmitted}) {
        ordane::DbcImport import(file, side);
        const std::vector<std::size_t> rows = import.choose({});
        ordane::J1939FrameList list(side);
        try {
            import.fillFrameList(list, rows);
            (void)list.firstFinding();
        } catch (const ordane::Error&) {
        }
        const ordane::DbcMappingPlan plan = import.planMapping(rows, 0x2000);
        (void)import.keptSide(rows, &plan);
        ordane::DbcSelection selection(import);
        (void)selection.setSourceAddressText(file.messages.empty() ? "" : "0x21");
        selection.setFilter(file.messages.empty() ? "" : file.messages.front().name);
        selection.selectAll();
        (void)selection.check();
    }
    return 0;
}
