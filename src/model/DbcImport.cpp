#include "model/DbcImport.h"

#include "core/Error.h"
#include "core/MappedObjectRules.h"
#include "core/NumberText.h"
#include "documents/ProjectDocument.h"

#include <algorithm>
#include <cctype>

namespace ordane {

namespace fs = std::filesystem;

namespace {

std::string lowered(std::string text) {
    for (char& c : text)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

} // namespace

std::size_t DbcMappingPlan::entryCount() const {
    std::size_t count = 0;
    for (const auto& frame : frames)
        count += frame.size();
    return count;
}

DbcImport::DbcImport(DbcFile file, FrameSide side) : m_file(std::move(file)), m_side(side) {
    m_rows.reserve(m_file.messages.size());
    for (std::size_t m = 0; m < m_file.messages.size(); ++m) {
        const DbcMessage& message = m_file.messages[m];
        const J1939Reading reading = readJ1939(
            message.rawId, m_file.messageAttribute(message, "VFrameFormat"), message.length);
        DbcImportRow row;
        row.message = m;
        readSourceAddress(row, reading);
        m_rows.push_back(std::move(row));
    }
}

void DbcImport::readSourceAddress(DbcImportRow& row, const J1939Reading& reading) const {
    row.id = reading.id;
    row.importable = reading.isJ1939;
    row.reason = reading.reason;
    row.pgnText = hexText(reading.id.fullPgn(), 4);
    row.needsAddress = false;
    // The received list has no data-page column: such a frame is not changed to page 0.
    if (row.importable && m_side == FrameSide::Received && reading.id.dataPage == 1) {
        row.importable = false;
        row.reason = "data page 1: the received list has no data-page column";
    }
    if (row.importable && isNoSourceAddress(reading.id.sourceAddress)) {
        row.needsAddress = true;
        if (m_sourceAddress) {
            row.id.sourceAddress = *m_sourceAddress;
        } else {
            row.importable = false;
            row.reason = missingAddressReason(reading.id.sourceAddress);
        }
    }
}

void DbcImport::setSourceAddress(std::optional<int> address) {
    if (address && (*address < 0 || isNoSourceAddress(*address)))
        throw Error("The source address " + std::to_string(*address) +
                    " is not between 0 and 253");
    m_sourceAddress = address;
    for (DbcImportRow& row : m_rows) {
        const DbcMessage& m = message(row);
        readSourceAddress(
            row, readJ1939(m.rawId, m_file.messageAttribute(m, "VFrameFormat"), m.length));
    }
}

bool DbcImport::needsAddress() const {
    return std::any_of(m_rows.begin(), m_rows.end(),
                       [](const DbcImportRow& row) { return row.needsAddress; });
}

std::string DbcImport::messageName(const DbcImportRow& row) const {
    return message(row).name + " (" + hexText(message(row).id(), 8) + ")";
}

std::string missingAddressReason(int address) {
    return "source address " + hexText(std::uint32_t(address), 2) +
           (address == 0xFE ? " (null address)" : " (global address)") + " in the DBC";
}

int parseSourceAddress(std::string_view text) {
    const auto address = tryParseInteger(text);
    if (!address)
        throw Error(notAnIntegerMessage(text));
    if (*address < 0 || isNoSourceAddress(*address))
        throw Error("The source address " + std::string(text) + " is not between 0 and 253");
    return *address;
}

std::vector<std::size_t> DbcImport::choose(const DbcChoice& choice) const {
    for (const std::string& name : choice.names) {
        const bool found = std::any_of(m_file.messages.begin(), m_file.messages.end(),
                                       [&](const DbcMessage& m) { return m.name == name; });
        if (!found)
            throw Error("The DBC file has no message named " + name);
    }
    const auto hasId = [&](const DbcImportRow& row) {
        const DbcMessage& m = message(row);
        return (m.extended() || m_file.messageAttribute(m, "VFrameFormat") == "J1939PG") &&
               m.id() <= 0x1FFFFFFF;
    };
    for (const std::uint32_t pgn : choice.pgns) {
        const bool found = std::any_of(m_rows.begin(), m_rows.end(), [&](const DbcImportRow& r) {
            return hasId(r) && r.id.fullPgn() == pgn;
        });
        if (!found)
            throw Error("The DBC file has no J1939 message with the PGN " + hexText(pgn, 4));
    }
    if (!choice.node.empty()) {
        const bool known =
            std::find(m_file.nodes.begin(), m_file.nodes.end(), choice.node) !=
                m_file.nodes.end() ||
            std::any_of(m_file.messages.begin(), m_file.messages.end(), [&](const DbcMessage& m) {
                return m.transmittedBy(choice.node) || m.receivedBy(choice.node);
            });
        if (!known)
            throw Error("The DBC file has no node named " + choice.node);
    }

    std::vector<std::size_t> chosen;
    for (std::size_t r = 0; r < m_rows.size(); ++r) {
        const DbcImportRow& row = m_rows[r];
        const DbcMessage& m = message(row);
        if (!choice.names.empty() &&
            std::find(choice.names.begin(), choice.names.end(), m.name) == choice.names.end())
            continue;
        if (!choice.pgns.empty() &&
            (!hasId(row) || std::find(choice.pgns.begin(), choice.pgns.end(), row.id.fullPgn()) ==
                                choice.pgns.end()))
            continue;
        if (!choice.node.empty()) {
            const bool sends = m.transmittedBy(choice.node);
            const bool wanted =
                m_side == FrameSide::Transmitted ? sends : !sends && m.receivedBy(choice.node);
            if (!wanted)
                continue;
        }
        const bool named = !choice.names.empty() || !choice.pgns.empty();
        if (named && row.needsAddress && !m_sourceAddress)
            throw Error(messageName(row) + ": " + row.reason +
                        ": give the sender's address with --source-address");
        chosen.push_back(r);
    }
    return chosen;
}

std::vector<std::size_t> DbcImport::importable(const std::vector<std::size_t>& rows) const {
    std::vector<std::size_t> result;
    for (const std::size_t r : rows)
        if (m_rows.at(r).importable)
            result.push_back(r);
    return result;
}

void DbcImport::fillFrameList(J1939FrameList& list, const std::vector<std::size_t>& rows) const {
    const std::vector<std::size_t> frames = importable(rows);
    if (frames.empty())
        throw Error("No J1939 frame to import for the " +
                    std::string(m_side == FrameSide::Received ? "received" : "transmitted") +
                    " list");
    if (frames.size() > std::size_t(J1939FrameList::kGridRows))
        throw Error(std::to_string(frames.size()) +
                    " J1939 frames chosen; a frame list holds at "
                    "most " +
                    std::to_string(J1939FrameList::kGridRows) +
                    ". Choose fewer messages (--messages, --pgn or --node).");
    list.clear();
    int r = 0;
    for (const std::size_t index : frames) {
        const DbcImportRow& row = m_rows[index];
        const std::string pgn = hexText(row.id.pgn(), 4);
        const std::string sa = std::to_string(row.id.sourceAddress);
        const std::string& name = message(row).name;
        ++r;
        if (m_side == FrameSide::Received) {
            for (const auto& [column, text] : {std::pair{1, pgn}, std::pair{2, sa},
                                               std::pair{3, std::string("N")}, std::pair{4, name}})
                list.setCell(r, column, text);
        } else {
            for (const auto& [column, text] :
                 {std::pair{1, std::to_string(row.id.priority)},
                  std::pair{2, std::to_string(row.id.dataPage)}, std::pair{3, pgn},
                  std::pair{4, sa}, std::pair{5, name}})
                list.setCell(r, column, text);
        }
    }
}

std::optional<std::string> DbcImport::frameListRefusal(const J1939FrameList& list,
                                                       const std::vector<std::size_t>& rows) const {
    const auto problem = list.firstRowProblem();
    if (!problem)
        return std::nullopt;
    const std::vector<std::size_t> frames = importable(rows);
    const std::size_t k = std::size_t(problem->first - 1);
    if (k >= frames.size())
        return "Frame " + std::to_string(problem->first) + ": " + problem->second;
    return messageName(m_rows[frames[k]]) + ": " + problem->second;
}

KeptSide DbcImport::keptSide(const std::vector<std::size_t>& rows,
                             const DbcMappingPlan* plan) const {
    KeptSide kept;
    int number = 0;
    for (const std::size_t r : importable(rows)) {
        const DbcImportRow& row = m_rows[r];
        const DbcMessage& m = message(row);
        kept.frames.push_back({++number, m.name, m.id(), m.length, row.id.pgn(),
                               row.id.sourceAddress});
    }
    if (!plan)
        return kept;
    for (std::size_t f = 0; f < plan->frames.size() && f < plan->frameRows.size(); ++f) {
        const DbcMessage& m = message(m_rows[plan->frameRows[f]]);
        for (const DbcMappingPlan::Entry& e : plan->frames[f]) {
            const DbcSignal& s = m.signalList.at(e.signalIndex);
            KeptSignal k;
            k.frame = int(f) + 1;
            k.entry = e.entry;
            k.message = m.name;
            k.name = s.name;
            k.unit = s.unit;
            k.factor = s.factor;
            k.offset = s.offset;
            k.minimum = s.minimum;
            k.maximum = s.maximum;
            k.spn = s.spn();
            k.comment = s.comment;
            k.values = s.values;
            k.startBit = s.startBit;
            k.length = s.length;
            k.littleEndian = s.littleEndian;
            k.isSigned = s.isSigned;
            kept.signalList.push_back(std::move(k));
        }
    }
    return kept;
}

KeptSignals keptSignalsWith(const fs::path& projectFolder, Side side, KeptSide part) {
    KeptSignals kept = KeptSignals::load(projectFolder);
    kept.replaceSide(side, std::move(part));
    return kept;
}

std::optional<SdoMappingEntry> signalEntry(const DbcSignal& signal, std::string& reason) {
    if (signal.multiplex == DbcSignal::Multiplex::Multiplexed) {
        reason = "multiplexed (m" + std::to_string(signal.multiplexValue) + ")";
        return std::nullopt;
    }
    if (signal.length > 32) {
        reason = "longer than 32 bits (" + std::to_string(signal.length) + ")";
        return std::nullopt;
    }
    const bool aligned =
        signal.length % 8 == 0 && signal.startBit % 8 == (signal.littleEndian ? 0 : 7);
    if (!aligned || signal.lastByte() > 7) {
        reason = "does not start and end on byte boundaries";
        return std::nullopt;
    }
    const int count = signal.length / 8;
    // Frame bytes from 1, most significant first.
    std::vector<std::int32_t> bytes;
    for (int k = 0; k < count; ++k)
        bytes.push_back(signal.littleEndian ? signal.firstByte() + count - k
                                            : signal.firstByte() + 1 + k);
    SdoMappingEntry entry;
    entry.dimension = count == 1 ? 2 : count == 2 ? 1 : 0;
    // A 3-byte value sits in the 4-byte object's lower bytes.
    const std::size_t offset = count == 3 ? 1 : 0;
    for (std::size_t k = 0; k < bytes.size(); ++k)
        entry.bytes[k + offset] = bytes[k];
    return entry;
}

DbcMappingPlan DbcImport::planMapping(const std::vector<std::size_t>& rows,
                                      std::int32_t firstIndex) const {
    DbcMappingPlan plan;
    std::int32_t index = firstIndex;
    for (const std::size_t r : importable(rows)) {
        const DbcMessage& m = message(m_rows[r]);
        std::vector<const DbcSignal*> ordered;
        for (const DbcSignal& s : m.signalList)
            ordered.push_back(&s);
        std::stable_sort(
            ordered.begin(), ordered.end(),
            [](const DbcSignal* a, const DbcSignal* b) { return a->startBit < b->startBit; });
        auto& frame = plan.frames.emplace_back();
        plan.frameRows.push_back(r);
        plan.frameNames.push_back(messageName(m_rows[r]));
        std::int32_t subIndex = 0;
        for (const DbcSignal* s : ordered) {
            std::string reason;
            auto entry = signalEntry(*s, reason);
            if (!entry) {
                plan.skipped.push_back({m.name, s->name, reason});
                continue;
            }
            entry->index = index;
            entry->subIndex = ++subIndex;
            frame.push_back({*entry, s->name, s->spn(), std::size_t(s - m.signalList.data())});
        }
        ++index;
    }
    return plan;
}

std::optional<std::string> mappingIndexProblem(std::int64_t first, std::size_t frames) {
    const std::int64_t last = first + std::int64_t(frames) - 1;
    const std::int64_t outside = first < kFirstMappedIndex ? first : last;
    if (outside < kFirstMappedIndex || outside > kLastMappedIndex)
        return objectRangeMessage(std::int32_t(outside), 0);
    return std::nullopt;
}

std::size_t existingSdoEntries(const fs::path& projectFolder, SdoSide side) {
    ProjectDocument document;
    if (!document.loadIfExists(projectFolder, SdoMapping::mappingDocumentName(side)))
        return 0;
    return ProjectDocument::rowCount(document.documentElement());
}

std::vector<std::string> frameLabels(const J1939FrameList& frames) {
    std::vector<std::string> labels;
    const int last = frames.side() == FrameSide::Received ? 2 : 4;
    for (int row = 1; row <= frames.tableRows(); ++row) {
        std::string label = frames.cell(row, 1);
        for (int c = 2; c <= last; ++c)
            label += '\t' + frames.cell(row, c);
        labels.push_back(std::move(label));
    }
    return labels;
}

void applyMappingPlan(SdoMapping& mapping, const fs::path& projectFolder,
                      const J1939FrameList& frames, const DbcMappingPlan& plan) {
    mapping.load(projectFolder);
    // The import replaces this side's frames and entries, so their reading problems do not
    // matter; without the other side's objects the collision check would be blind.
    const std::string otherMapping = SdoMapping::mappingDocumentName(
        mapping.side() == SdoSide::Received ? SdoSide::Transmitted : SdoSide::Received);
    for (const Finding& problem : mapping.referenceProblems())
        if (problem.document == otherMapping)
            throw Error(problem.message);

    mapping.replaceFrames(frameLabels(frames));
    if (plan.frames.size() > mapping.frames().size())
        throw Error("The SDO mapping names more frames than the frame list holds");

    for (std::size_t f = 0; f < plan.frames.size(); ++f) {
        for (const DbcMappingPlan::Entry& e : plan.frames[f]) {
            const std::string indexText = hexText(std::uint32_t(e.entry.index), 4);
            const std::string subText = std::to_string(e.entry.subIndex);
            if (auto message = mapping.checkEntry(indexText, subText, std::nullopt)) {
                const std::string frame = f < plan.frameNames.size()
                                              ? plan.frameNames[f]
                                              : "frame " + std::to_string(f + 1);
                throw Error(frame + ", signal " + e.signal + " (Index " + indexText +
                            ", SubIndex " + subText + "): " + *message);
            }
            mapping.addEntry(f, e.entry);
        }
    }
}

namespace {

// Everything that fits is offered checked; a large database starts empty.
bool allFit(const DbcImport& import) {
    std::size_t importable = 0;
    for (const DbcImportRow& row : import.rows())
        importable += row.importable ? 1 : 0;
    return importable <= std::size_t(J1939FrameList::kGridRows);
}

} // namespace

DbcSelection::DbcSelection(DbcImport& import) : m_import(import) {
    const bool all = allFit(import);
    for (const DbcImportRow& row : import.rows())
        m_checked.push_back(all && row.importable);
    if (import.sourceAddress())
        m_sourceAddressText = std::to_string(*import.sourceAddress());
    setFilter("");
}

std::optional<std::string> DbcSelection::setSourceAddressText(const std::string& text) {
    m_sourceAddressText = text;
    std::optional<int> address;
    std::optional<std::string> problem;
    if (text.find_first_not_of(' ') != std::string::npos) {
        try {
            address = parseSourceAddress(text);
        } catch (const Error& e) {
            problem = e.what();
        }
    }
    if (address == m_import.sourceAddress())
        return problem;
    const bool had = m_import.sourceAddress().has_value();
    m_import.setSourceAddress(address);
    const bool all = allFit(m_import);
    const auto& rows = m_import.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!rows[r].needsAddress)
            continue;
        if (!rows[r].importable)
            m_checked[r] = false;
        else if (!had)
            m_checked[r] = all;
    }
    return problem;
}

