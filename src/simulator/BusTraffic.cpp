#include "simulator/BusTraffic.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/J1939Identifier.h"
#include "documents/KeptSignals.h"
#include "model/SdoMapping.h"

#include <cstdio>

namespace ordane {

namespace {

std::string j1939Name(const std::string& mnemonic, std::uint32_t pgn, std::uint32_t source) {
    std::string name = mnemonic.empty() ? std::string() : mnemonic + " ";
    return name + "PGN " + hexText(pgn, 4) + " SA " + hexText(source, 2);
}

// Objects of a frame whose bytes a PDO carries, with their positions in the PDO.
std::vector<BusTraffic::Object>
pdoObjects(const std::vector<SimulationProject::MappedObject>& objects,
           const SimulationProject::Pdo& pdo) {
    std::vector<BusTraffic::Object> carried;
    for (const auto& o : objects) {
        if (o.frame != pdo.frame)
            continue;
        BusTraffic::Object object{o.index, o.subIndex, o.size, {}, {}};
        bool inside = true;
        for (std::size_t k = 0; k < o.size; ++k) {
            const int at = int(o.bytes[k]) - int(pdo.start) + 1;
            inside = inside && o.bytes[k] != 0 && at >= 1 && at <= pdo.length;
            object.positions[k] = inside ? std::uint8_t(at) : 0;
        }
        if (inside)
            carried.push_back(object);
    }
    return carried;
}

std::vector<BusTraffic::Object>
frameObjects(const std::vector<SimulationProject::MappedObject>& objects, std::size_t frame) {
    std::vector<BusTraffic::Object> result;
    for (const auto& o : objects)
        if (o.frame == frame)
            result.push_back({o.index, o.subIndex, o.size, o.bytes, {}});
    return result;
}

constexpr std::uint64_t kReceivedSpace = std::uint64_t(1) << 40;
constexpr std::uint64_t kTransmittedSpace = std::uint64_t(2) << 40;
constexpr std::uint64_t kCanopenSpace = std::uint64_t(3) << 40;

std::uint64_t spaceOf(BusTraffic::Kind kind) {
    switch (kind) {
    case BusTraffic::Kind::J1939Received:
        return kReceivedSpace;
    case BusTraffic::Kind::J1939Transmitted:
        return kTransmittedSpace;
    default:
        return kCanopenSpace;
    }
}

} // namespace

BusTraffic::BusTraffic(const SimulationProject& project, SimulationOptions options)
    : m_options(std::move(options)) {
    for (std::size_t i = 0; i < project.received.size(); ++i) {
        const auto& frame = project.received[i];
        if (!frame.usable)
            continue;
        Row row;
        row.kind = Kind::J1939Received;
        row.name = j1939Name(frame.mnemonic, frame.pgn, frame.source);
        row.key = frame.pgn << 8 | frame.source;
        row.objects = frameObjects(project.receivedObjects, i);
        m_rows.push_back(std::move(row));
    }
    for (std::size_t i = 0; i < project.transmitted.size(); ++i) {
        const auto& frame = project.transmitted[i];
        if (!frame.usable)
            continue;
        const J1939Identifier id = splitJ1939Identifier(frame.identifier & 0x1FFFFFFF);
        Row row;
        row.kind = Kind::J1939Transmitted;
        row.name = j1939Name(frame.mnemonic, std::uint32_t(id.pduFormat << 8 | id.pduSpecific),
                             std::uint32_t(id.sourceAddress));
        row.key = frame.identifier & 0x3FFFFFF; // the priority aside
        row.objects = frameObjects(project.transmittedObjects, i);
        m_rows.push_back(std::move(row));
    }
    for (const auto& pdo : project.tpdos)
        m_rows.push_back({Kind::Tpdo, "TPDO " + hexText(pdo.cobId, 3), pdo.cobId,
                          pdoObjects(project.receivedObjects, pdo)});
    for (const auto& pdo : project.rpdos)
        m_rows.push_back({Kind::Rpdo, "RPDO " + hexText(pdo.cobId, 3), pdo.cobId,
                          pdoObjects(project.transmittedObjects, pdo)});
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        m_index[spaceOf(m_rows[i].kind) | m_rows[i].key].push_back(i);
    m_sampledCounts.assign(m_rows.size(), 0);
}

const std::vector<std::size_t>& BusTraffic::count(const CanFrame& frame) {
    m_matched.clear();
    const auto add = [&](std::uint64_t key) {
        const auto it = m_index.find(key);
        if (it != m_index.end())
            m_matched.insert(m_matched.end(), it->second.begin(), it->second.end());
    };
    if (frame.interface == m_options.j1939Interface && frame.extended) {
        std::uint32_t pgn = (frame.id >> 8) & 0x3FFFF;
        if (((frame.id >> 16) & 0xFF) < 240)
            pgn &= 0x3FF00;
        add(kReceivedSpace | (pgn << 8 | (frame.id & 0xFF)));
        add(kTransmittedSpace | (frame.id & 0x3FFFFFF));
    } else if (frame.interface == m_options.canopenInterface && !frame.extended) {
        add(kCanopenSpace | frame.id);
    }
    for (const std::size_t i : m_matched) {
        Row& row = m_rows[i];
        ++row.count;
        row.lastTime = frame.time;
        row.length = frame.length;
        row.data = frame.data;
    }
    if (m_matched.empty())
        ++m_undescribed;
    return m_matched;
}

bool BusTraffic::carried(const Object& object, std::size_t length) {
    for (std::size_t k = 0; k < object.size; ++k)
        if (object.positions[k] == 0 || object.positions[k] > length)
            return false;
    return true;
}

std::uint32_t BusTraffic::value(const Object& object, const std::uint8_t* data) {
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < object.size; ++k)
        v = v << 8 | (object.positions[k] ? data[object.positions[k] - 1u] : 0u);
    return v;
}

