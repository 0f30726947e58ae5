#include "simulator/Simulation.h"

#include "compiler/DeviceImage.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/ProjectDocuments.h"
#include "model/CommunicationParameters.h"
#include "model/J1939FrameList.h"
#include "model/PdoMapping.h"
#include "model/SdoMapping.h"

#include <algorithm>
#include <optional>
#include <set>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kAbortCodes[] = {sdo_abort::kUnknownCommand, sdo_abort::kReadOnly,
                                         sdo_abort::kNoObject, sdo_abort::kLengthMismatch};
constexpr std::size_t kTallySlots = std::size_t(1) << 16;
// Past this many distinct (PGN, source address) pairs the rest are counted together, so
// memory stays the same however long and varied the log is.
constexpr std::size_t kMostTallied = kTallySlots / 2;
constexpr std::size_t kMostInterfaces = 16;

std::string hex(std::uint32_t value, int width) {
    return hexText(value, width);
}

std::uint32_t hashOf(std::uint32_t key) {
    return key * 0x9E3779B1u;
}

void addLoadProblems(const DocumentModel& model, std::vector<std::string>& problems) {
    for (const Finding& f : model.loadProblems())
        problems.push_back(f.line() + " (what was read before it is simulated)");
}

// The last row of a frame list with any text: the grid pads the document's rows.
int lastFilledRow(const J1939FrameList& list) {
    int last = 0;
    for (int row = 1; row <= list.rowCount(); ++row)
        for (int column = 1; column <= list.columnCount(); ++column)
            if (!list.cell(row, column).empty())
                last = row;
    return last;
}

void loadFrames(const fs::path& folder, SimulationProject& project,
                std::vector<std::string>& problems) {
    J1939FrameList received(FrameSide::Received);
    received.load(folder);
    addLoadProblems(received, problems);
    const std::string receivedName = received.documentName();
    for (int row = 1; row <= lastFilledRow(received); ++row) {
        SimulationProject::ReceivedFrame frame;
        const auto pgn = tryParseInteger(received.cell(row, 1));
        const auto source = tryParseInteger(received.cell(row, 2));
        frame.mnemonic = received.cell(row, 4);
        if (pgn && source) {
            frame.usable = true;
            frame.pgn = static_cast<std::uint32_t>(*pgn);
            frame.source = static_cast<std::uint32_t>(*source) & 0xFF;
            // A PDU1 PGN never carries a destination: such a row receives nothing.
            if (frame.pgn <= 0xFFFF && (frame.pgn >> 8) < 240 && (frame.pgn & 0xFF) != 0)
                problems.push_back(receivedName + ", row " + std::to_string(row) + ": PGN " +
                                   hex(frame.pgn, 4) +
                                   " has a destination byte; J1939 frames carry it as " +
                                   hex(frame.pgn & 0xFF00, 4) + ", so the row receives nothing");
        } else {
            problems.push_back(receivedName + ", row " + std::to_string(row) +
                               ": PGN or ID Device is no number; the frame is not received");
        }
        project.received.push_back(std::move(frame));
    }

    J1939FrameList transmitted(FrameSide::Transmitted);
    transmitted.load(folder);
    addLoadProblems(transmitted, problems);
    for (int row = 1; row <= lastFilledRow(transmitted); ++row) {
        SimulationProject::TransmittedFrame frame;
        std::optional<std::int32_t> fields[4];
        bool numbers = true;
        for (int c = 0; c < 4; ++c) {
            fields[c] = tryParseInteger(transmitted.cell(row, c + 1));
            numbers = numbers && fields[c];
        }
        frame.mnemonic = transmitted.cell(row, 5);
        if (numbers) {
            frame.usable = true;
            frame.identifier = j1939Identifier(*fields[0], *fields[1], *fields[2], *fields[3]);
        } else {
            problems.push_back(std::string(transmitted.documentName()) + ", row " +
                               std::to_string(row) +
                               ": a field is no number; the frame is not sent");
        }
        project.transmitted.push_back(std::move(frame));
    }
}