void DbcSelection::setChecked(std::size_t row, bool on) {
    if (row < m_checked.size())
        m_checked[row] = on && m_import.rows()[row].importable;
}

void DbcSelection::selectAll() {
    for (const std::size_t r : m_visible)
        setChecked(r, true);
}

void DbcSelection::selectNone() {
    for (const std::size_t r : m_visible)
        m_checked[r] = false;
}

std::size_t DbcSelection::checkedCount() const {
    return std::size_t(std::count(m_checked.begin(), m_checked.end(), true));
}

void DbcSelection::setFilter(const std::string& text) {
    m_visible.clear();
    const std::string wanted = lowered(text);
    const auto& rows = m_import.rows();
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!wanted.empty()) {
            const DbcMessage& m = m_import.message(rows[r]);
            const bool match = lowered(m.name).find(wanted) != std::string::npos ||
                               lowered(rows[r].pgnText).find(wanted) != std::string::npos ||
                               lowered(m.transmitter).find(wanted) != std::string::npos;
            if (!match)
                continue;
        }
        m_visible.push_back(r);
    }
}

std::vector<std::size_t> DbcSelection::chosen() const {
    std::vector<std::size_t> rows;
    for (std::size_t r = 0; r < m_checked.size(); ++r)
        if (m_checked[r])
            rows.push_back(r);
    return rows;
}