std::string BusTraffic::physicalText(const ObjectSignal& signal, std::uint32_t raw,
                                     std::uint8_t size) {
    std::int64_t value = raw;
    const unsigned bits = 8u * size;
    if (signal.isSigned && (raw >> (bits - 1)) & 1u)
        value -= std::int64_t(1) << bits;
    const double physical = double(value) * signal.factor + signal.offset;
    char text[64];
    std::snprintf(text, sizeof text, "%.10g", physical);
    std::string s = signal.name + "=" + text;
    if (!signal.unit.empty())
        s += " " + signal.unit;
    return s;
}

std::string BusTraffic::objectsText(const Row& row, const std::uint8_t* data,
                                    std::size_t length) {
    std::string s;
    for (const Object& object : row.objects) {
        if (!carried(object, length))
            continue;
        const std::uint32_t raw = value(object, data);
        if (!s.empty())
            s += ' ';
        s += hexText(object.index, 4) + ":" + hexText(object.subIndex, 2).substr(2) + "=" +
             hexText(raw, 2 * object.size);
        if (object.signal)
            s += " " + physicalText(*object.signal, raw, object.size);
    }
    return s;
}

std::string BusTraffic::line(std::size_t row, const CanFrame& frame) const {
    std::string s;
    appendLogLine(s, frame);
    s.resize(s.size() - 2); // the line end
    s += " " + m_rows[row].name;
    const std::string objects = objectsText(m_rows[row], frame.data.data(), frame.length);
    if (!objects.empty())
        s += ": " + objects;
    return s;
}

void BusTraffic::setSignal(std::uint16_t index, std::uint8_t subIndex,
                           const ObjectSignal& signal) {
    for (Row& row : m_rows)
        for (Object& object : row.objects)
            if (object.index == index && object.subIndex == subIndex)
                object.signal = signal;
}

void BusTraffic::attachKeptSignals(const std::filesystem::path& projectFolder,
                                   std::vector<std::string>& problems) {
    KeptSignals kept;
    try {
        kept = KeptSignals::load(projectFolder);
    } catch (const Error& e) {
        problems.push_back(std::string(e.what()) + "; objects are shown without their signals");
        return;
    }
    if (kept.empty())
        return;
    for (const Side side : {Side::Received, Side::Transmitted}) {
        SdoMapping mapping(side);
        mapping.load(projectFolder);
        for (const SdoMappingFrame& frame : mapping.frames())
            for (const SdoMappingEntry& entry : frame.entries)
                if (const KeptSignal* signal = kept.signalFor(side, frame.number, entry))
                    setSignal(std::uint16_t(entry.index), std::uint8_t(entry.subIndex),
                              {signal->name, signal->unit, signal->factor, signal->offset,
                               signal->isSigned});
    }
}

void BusTraffic::sampleRates(std::int64_t now) {
    if (m_sampleTime < 0) {
        m_sampleTime = now;
        return;
    }
    const double seconds = double(now - m_sampleTime) / 1e6;
    if (seconds <= 0)
        return;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        m_rows[i].rate = double(m_rows[i].count - m_sampledCounts[i]) / seconds;
        m_sampledCounts[i] = m_rows[i].count;
    }
    m_sampleTime = now;
}

} // namespace ordane