void loadObjects(const fs::path& folder, SdoSide side,
                 std::vector<SimulationProject::MappedObject>& out, std::set<std::uint32_t>& keys,
                 std::vector<std::string>& problems) {
    SdoMapping mapping(side);
    mapping.load(folder);
    addLoadProblems(mapping, problems);
    const std::string name = SdoMapping::mappingDocumentName(side);
    for (const SdoMappingFrame& frame : mapping.frames()) {
        for (const SdoMappingEntry& entry : frame.entries) {
            SimulationProject::MappedObject object;
            object.index = static_cast<std::uint16_t>(entry.index);
            object.subIndex = static_cast<std::uint8_t>(entry.subIndex);
            // As the compiler reads Dimension.
            object.size = int(objectSize(entry.dimension));
            object.frame = static_cast<std::size_t>(frame.number - 1);
            for (std::size_t b = 0; b < 4; ++b)
                object.bytes[b] = entry.bytes[b] >= 0 && entry.bytes[b] <= 8
                                      ? static_cast<std::uint8_t>(entry.bytes[b])
                                      : 0;
            object.sendOnWrite = entry.sendSdo == 1;
            const std::uint32_t key = std::uint32_t(object.index) << 8 | object.subIndex;
            if (!keys.insert(key).second)
                problems.push_back(name + ": the object " + hex(object.index, 4) + "," +
                                   hex(object.subIndex, 2) +
                                   " is mapped again; the first mapping answers the SDO server");
            out.push_back(object);
        }
    }
}

void loadPdos(const fs::path& folder, PdoDirection direction, std::size_t frames,
              std::vector<SimulationProject::Pdo>& out, std::vector<std::string>& problems) {
    PdoMapping mapping(direction);
    mapping.load(folder);
    addLoadProblems(mapping, problems);
    const std::string name = PdoMapping::documentName(direction);
    for (std::size_t r = 0; r < mapping.rows().size(); ++r) {
        const PdoDefinition& row = mapping.rows()[r];
        if (row.cobId.empty())
            break;
        const int cobId = parseInteger(row.cobId, -1);
        const int length = parseInteger(row.dimension, -1);
        const int start = parseInteger(row.offset, -1);
        const int frame = PdoMapping::frameNumber(row.frame);
        const char* why = nullptr;
        if (cobId < 1 || cobId > 0x7FF)
            why = "its COB-ID is not 0x001..0x7FF";
        else if (length < 1 || length > 8 || start < 1 || start > 8 || length + start > 9)
            why = "its Dimension and Start Byte do not fit a frame";
        else if (frame < 1 || std::size_t(frame) > frames)
            why = "it has no J1939 frame";
        if (why) {
            problems.push_back(name + ", row " + std::to_string(r + 1) + ": not simulated, " + why);
            continue;
        }
        out.push_back({static_cast<std::uint16_t>(cobId), static_cast<std::uint8_t>(length),
                       static_cast<std::uint8_t>(start), std::size_t(frame - 1), int(r + 1),
                       row.mnemonic});
    }
}

} // namespace

SimulationProject loadSimulationProject(const fs::path& folder,
                                        std::vector<std::string>& problems) {
    SimulationProject project;
    CommunicationParameters parameters;
    parameters.load(folder);
    addLoadProblems(parameters, problems);
    const auto nodeId = tryParseInteger(parameters.idDevCanopen);
    project.nodeId = nodeId && *nodeId >= 1 && *nodeId <= 127 ? *nodeId : 0;
    if (project.nodeId == 0)
        problems.push_back(std::string(documents::pargen.fileName) + ": ID Dev. '" +
                           parameters.idDevCanopen +
                           "' is no CANopen node ID; the SDO server is not simulated");
    project.startOperational = parameters.setOperational;
    project.tpdoOnChange = parameters.sendOnChange;
    // As the compiler stores it: 1000 when no number, then 16 bits.
    project.tpdoPeriodMs =
        static_cast<std::uint32_t>(tryParseInteger(parameters.sendTpdoTime).value_or(1000)) &
        0xFFFF;
    if (!project.tpdoOnChange && project.tpdoPeriodMs == 0)
        problems.push_back(std::string(documents::pargen.fileName) +
                           ": the cyclic TPDO period is 0 ms; cyclic TPDOs are not sent");

    const auto kbit = [](const std::vector<std::string>& rates, int position) {
        return position >= 0 && std::size_t(position) < rates.size()
                   ? std::stoi(rates[std::size_t(position)])
                   : 0;
    };
    project.canopenBitRateKbit = kbit(CommunicationParameters::canopenRates(), parameters.baudCanopen);
    project.j1939BitRateKbit = kbit(CommunicationParameters::j1939Rates(), parameters.baudRateCan);

    loadFrames(folder, project, problems);
    std::set<std::uint32_t> keys;
    loadObjects(folder, SdoSide::Received, project.receivedObjects, keys, problems);
    loadObjects(folder, SdoSide::Transmitted, project.transmittedObjects, keys, problems);
    loadPdos(folder, PdoDirection::Tpdo, project.received.size(), project.tpdos, problems);
    loadPdos(folder, PdoDirection::Rpdo, project.transmitted.size(), project.rpdos, problems);
    return project;
}

