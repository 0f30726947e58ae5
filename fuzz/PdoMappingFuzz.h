#pragma once

#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/MessageSink.h"
#include "model/PdoMapping.h"

namespace ordane::fuzz {

// A direction's four PDOs over four frames: read, checked, saved and read back.
inline int pdoMapping(PdoDirection direction, const ScratchProject& project,
                      const std::uint8_t* data, std::size_t size) {
    project.clear();
    project.put(PdoMapping::frameDocumentName(direction),
                direction == PdoDirection::Rpdo ? kFourTransmittedFrames : kFourReceivedFrames);
    project.put(PdoMapping::documentName(direction), asText(data, size));

    RecordingMessageSink messages;
    PdoMapping mapping(direction);
    mapping.load(project.path());
    mapping.tellLoadProblems(messages);
    (void)mapping.firstFailure();
    (void)messagesOf(mapping.failures());
    for (const PdoDefinition& row : mapping.rows())
        (void)PdoMapping::frameNumber(row.frame);

    mapping.save(project.path());
    PdoMapping again(direction);
    messages.clear();
    again.load(project.path());
    again.tellLoadProblems(messages);
    if (!messages.messages().empty())
        broken("a saved PDO mapping does not read back");
    for (std::size_t r = 0; r < PdoMapping::kRows && !mapping.rows()[r].cobId.empty(); ++r)
        if (again.rows()[r] != mapping.rows()[r])
            broken("a saved PDO mapping reads back different");
    return 0;
}

} // namespace ordane::fuzz
