#include "model/SdoMapping.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/DocumentFiles.h"
#include "documents/MappingConflicts.h"
#include "documents/ProjectDocument.h"

#include <algorithm>

namespace ordane {

namespace fs = std::filesystem;

namespace {

SdoSide otherSide(SdoSide side) {
    return side == SdoSide::Received ? SdoSide::Transmitted : SdoSide::Received;
}

// The section of the main window in which the other side's objects are defined.
const char* otherSection(SdoSide side) {
    return side == SdoSide::Received ? " in the Define SDO of Transmit J1939 section"
                                     : " in the Define SDO of Receive J1939 section";
}

// Index, then SubIndex, read strictly: the message of the first that is no integer.
std::optional<std::string> readObjectTexts(std::string_view indexText,
                                           std::string_view subIndexText, std::int32_t& index,
                                           std::int32_t& subIndex) {
    for (auto [text, value] : {std::pair{indexText, &index}, std::pair{subIndexText, &subIndex}}) {
        const auto read = tryParseInteger(text);
        if (!read)
            return notAnIntegerMessage(text);
        *value = *read;
    }
    return std::nullopt;
}

} // namespace

SdoMapping::SdoMapping(SdoSide side) : m_side(side) {}

void SdoMapping::setSide(SdoSide side) {
    m_side = side;
    m_frames.clear();
    m_taken.clear();
}

const char* SdoMapping::frameDocumentName(SdoSide side) {
    return documents::frames(side).fileName.data();
}

const char* SdoMapping::mappingDocumentName(SdoSide side) {
    return documents::sdoMapping(side).fileName.data();
}

const char* SdoMapping::frameHeading(SdoSide side) {
    return side == SdoSide::Received ? "PGN                ID_DEV"
                                     : "PRIOR       DP           PGN        ID_DEV";
}

void SdoMapping::read(const fs::path& projectFolder) {
    m_frames.clear();
    m_taken.clear();
    m_rows.clear();
    m_strays.clear();
    m_referenceProblems.clear();
    m_entriesCut = false;
    auto reference = [&](const char* document, auto&& step) {
        try {
            step();
            return true;
        } catch (const Error& e) {
            m_referenceProblems.push_back({document, 0, e.what()});
            return false;
        }
    };
    m_framesReadWhole = reference(frameDocumentName(m_side), [&] { loadFrames(projectFolder); });
    if (!readStep(mappingDocumentName(m_side), [&] { loadEntries(projectFolder); }))
        m_entriesCut = true;
    reference(mappingDocumentName(otherSide(m_side)), [&] { loadTakenObjects(projectFolder); });
    // Signal names only label entries: a kept-signals file that cannot be read leaves the
    // window as it is without one (the report tells what is wrong with it).
    try {
        m_kept = KeptSignals::load(projectFolder);
    } catch (const Error&) {
        m_kept = {};
    }
}

std::string SdoMapping::signalName(SdoEntryPosition position) const {
    if (position.frame >= m_frames.size())
        return "";
    const SdoMappingFrame& frame = m_frames[position.frame];
    if (position.entry >= frame.entries.size())
        return "";
    // The label holds the frame list's texts; PGN and source address are its last two.
    std::vector<std::string> texts(1);
    for (const char c : frame.label) {
        if (c == '\t')
            texts.emplace_back();
        else
            texts.back() += c;
    }
    if (texts.size() < 2)
        return "";
    const std::int32_t pgn = parseInteger(texts[texts.size() - 2], -1);
    const std::int32_t address = parseInteger(texts.back(), -1);
    if (!m_kept.frameFor(m_side, frame.number, std::uint32_t(pgn), address))
        return "";
    const KeptSignal* s = m_kept.signalFor(m_side, frame.number, frame.entries[position.entry]);
    return s ? s->name : "";
}

void SdoMapping::loadFrames(const fs::path& projectFolder) {
    DocumentFile file;
    if (!file.load(projectFolder, documents::frames(m_side)))
        return;
    const std::vector<std::string_view> columns =
        m_side == SdoSide::Received
            ? std::vector<std::string_view>{field::kPgn, field::kSourceAddress}
            : std::vector<std::string_view>{field::kPriority, field::kListDataPage, field::kPgn,
                                            field::kSourceAddress};
    for (const DocumentRow& row : file.rows()) {
        std::string label;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            if (c > 0)
                label += '\t';
            label += row.attribute(columns[c]);
        }
        m_frames.push_back({row.number(), std::move(label), {}});
    }
}