const std::vector<std::string>& simulationAssumptions() {
    static const std::vector<std::string> lines = {
        "Not simulated: the J1939 data time-out (TimeOut_Data), node guarding, the SDO client, "
        "the Delete flag (flagged frames are received like the others), inhibit times and event "
        "timers, the start-up delay and network start (Delay_CANopen, Net_Start_CANopen), "
        "boot-up, heartbeat and EMCY messages, J1939 address claim, requests and transport "
        "protocol, segmented and block SDO transfers (aborted with 0x05040001), the objects "
        "0x1000..0x1FFF (aborted with 0x06020000).",
        "The node is in its start state at the first line (Operational when Set_Ope_CANopen is "
        "1, else Pre-operational); NMT reset node and reset communication return it to that "
        "state and keep every value.",
        "SDO is answered in Pre-operational and Operational, PDOs only in Operational; in "
        "Stopped only NMT commands are handled.",
        "A received frame's PGN includes its data page bit, so frames on data page 1 match no "
        "row; bytes missing from a short frame read 0x00.",
        "An object of 2 or 1 bytes takes B1..B2 or B1 alone (B1 most significant); the other "
        "byte choices are ignored.",
        "TInfoCob objects read back the value last written by SDO; RPDOs change only their "
        "frame's bytes. An expedited download without a size takes the object's size.",
        "An on-change TPDO is compared with the last one sent and is not sent on entering "
        "Operational; cyclic TPDOs are due every Sent_TPDO_Time ms from the first matched "
        "frame, due times outside Operational are skipped; at equal times the log's frames come "
        "first.",
        "An RPDO shorter than its Dimension is ignored. J1939 frames are sent only for an RPDO "
        "or an SDO write with Send_SDO, always with 29-bit identifiers and 8 bytes.",
    };
    return lines;
}

