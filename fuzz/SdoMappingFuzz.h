#pragma once

#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/MessageSink.h"
#include "core/NumberText.h"
#include "model/SdoMapping.h"

namespace ordane::fuzz {

// A side's SDO mapping over four frames: read, every entry checked as Modify checks it,
// saved and read back; then read by the other side as the objects it may not take.
inline int sdoMapping(SdoSide side, const ScratchProject& project, const std::uint8_t* data,
                      std::size_t size) {
    const bool received = side == SdoSide::Received;
    project.clear();
    project.put(SdoMapping::frameDocumentName(side),
                received ? kFourReceivedFrames : kFourTransmittedFrames);
    project.put(SdoMapping::mappingDocumentName(side), asText(data, size));

    RecordingMessageSink messages;
    SdoMapping mapping(side);
    mapping.load(project.path());
    mapping.tellLoadProblems(messages);
    for (std::size_t f = 0; f < mapping.frames().size(); ++f) {
        const auto& entries = mapping.entries(f);
        for (std::size_t e = 0; e < entries.size(); ++e)
            (void)mapping.checkEntry(std::to_string(entries[e].index),
                                     hexText(std::uint32_t(entries[e].subIndex), 2),
                                     SdoEntryPosition{f, e});
    }
    SdoMapping other(received ? SdoSide::Transmitted : SdoSide::Received);
    other.load(project.path());
    other.tellLoadProblems(messages);

    mapping.save(project.path());
    SdoMapping again(side);
    messages.clear();
    again.load(project.path());
    again.tellLoadProblems(messages);
    if (!messages.messages().empty())
        broken("a saved SDO mapping does not read back");
    if (again.frames().size() != mapping.frames().size())
        broken("a saved SDO mapping reads back with other frames");
    for (std::size_t f = 0; f < mapping.frames().size(); ++f)
        if (again.entries(f) != mapping.entries(f))
            broken("a saved SDO mapping reads back different");
    return 0;
}

} // namespace ordane::fuzz
