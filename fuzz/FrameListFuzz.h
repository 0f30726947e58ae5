#pragma once

#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/Error.h"
#include "core/MessageSink.h"
#include "model/J1939FrameList.h"
#include "model/PdoMapping.h"
#include "model/SdoMapping.h"

namespace ordane::fuzz {

// A frame list read, checked, saved and read back, then read by the two mappings that
// take their frames from it.
inline int frameList(FrameSide side, const ScratchProject& project, const std::uint8_t* data,
                     std::size_t size) {
    J1939FrameList list(side);
    project.holdOnly(list.documentName(), asText(data, size));

    list.load(project.path());
    (void)list.firstFinding();
    (void)list.failures();

    RecordingMessageSink messages;
    const bool received = side == FrameSide::Received;
    SdoMapping sdo(received ? SdoSide::Received : SdoSide::Transmitted);
    sdo.load(project.path());
    sdo.tellLoadProblems(messages);
    PdoMapping pdo(received ? PdoDirection::Tpdo : PdoDirection::Rpdo);
    pdo.load(project.path());
    pdo.tellLoadProblems(messages);

    list.save(project.path());
    J1939FrameList again(side);
    again.load(project.path());
    for (int row = 1; row <= list.tableRows(); ++row)
        for (int column = 1; column <= list.columnCount(); ++column)
            if (again.cell(row, column) != list.cell(row, column))
                broken("a saved frame list reads back different");
    if (again.tableRows() != list.tableRows())
        broken("a saved frame list reads back with other rows");
    return 0;
}

} // namespace ordane::fuzz