Simulator::Simulator(const SimulationProject& project, SimulationOptions options,
                     FrameOutput& output)
    : m_project(project), m_options(std::move(options)), m_output(output) {
    m_state = project.startOperational ? NmtState::Operational : NmtState::PreOperational;

    // Received rows by (PGN, source address): one slot per key, the rows in order.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> keyed;
    for (std::size_t row = 0; row < project.received.size(); ++row) {
        const auto& frame = project.received[row];
        if (frame.usable && frame.pgn <= 0x3FFFF)
            keyed.emplace_back(frame.pgn << 8 | frame.source, std::uint32_t(row));
    }
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::size_t slots = 16;
    while (slots < keyed.size() * 2)
        slots *= 2;
    m_rowSlots.resize(slots);
    for (std::size_t i = 0; i < keyed.size();) {
        std::size_t j = i;
        while (j < keyed.size() && keyed[j].first == keyed[i].first)
            ++j;
        std::uint32_t s = hashOf(keyed[i].first) & std::uint32_t(slots - 1);
        while (m_rowSlots[s].key != 0)
            s = (s + 1) & std::uint32_t(slots - 1);
        m_rowSlots[s] = {keyed[i].first + 1, std::uint32_t(m_rows.size()),
                         std::uint32_t(m_rows.size() + (j - i))};
        for (std::size_t k = i; k < j; ++k)
            m_rows.push_back(keyed[k].second);
        i = j;
    }

    m_received.assign(project.received.size(), {});
    m_matched.assign(project.received.size(), 0);
    m_transmitted.assign(project.transmitted.size(), {});
    m_j1939Sent.assign(project.transmitted.size(), 0);
    m_transmittedValues.assign(project.transmittedObjects.size(), 0);

    m_tpdosOfRow.resize(project.received.size());
    for (const auto& pdo : project.tpdos) {
        if (pdo.frame >= project.received.size())
            continue;
        m_tpdosOfRow[pdo.frame].push_back(m_tpdos.size());
        m_tpdos.push_back({pdo, false, {}, -1, 0});
    }
    for (std::size_t i = 0; i < project.rpdos.size(); ++i) {
        const auto& pdo = project.rpdos[i];
        if (pdo.frame < project.transmitted.size() && pdo.cobId < m_rpdosOfCobId.size())
            m_rpdosOfCobId[pdo.cobId].push_back(i);
    }

    for (std::size_t i = 0; i < project.receivedObjects.size(); ++i) {
        const auto& o = project.receivedObjects[i];
        m_objects.push_back({std::uint32_t(o.index) << 8 | o.subIndex, false, i});
    }
    for (std::size_t i = 0; i < project.transmittedObjects.size(); ++i) {
        const auto& o = project.transmittedObjects[i];
        m_objects.push_back({std::uint32_t(o.index) << 8 | o.subIndex, true, i});
    }
    // The first mapping of an object answers, received side first.
    std::stable_sort(m_objects.begin(), m_objects.end(),
                     [](const ObjectRef& a, const ObjectRef& b) { return a.key < b.key; });
    m_objects.erase(
        std::unique(m_objects.begin(), m_objects.end(),
                    [](const ObjectRef& a, const ObjectRef& b) { return a.key == b.key; }),
        m_objects.end());

    m_tally.resize(kTallySlots);
}

void Simulator::receive(const CanFrame& frame) {
    sendCyclicBefore(frame.time, false);
    if (frame.interface == m_options.j1939Interface) {
        ++m_j1939Frames;
        if (frame.extended)
            receiveJ1939(frame);
        else
            ++m_j1939Standard;
    } else if (frame.interface == m_options.canopenInterface) {
        ++m_canopenFrames;
        if (!frame.extended)
            receiveCanopen(frame);
        else
            ++m_canopenExtended;
    } else {
        for (auto& [name, count] : m_otherInterfaces)
            if (name == frame.interface) {
                ++count;
                return;
            }
        if (m_otherInterfaces.size() < kMostInterfaces)
            m_otherInterfaces.emplace_back(std::string(frame.interface), 1);
        else
            ++m_moreInterfaces;
    }
}

void Simulator::finish(std::int64_t endTime) {
    sendCyclicBefore(endTime, true);
}

void Simulator::receiveJ1939(const CanFrame& frame) {
    const std::uint32_t id = frame.id;
    std::uint32_t pgn = (id >> 8) & 0x3FFFF;
    // PDU1: the PDU specific byte is the destination, not part of the PGN.
    if (((id >> 16) & 0xFF) < 240)
        pgn &= 0x3FF00;
    const std::uint32_t key = pgn << 8 | (id & 0xFF);
    const std::uint32_t mask = std::uint32_t(m_rowSlots.size() - 1);
    for (std::uint32_t s = hashOf(key) & mask;; s = (s + 1) & mask) {
        const RowSlot& slot = m_rowSlots[s];
        if (slot.key == 0)
            break;
        if (slot.key != key + 1)
            continue;
        for (std::uint32_t i = slot.begin; i < slot.end; ++i) {
            const std::uint32_t row = m_rows[i];
            m_received[row] = frame.data;
            ++m_matched[row];
            for (const std::size_t t : m_tpdosOfRow[row]) {
                Tpdo& tpdo = m_tpdos[t];
                if (!m_project.tpdoOnChange) {
                    if (tpdo.due < 0 && m_project.tpdoPeriodMs > 0) {
                        if (m_state == NmtState::Operational)
                            sendTpdo(tpdo, frame.time);
                        tpdo.due = frame.time + std::int64_t(m_project.tpdoPeriodMs) * 1000;
                        updateEarliestDue();
                    }
                    continue;
                }
                if (m_state != NmtState::Operational)
                    continue;
                const std::uint8_t* bytes = m_received[row].data() + (tpdo.pdo.start - 1);
                if (!tpdo.sent || !std::equal(bytes, bytes + tpdo.pdo.length, tpdo.last.begin()))
                    sendTpdo(tpdo, frame.time);
            }
        }
        return;
    }
    ++m_unmatched;
    tally(key);
}

