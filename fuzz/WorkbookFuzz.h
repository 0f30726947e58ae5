#pragma once

#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/Error.h"
#include "model/J1939FrameList.h"

#include <initializer_list>

namespace ordane::fuzz {

// A workbook imported into frame lists, as the Import button does; each list is then
// checked, saved and read back.
inline int importWorkbook(const char* fileName, std::initializer_list<FrameSide> sides,
                          const ScratchProject& project, const std::uint8_t* data,
                          std::size_t size) {
    project.holdOnly(fileName, asText(data, size));
    for (FrameSide side : sides) {
        J1939FrameList list(side);
        try {
            list.importWorkbook(project / fileName);
        } catch (const Error&) {
        }
        (void)list.failures();
        list.save(project.path());
        J1939FrameList again(side);
        again.load(project.path());
        if (again.tableRows() != list.tableRows())
            broken("an imported frame list reads back with other rows");
        for (int row = 1; row <= list.tableRows(); ++row)
            for (int column = 1; column <= list.columnCount(); ++column)
                if (again.cell(row, column) != list.cell(row, column))
                    broken("an imported frame list reads back different");
    }
    return 0;
}

} // namespace ordane::fuzz
