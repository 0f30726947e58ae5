#include "editors/SdoMapping.h"

#include "app/MessageSink.h"
#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"

#include <algorithm>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr const char* kByteAttributes[] = {"B1", "B2", "B3", "B4"};

SdoSide otherSide(SdoSide side) {
    return side == SdoSide::Received ? SdoSide::Transmitted : SdoSide::Received;
}

// The section of the main window in which the other side's objects are defined.
const char* otherSection(SdoSide side) {
    return side == SdoSide::Received ? " in the Define SDO of Transmit J1939 section"
                                     : " in the Define SDO of Receive J1939 section";
}

} // namespace

SdoMapping::SdoMapping(SdoSide side) : m_side(side) {}

void SdoMapping::setSide(SdoSide side) {
    m_side = side;
    m_frames.clear();
    m_taken.clear();
}

const char* SdoMapping::frameDocumentName(SdoSide side) {
    return side == SdoSide::Received ? "RCobDef.xml" : "TCobDef.xml";
}

const char* SdoMapping::mappingDocumentName(SdoSide side) {
    return side == SdoSide::Received ? "RInfoCob.xml" : "TInfoCob.xml";
}

const char* SdoMapping::rootName(SdoSide side) {
    return side == SdoSide::Received ? "RInfoCob" : "TInfoCob";
}

const char* SdoMapping::frameHeading(SdoSide side) {
    return side == SdoSide::Received ? "PGN                ID_DEV"
                                     : "PRIOR       DP           PGN        ID_DEV";
}

void SdoMapping::load(const fs::path& projectFolder, MessageSink& messages) {
    m_frames.clear();
    m_taken.clear();
    try {
        loadFrames(projectFolder);
    } catch (const Error&) {
        messages.info("Error in reading file PDO XML");
    }
    try {
        loadEntries(projectFolder);
    } catch (const Error&) {
        messages.info("Error in reading file SDOPDO XML");
    }
    try {
        loadTakenObjects(projectFolder);
    } catch (const Error& e) {
        messages.error(e.what());
    }
}

void SdoMapping::loadFrames(const fs::path& projectFolder) {
    const char* name = frameDocumentName(m_side);
    ProjectDocument document;
    if (!document.loadIfExists(projectFolder, name))
        return;
    const std::vector<const char*> columns =
        m_side == SdoSide::Received ? std::vector<const char*>{"PGN", "ID_DEV"}
                                    : std::vector<const char*>{"Priority", "DP", "PGN", "ID_DEV"};
    for (const DocumentRow& row : document.rows(document.documentElement())) {
        std::string label;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0)
                label += '\t';
            label += row.attribute(columns[c]);
        }
        m_frames.push_back({row.number(), std::move(label), {}});
    }
}

void SdoMapping::loadEntries(const fs::path& projectFolder) {
    const char* name = mappingDocumentName(m_side);
    ProjectDocument document;
    if (!document.loadIfExists(projectFolder, name))
        return;
    for (const DocumentRow& row : document.rows(document.documentElement())) {
        const std::int32_t number = row.integer("NrPdo");
        // Entries of frames that were removed from the list since.
        if (number > static_cast<std::int64_t>(m_frames.size()))
            continue;
        if (number < 1)
            throw Error(document.name() + ", row " + std::to_string(row.number()) +
                        ": NrPdo below 1");
        SdoMappingEntry entry;
        entry.index = row.integer("Index");
        entry.subIndex = row.integer("SubIndex");
        entry.dimension = row.integer("Dimension");
        for (std::size_t b = 0; b < entry.bytes.size(); ++b)
            entry.bytes[b] = row.integer(kByteAttributes[b]);
        if (m_side == SdoSide::Transmitted)
            entry.sendSdo = row.integer("Send_SDO");
        m_frames[static_cast<std::size_t>(number - 1)].entries.push_back(entry);
    }
}

void SdoMapping::loadTakenObjects(const fs::path& projectFolder) {
    const char* name = mappingDocumentName(otherSide(m_side));
    ProjectDocument document;
    if (!document.loadIfExists(projectFolder, name))
        return;
    for (const DocumentRow& row : document.rows(document.documentElement())) {
        const std::int32_t index = row.integer("Index");
        m_taken.push_back(storedObject(index, row.integer("SubIndex")));
    }
}