void Simulator::tally(std::uint32_t key) {
    const std::uint32_t mask = std::uint32_t(m_tally.size() - 1);
    for (std::uint32_t s = hashOf(key) & mask;; s = (s + 1) & mask) {
        TallySlot& slot = m_tally[s];
        if (slot.key == key + 1) {
            ++slot.count;
            return;
        }
        if (slot.key == 0) {
            if (m_tallied == kMostTallied) {
                ++m_untallied;
                return;
            }
            slot = {key + 1, 1};
            ++m_tallied;
            return;
        }
    }
}

void Simulator::updateEarliestDue() {
    m_earliestDue = -1;
    for (const Tpdo& t : m_tpdos)
        if (t.due >= 0 && (m_earliestDue < 0 || t.due < m_earliestDue))
            m_earliestDue = t.due;
}

void Simulator::sendCyclicBefore(std::int64_t time, bool inclusive) {
    while (m_earliestDue >= 0 && (m_earliestDue < time || (inclusive && m_earliestDue == time))) {
        for (Tpdo& t : m_tpdos) {
            if (t.due != m_earliestDue)
                continue;
            if (m_state == NmtState::Operational)
                sendTpdo(t, t.due);
            t.due += std::int64_t(m_project.tpdoPeriodMs) * 1000;
        }
        updateEarliestDue();
    }
}

void Simulator::sendTpdo(Tpdo& tpdo, std::int64_t time) {
    CanFrame out;
    out.time = time;
    out.interface = m_options.canopenInterface;
    out.id = tpdo.pdo.cobId;
    out.length = tpdo.pdo.length;
    const auto& bytes = m_received[tpdo.pdo.frame];
    std::copy_n(bytes.begin() + (tpdo.pdo.start - 1), tpdo.pdo.length, out.data.begin());
    tpdo.last = out.data;
    tpdo.sent = true;
    ++tpdo.count;
    m_output.send(out);
}

void Simulator::sendJ1939(std::size_t row, std::int64_t time) {
    const auto& frame = m_project.transmitted[row];
    if (!frame.usable)
        return;
    CanFrame out;
    out.time = time;
    out.interface = m_options.j1939Interface;
    out.id = frame.identifier & 0x1FFFFFFF;
    out.extended = true;
    out.length = 8;
    out.data = m_transmitted[row];
    ++m_j1939Sent[row];
    m_output.send(out);
}

void Simulator::receiveCanopen(const CanFrame& frame) {
    if (frame.id == 0) {
        nmt(frame);
        return;
    }
    if (m_project.nodeId != 0 && frame.id == 0x600u + std::uint32_t(m_project.nodeId) &&
        m_state != NmtState::Stopped)
        serveSdo(frame);
    for (const std::size_t i : m_rpdosOfCobId[frame.id & 0x7FF])
        if (m_state == NmtState::Operational)
            rpdo(m_project.rpdos[i], frame);
}

void Simulator::nmt(const CanFrame& frame) {
    if (frame.length < 2)
        return;
    const std::uint8_t target = frame.data[1];
    if (target != 0 && (m_project.nodeId == 0 || target != m_project.nodeId))
        return;
    ++m_nmtCommands;
    switch (frame.data[0]) {
    case 0x01:
        m_state = NmtState::Operational;
        break;
    case 0x02:
        m_state = NmtState::Stopped;
        break;
    case 0x80:
        m_state = NmtState::PreOperational;
        break;
    case 0x81:
    case 0x82:
        m_state = m_project.startOperational ? NmtState::Operational : NmtState::PreOperational;
        break;
    default:
        break;
    }
}

