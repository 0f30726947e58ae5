#include "WorkbookFuzz.h"

ORDANE_FUZZ_TARGET(workbook_csv) {
    static const ordane::fuzz::ScratchProject project("workbook_csv");
    return ordane::fuzz::importWorkbook(
        "rpdodef.csv", {ordane::FrameSide::Received, ordane::FrameSide::Transmitted}, project, data,
        size);
}