// Every row is read for the project check. The window's entries leave out the rows of
// frames removed since, and end at the first row of a listed frame that cannot be read.
void SdoMapping::loadEntries(const fs::path& projectFolder) {
    DocumentFile file;
    if (!file.load(projectFolder, documents::sdoMapping(m_side)))
        return;
    const std::string frames = frameDocumentName(m_side);
    for (const DocumentRow& row : file.rows()) {
        std::int32_t nrPdo = 0;
        try {
            nrPdo = row.integer(field::kNrPdo);
        } catch (const Error& e) {
            addLoadProblem({file.name(), row.number(), e.what()});
            m_entriesCut = true;
            continue;
        }
        const bool named = nrPdo >= 1 && static_cast<std::uint64_t>(nrPdo) <= m_frames.size();
        if (!named)
            m_strays.push_back(
                {file.name(), row.number(),
                 "NrPdo " + row.attribute(field::kNrPdo) + " names no frame of " + frames});
        SdoMappingRow stored;
        try {
            stored = readSdoMappingRow(row, m_side);
        } catch (const Error& e) {
            addLoadProblem({file.name(), row.number(), e.what()});
            // The frames removed since are passed over; anything else ends the entries.
            if (nrPdo <= 0 || named)
                m_entriesCut = true;
            continue;
        }
        m_rows.push_back(stored);
        if (nrPdo < 1)
            m_entriesCut = true;
        if (m_entriesCut || !named)
            continue;
        m_frames[static_cast<std::size_t>(nrPdo - 1)].entries.push_back(stored.entry);
    }
}

void SdoMapping::loadTakenObjects(const fs::path& projectFolder) {
    for (const MappedObjectRow& row : readMappedObjects(projectFolder, otherSide(m_side)))
        m_taken.push_back(storedObject(row.index, row.subIndex));
}

void SdoMapping::tellLoadProblems(MessageSink& messages) const {
    const std::string frames = frameDocumentName(m_side);
    for (const Finding& problem : m_referenceProblems)
        if (problem.document == frames)
            messages.info("Error in reading file PDO XML");
    if (m_entriesCut)
        messages.info("Error in reading file SDOPDO XML");
    for (const Finding& problem : m_referenceProblems)
        if (problem.document != frames)
            messages.error(problem.message);
}

std::vector<Finding> SdoMapping::failures() const {
    std::vector<Finding> result;
    const std::string name = mappingDocumentName(m_side);
    for (const SdoMappingRow& row : m_rows) {
        if (auto message = objectRangeMessage(row.entry.index, row.entry.subIndex))
            result.push_back({name, row.row, *message});
        if (auto message = noFrameByteMessage(row.entry.dimension, row.entry.bytes))
            result.push_back({name, row.row, *message});
    }
    return result;
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

std::optional<std::string> SdoMapping::checkEntry(std::string_view indexText,
                                                  std::string_view subIndexText,
                                                  std::optional<SdoEntryPosition> excluded) const {
    // Both texts are read before any range is tested.
    std::int32_t index = 0, subIndex = 0;
    if (auto message = readObjectTexts(indexText, subIndexText, index, subIndex))
        return message;
    if (auto message = objectRangeMessage(index, subIndex))
        return message;
    if (isFixedObjectIndex(static_cast<std::uint32_t>(index)))
        return fixedObjectMessage(static_cast<std::uint32_t>(index));

    const MappedObject object = storedObject(index, subIndex);
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
    std::int32_t index = 0, subIndex = 0;
    if (auto message = readObjectTexts(indexText, subIndexText, index, subIndex))
        return message;
    m_clipboard = positions;
    m_clipboard.index = index;
    m_clipboard.subIndex = subIndex;
    return std::nullopt;
}

void SdoMapping::save(const fs::path& projectFolder) const {
    ProjectDocument document;
    const DocumentDefinition& definition = documents::sdoMapping(m_side);
    document.create(definition.rootName);
    for (const SdoMappingFrame& frame : m_frames) {
        for (const SdoMappingEntry& e : frame.entries) {
            const SdoMappingRow row{0, frame.number, e};
            document.appendRow(sdoMappingAttributes(row, m_side));
        }
    }
    document.save(documentPath(projectFolder, definition.fileName));
}

} // namespace ordane