void Simulator::rpdo(const SimulationProject::Pdo& pdo, const CanFrame& frame) {
    if (frame.length < pdo.length) {
        ++m_shortRpdos;
        return;
    }
    ++m_rpdosReceived;
    std::copy_n(frame.data.begin(), pdo.length, m_transmitted[pdo.frame].begin() + (pdo.start - 1));
    sendJ1939(pdo.frame, frame.time);
}

const Simulator::ObjectRef* Simulator::findObject(std::uint32_t key) const {
    const auto it = std::lower_bound(m_objects.begin(), m_objects.end(), key,
                                     [](const ObjectRef& o, std::uint32_t k) { return o.key < k; });
    return it != m_objects.end() && it->key == key ? &*it : nullptr;
}

std::uint32_t Simulator::receivedValue(const SimulationProject::MappedObject& object) const {
    std::uint32_t value = 0;
    for (std::size_t k = 0; k < object.size; ++k) {
        value <<= 8;
        const std::uint8_t position = object.bytes[k];
        if (position >= 1 && position <= 8 && object.frame < m_received.size())
            value |= m_received[object.frame][position - 1u];
    }
    return value;
}

void Simulator::serveSdo(const CanFrame& frame) {
    const auto& d = frame.data;
    const std::uint16_t index = static_cast<std::uint16_t>(d[1] | d[2] << 8);
    const std::uint8_t subIndex = d[3];
    const std::uint32_t key = std::uint32_t(index) << 8 | subIndex;
    switch (d[0] >> 5) {
    case 2: { // initiate upload
        const ObjectRef* ref = findObject(key);
        if (!ref) {
            abortSdo(frame.time, index, subIndex, sdo_abort::kNoObject);
            return;
        }
        const auto& object = ref->transmitted ? m_project.transmittedObjects[ref->object]
                                              : m_project.receivedObjects[ref->object];
        const std::uint32_t value =
            ref->transmitted ? m_transmittedValues[ref->object] : receivedValue(object);
        std::array<std::uint8_t, 8> answer{};
        answer[0] = static_cast<std::uint8_t>(0x43 | ((4 - object.size) << 2));
        answer[1] = d[1];
        answer[2] = d[2];
        answer[3] = subIndex;
        for (std::size_t k = 0; k < object.size; ++k)
            answer[4 + k] = static_cast<std::uint8_t>(value >> (8 * k));
        ++m_uploads;
        sendSdo(frame.time, answer);
        return;
    }
    case 1: { // initiate download
        const ObjectRef* ref = findObject(key);
        if (!ref) {
            abortSdo(frame.time, index, subIndex, sdo_abort::kNoObject);
            return;
        }
        if (!ref->transmitted) {
            abortSdo(frame.time, index, subIndex, sdo_abort::kReadOnly);
            return;
        }
        const auto& object = m_project.transmittedObjects[ref->object];
        const bool expedited = d[0] & 0x02;
        const bool sized = d[0] & 0x01;
        if (!expedited) {
            const std::uint32_t announced =
                d[4] | d[5] << 8 | d[6] << 16 | std::uint32_t(d[7]) << 24;
            abortSdo(frame.time, index, subIndex,
                     sized && announced != object.size ? sdo_abort::kLengthMismatch
                                                       : sdo_abort::kUnknownCommand);
            return;
        }
        if (sized && 4u - ((d[0] >> 2) & 3u) != object.size) {
            abortSdo(frame.time, index, subIndex, sdo_abort::kLengthMismatch);
            return;
        }
        std::uint32_t value = 0;
        for (std::size_t k = 0; k < object.size; ++k)
            value |= std::uint32_t(d[4 + k]) << (8 * k);
        m_transmittedValues[ref->object] = value;
        if (object.frame < m_transmitted.size())
            for (std::size_t k = 0; k < object.size; ++k) {
                const std::uint8_t position = object.bytes[k];
                if (position >= 1 && position <= 8)
                    m_transmitted[object.frame][position - 1u] =
                        static_cast<std::uint8_t>(value >> (8 * (object.size - 1 - k)));
            }
        std::array<std::uint8_t, 8> answer{};
        answer[0] = 0x60;
        answer[1] = d[1];
        answer[2] = d[2];
        answer[3] = subIndex;
        ++m_downloads;
        sendSdo(frame.time, answer);
        if (object.sendOnWrite && object.frame < m_transmitted.size())
            sendJ1939(object.frame, frame.time);
        return;
    }
    case 4: // the master aborts: nothing is under way
        return;
    default:
        abortSdo(frame.time, index, subIndex, sdo_abort::kUnknownCommand);
    }
}