std::int32_t DbcSelection::firstIndex() const {
    return parseInteger(indexText, -1);
}

std::optional<std::string>
DbcSelection::checkForProject(const std::filesystem::path& projectFolder) const {
    if (auto message = check())
        return message;
    if (!mapSignals)
        return std::nullopt;
    try {
        J1939FrameList frames(m_import.side());
        m_import.fillFrameList(frames, chosen());
        SdoMapping mapping(m_import.side() == FrameSide::Received ? SdoSide::Received
                                                                  : SdoSide::Transmitted);
        applyMappingPlan(mapping, projectFolder, frames,
                         m_import.planMapping(chosen(), firstIndex()));
    } catch (const Error& e) {
        return std::string(e.what());
    }
    return std::nullopt;
}

std::optional<std::string> DbcSelection::check() const {
    if (m_sourceAddressText.find_first_not_of(' ') != std::string::npos) {
        try {
            parseSourceAddress(m_sourceAddressText);
        } catch (const Error& e) {
            return std::string(e.what());
        }
    }
    const std::size_t count = checkedCount();
    if (count == 0)
        return "Choose at least one message";
    if (count > std::size_t(J1939FrameList::kGridRows))
        return std::to_string(count) + " messages chosen; a frame list holds at most " +
               std::to_string(J1939FrameList::kGridRows);
    if (mapSignals) {
        const auto index = tryParseInteger(indexText);
        if (!index)
            return notAnIntegerMessage(indexText);
        if (auto problem = mappingIndexProblem(*index, count))
            return problem;
    }
    return std::nullopt;
}

} // namespace ordane