void SdoMapping::replaceFrames(std::vector<std::string> labels) {
    m_frames.clear();
    for (std::size_t f = 0; f < labels.size(); ++f)
        m_frames.push_back({int(f) + 1, std::move(labels[f]), {}});
}

const std::vector<SdoMappingEntry>& SdoMapping::entries(std::size_t frame) const {
    return m_frames.at(frame).entries;
}

const SdoMappingEntry& SdoMapping::entry(SdoEntryPosition position) const {
    return entries(position.frame).at(position.entry);
}

std::optional<std::string> SdoMapping::rangeMessage(std::int32_t index, std::int32_t subIndex) {
    if (index < 0x2000 || index > 0x9FFF)
        return "Error! The Index must be between 0x2000 and 0x9FFF";
    if (subIndex < 0 || subIndex > 255)
        return "Error! The SubIndex must be between 0 and 255";
    return std::nullopt;
}

std::optional<std::string> SdoMapping::checkEntry(std::string_view indexText,
                                                  std::string_view subIndexText,
                                                  std::optional<SdoEntryPosition> excluded) const {
    // Both texts are read before any range is tested.
    const auto index = tryParseInteger(indexText);
    if (!index)
        return notAnIntegerMessage(indexText);
    const auto subIndex = tryParseInteger(subIndexText);
    if (!subIndex)
        return notAnIntegerMessage(subIndexText);
    if (auto message = rangeMessage(*index, *subIndex))
        return message;
    if (isFixedObjectIndex(static_cast<std::uint32_t>(*index)))
        return fixedObjectMessage(static_cast<std::uint32_t>(*index));

    const MappedObject object = storedObject(*index, *subIndex);
    if (std::find(m_taken.begin(), m_taken.end(), object) != m_taken.end())
        return alreadyUsedMessage(object.first, object.second) + otherSection(m_side);
    for (std::size_t f = 0; f < m_frames.size(); ++f) {
        const auto& list = m_frames[f].entries;
        for (std::size_t e = 0; e < list.size(); ++e) {
            if (excluded && excluded->frame == f && excluded->entry == e)
                continue;
            if (storedObject(list[e].index, list[e].subIndex) == object)
                return alreadyUsedMessage(object.first, object.second);
        }
    }
    return std::nullopt;
}

std::size_t SdoMapping::addEntry(std::size_t frame, const SdoMappingEntry& entry) {
    auto& list = m_frames.at(frame).entries;
    list.push_back(entry);
    return list.size() - 1;
}

void SdoMapping::modifyEntry(SdoEntryPosition position, const SdoMappingEntry& entry) {
    m_frames.at(position.frame).entries.at(position.entry) = entry;
}

void SdoMapping::deleteEntry(SdoEntryPosition position) {
    auto& list = m_frames.at(position.frame).entries;
    if (position.entry < list.size())
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(position.entry));
}

std::optional<std::string> SdoMapping::copy(std::string_view indexText,
                                            std::string_view subIndexText,
                                            const SdoMappingEntry& positions) {
    const auto index = tryParseInteger(indexText);
    if (!index)
        return notAnIntegerMessage(indexText);
    const auto subIndex = tryParseInteger(subIndexText);
    if (!subIndex)
        return notAnIntegerMessage(subIndexText);
    m_clipboard = positions;
    m_clipboard.index = *index;
    m_clipboard.subIndex = *subIndex;
    return std::nullopt;
}

void SdoMapping::save(const fs::path& projectFolder) const {
    ProjectDocument document;
    document.create(rootName(m_side));
    for (const SdoMappingFrame& frame : m_frames) {
        for (const SdoMappingEntry& e : frame.entries) {
            std::vector<ProjectDocument::Pair> values = {
                {"NrPdo", std::to_string(frame.number)},
                {"Index", std::to_string(e.index)},
                {"SubIndex", std::to_string(e.subIndex)},
                {"Dimension", std::to_string(e.dimension)},
            };
            for (std::size_t b = 0; b < e.bytes.size(); ++b)
                values.emplace_back(kByteAttributes[b], std::to_string(e.bytes[b]));
            if (m_side == SdoSide::Transmitted)
                values.emplace_back("Send_SDO", std::to_string(e.sendSdo));
            document.appendRow(values);
        }
    }
    document.save(documentPath(projectFolder, mappingDocumentName(m_side)));
}

} // namespace ordane