void Simulator::sendSdo(std::int64_t time, const std::array<std::uint8_t, 8>& data) {
    CanFrame out;
    out.time = time;
    out.interface = m_options.canopenInterface;
    out.id = 0x580u + std::uint32_t(m_project.nodeId);
    out.length = 8;
    out.data = data;
    m_output.send(out);
}

void Simulator::abortSdo(std::int64_t time, std::uint16_t index, std::uint8_t subIndex,
                         std::uint32_t code) {
    for (std::size_t i = 0; i < std::size(kAbortCodes); ++i)
        if (kAbortCodes[i] == code)
            ++m_aborts[i];
    std::array<std::uint8_t, 8> answer{};
    answer[0] = 0x80;
    answer[1] = static_cast<std::uint8_t>(index);
    answer[2] = static_cast<std::uint8_t>(index >> 8);
    answer[3] = subIndex;
    for (std::size_t k = 0; k < 4; ++k)
        answer[4 + k] = static_cast<std::uint8_t>(code >> (8 * k));
    sendSdo(time, answer);
}

std::vector<ObjectValue> Simulator::values() const {
    std::vector<ObjectValue> result;
    result.reserve(m_objects.size());
    for (const ObjectRef& ref : m_objects) {
        const std::uint32_t value = ref.transmitted
                                        ? m_transmittedValues[ref.object]
                                        : receivedValue(m_project.receivedObjects[ref.object]);
        result.push_back({static_cast<std::uint16_t>(ref.key >> 8),
                          static_cast<std::uint8_t>(ref.key & 0xFF), value});
    }
    return result;
}

std::uint64_t Simulator::tpdosSent() const {
    std::uint64_t n = 0;
    for (const Tpdo& t : m_tpdos)
        n += t.count;
    return n;
}

std::uint64_t Simulator::j1939FramesSent() const {
    std::uint64_t n = 0;
    for (const std::uint64_t c : m_j1939Sent)
        n += c;
    return n;
}

std::uint64_t Simulator::sdoAborts(std::uint32_t code) const {
    for (std::size_t i = 0; i < std::size(kAbortCodes); ++i)
        if (kAbortCodes[i] == code)
            return m_aborts[i];
    return 0;
}

std::string Simulator::summary(const LogCounts& log) const {
    std::string s = "Assumptions:\n";
    for (const std::string& line : simulationAssumptions())
        s += "  - " + line + "\n";

    s += "Log: " + std::to_string(log.lines) + " lines; frames read: " + m_options.j1939Interface +
         " " + std::to_string(m_j1939Frames) + ", " + m_options.canopenInterface + " " +
         std::to_string(m_canopenFrames);
    for (const auto& [name, count] : m_otherInterfaces)
        s += ", " + name + " " + std::to_string(count) + " (ignored)";
    if (m_moreInterfaces)
        s += ", further interfaces " + std::to_string(m_moreInterfaces) + " (ignored)";
    s += "\nSkipped: " + std::to_string(log.remote) + " remote, " + std::to_string(log.fd) +
         " CAN FD, " + std::to_string(log.errorFrames) + " error frames";
    if (m_j1939Standard)
        s += "; " + std::to_string(m_j1939Standard) + " standard frames on " +
             m_options.j1939Interface;
    if (m_canopenExtended)
        s += "; " + std::to_string(m_canopenExtended) + " extended frames on " +
             m_options.canopenInterface;
    s += "\n";

    s += "Frames matched per received row:\n";
    for (std::size_t row = 0; row < m_project.received.size(); ++row) {
        const auto& frame = m_project.received[row];
        s += "  row " + std::to_string(row + 1) + " PGN " + hex(frame.pgn, 4) + " SA " +
             hex(frame.source, 2);
        if (!frame.mnemonic.empty())
            s += " (" + frame.mnemonic + ")";
        s += ": " + std::to_string(m_matched[row]) + "\n";
    }
    s += "Frames that matched no row: " + std::to_string(m_unmatched) + "\n";
    std::vector<TallySlot> top;
    for (const TallySlot& slot : m_tally)
        if (slot.key != 0)
            top.push_back(slot);
    std::sort(top.begin(), top.end(), [](const TallySlot& a, const TallySlot& b) {
        return a.count != b.count ? a.count > b.count : a.key < b.key;
    });
    for (std::size_t i = 0; i < top.size() && i < 10; ++i) {
        const std::uint32_t key = top[i].key - 1;
        s += "  PGN " + hex(key >> 8, 4) + " SA " + hex(key & 0xFF, 2) + ": " +
             std::to_string(top[i].count) + "\n";
    }
    if (m_untallied)
        s += "  (" + std::to_string(m_untallied) +
             " frames of further PGN and source address pairs are not tallied)\n";

    static const char* const kStates[] = {"Pre-operational", "Operational", "Stopped"};
    s += "NMT: " + std::to_string(m_nmtCommands) +
         " commands; state at the end: " + kStates[int(m_state)] + "\n";
    s += "SDO: " + std::to_string(m_uploads) + " uploads, " + std::to_string(m_downloads) +
         " downloads, aborts";
    std::uint64_t aborts = 0;
    for (std::size_t i = 0; i < m_aborts.size(); ++i) {
        aborts += m_aborts[i];
        if (m_aborts[i])
            s += " " + hex(kAbortCodes[i], 8) + " x" + std::to_string(m_aborts[i]);
    }
    if (!aborts)
        s += " none";
    s += "\n";
    s += "TPDOs sent: " + std::to_string(tpdosSent());
    for (const Tpdo& t : m_tpdos)
        s += "; " + hex(t.pdo.cobId, 3) + " x" + std::to_string(t.count);
    s += "\nRPDOs applied: " + std::to_string(m_rpdosReceived);
    if (m_shortRpdos)
        s += "; " + std::to_string(m_shortRpdos) + " shorter than their Dimension, ignored";
    s += "\nJ1939 frames sent: " + std::to_string(j1939FramesSent()) + "\n";
    for (std::size_t row = 0; row < m_project.transmitted.size(); ++row) {
        if (!m_j1939Sent[row])
            continue;
        const auto& frame = m_project.transmitted[row];
        s += "  row " + std::to_string(row + 1) + " " + hex(frame.identifier & 0x1FFFFFFF, 8);
        if (!frame.mnemonic.empty())
            s += " (" + frame.mnemonic + ")";
        s += ": " + std::to_string(m_j1939Sent[row]) + "\n";
    }
    return s;
}

SimulationRun simulateLog(const SimulationProject& project, std::istream& log,
                          const std::string& logName, const SimulationOptions& options,
                          FrameOutput& output) {
    CanLogReader reader(log, logName);
    Simulator simulator(project, options, output);
    CanFrame frame;
    while (reader.next(frame))
        simulator.receive(frame);
    if (reader.hasTime())
        simulator.finish(reader.lastTime());
    const Simulator::LogCounts counts{reader.lines(), reader.remoteFrames(), reader.fdFrames(),
                                      reader.errorFrames()};
    return {simulator.summary(counts), simulator.values()};
}

std::string valuesCsv(const std::vector<ObjectValue>& values) {
    std::string text;
    for (const ObjectValue& v : values)
        text += hex(v.index, 4) + "," + hex(v.subIndex, 2) + "," + hex(v.value, 8) + "\r\n";
    return text;
}

} // namespace ordane
