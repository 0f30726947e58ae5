#include "dbc/DbcExport.h"

#include "check/ProjectCheck.h"
#include "core/AtomicFile.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "core/ProjectFolder.h"
#include "documents/DbcFile.h"
#include "documents/J1939Identifier.h"
#include "documents/KeptSignals.h"
#include "documents/ProjectDocuments.h"
#include "model/J1939FrameList.h"
#include "simulator/Simulation.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>

namespace ordane {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kLongestName = 32;
// What J1939 gives most parameter groups; a received frame's priority is not stored.
constexpr std::uint32_t kReceivedPriority = 6;
constexpr std::size_t kListedFindings = 20;

struct SignalOut {
    std::string name;
    int startBit = 0;
    int length = 8;
    bool littleEndian = true;
    bool isSigned = false;
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 255;
    std::string unit;
    std::string receiver;
    std::string comment;
    std::string object; // "0x2100:03"
    int role = 0;       // 1..4 for a signal of one byte of its object
    int firstByte = 0;  // the lowest message byte it takes, for the order of the lines
    long spn = -1;
    std::vector<std::pair<std::int64_t, std::string>> values; // VAL_
};

struct MessageOut {
    std::uint32_t rawId = 0; // bit 31 set for a J1939 frame
    std::string name;
    int length = 8;
    std::string transmitter;
    bool j1939 = false;
    std::string comment;
    std::vector<SignalOut> signalList;
};

std::string objectText(const SimulationProject::MappedObject& o) {
    return hexText(o.index, 4) + ":" + hexDigits(o.subIndex, 2);
}

std::string fallbackObjectName(const SimulationProject::MappedObject& o) {
    return "Obj_" + hexDigits(o.index, 4) + "_" + hexDigits(o.subIndex, 2);
}

std::string roleText(int role, int size) {
    std::string text = "B" + std::to_string(role);
    if (size > 1 && role == 1)
        text += " (most significant)";
    else if (size > 1 && role == size)
        text += " (least significant)";
    return text;
}

std::string listOfRoles(const std::vector<int>& roles) {
    std::string text;
    for (std::size_t i = 0; i < roles.size(); ++i)
        text += (i == 0                  ? ""
                 : i + 1 == roles.size() ? " and "
                                         : ", ") +
                ("B" + std::to_string(roles[i]));
    return text;
}

// Why an object is written byte by byte in a message of frame bytes first..last (1..8 for
// the frame itself).
std::string byteReasons(const SimulationProject::MappedObject& o, int first, int last) {
    std::vector<std::string> reasons;
    std::map<int, std::vector<int>> rolesOfByte;
    std::vector<int> none;
    std::vector<int> carried;
    bool partly = false;
    for (int k = 0; k < o.size; ++k) {
        const int p = o.bytes[std::size_t(k)];
        if (p == 0)
            none.push_back(k + 1);
        else
            rolesOfByte[p].push_back(k + 1);
        if (p >= first && p <= last)
            carried.push_back(k + 1);
        else if (p != 0)
            partly = true;
    }
    for (const auto& [byte, roles] : rolesOfByte)
        if (roles.size() > 1)
            reasons.push_back("frame byte " + std::to_string(byte) + " is its " +
                              listOfRoles(roles));
    if (!none.empty())
        reasons.push_back(listOfRoles(none) + (none.size() > 1 ? " come" : " comes") +
                          " from no frame byte and " + (none.size() > 1 ? "read" : "reads") + " 0");
    if (partly)
        reasons.push_back("this PDO carries " + listOfRoles(carried) + " only");
    if (reasons.empty())
        reasons.push_back("its bytes are not one run in one byte order");
    std::string text;
    for (const std::string& r : reasons)
        text += (text.empty() ? "" : "; ") + r;
    return text;
}

// A kept signal's name, made valid if the DBC it came from was lax about names.
std::string keptName(const std::string& name) {
    const std::string valid = dbcName(name);
    return valid == name || valid.empty() ? name : valid;
}

// The signals of one object in a message that holds frame bytes first..last as its bytes
// 1, 2, ...: one signal when its bytes B1..Bn are one run there, ascending (big-endian,
// B1 first) or descending (little-endian, B1 last), else one 8-bit signal per byte it has
// there. Scaling and names come from the kept signal when there is one.

void placeObject(const SimulationProject::MappedObject& o, const KeptSignal* kept, int first,
                 int last, const std::string& receiver, std::vector<SignalOut>& out) {
    const int n = o.size;
    auto position = [&](int k) { return int(o.bytes[std::size_t(k)]); };
    auto inside = [&](int k) { return position(k) >= first && position(k) <= last; };
    auto run = [&](int step) {
        for (int k = 0; k < n; ++k)
            if (!inside(k) || position(k) != position(0) + step * k)
                return false;
        return true;
    };
    const std::string base =
        kept && !kept->name.empty() ? keptName(kept->name) : fallbackObjectName(o);
    if (run(1) || (n > 1 && run(-1))) {
        SignalOut s;
        s.name = base;
        s.length = 8 * n;
        s.littleEndian = n == 1 || !run(1);
        s.firstByte = std::min(position(0), position(n - 1)) - first;
        // Motorola start bits name the most significant bit (bit 7 of B1's byte), Intel
        // ones the least significant (bit 0 of Bn's byte).
        s.startBit = s.littleEndian ? 8 * (position(n - 1) - first) : 8 * (position(0) - first) + 7;
        s.maximum = double((std::uint64_t(1) << (8 * n)) - 1);
        s.receiver = receiver;
        s.object = objectText(o);
        if (kept) {
            s.isSigned = kept->isSigned;
            s.factor = kept->factor;
            s.offset = kept->offset;
            s.minimum = kept->minimum;
            s.maximum = kept->maximum;
            s.unit = kept->unit;
            s.comment = kept->comment;
            s.spn = kept->spn;
            s.values = kept->values;
        }
        out.push_back(std::move(s));
        return;
    }
    const std::string reasons = byteReasons(o, first, last);
    for (int k = 0; k < n; ++k) {
        if (!inside(k))
            continue;
        SignalOut s;
        s.name = base + "_B" + std::to_string(k + 1);
        s.firstByte = position(k) - first;
        s.startBit = 8 * s.firstByte;
        s.receiver = receiver;
        s.object = objectText(o);
        s.role = k + 1;
        s.comment = roleText(k + 1, n) + " of the " + std::to_string(n) + "-byte object " +
                    s.object + ": " + reasons;
        out.push_back(std::move(s));
    }
}

std::string identifierName(const char* side, std::uint32_t pgn, std::uint32_t source) {
    return std::string(side) + "_" + hexDigits(pgn, 4) + "_" + hexDigits(source, 2);
}

// Message names are unique in a file; signal names in their message.
std::string uniqueName(std::string name, std::set<std::string>& taken) {
    if (taken.insert(name).second)
        return name;
    for (int k = 2;; ++k) {
        std::string suffix = "_" + std::to_string(k);
        std::string candidate =
            name.size() + suffix.size() > kLongestName && name.size() <= kLongestName
                ? name.substr(0, kLongestName - suffix.size()) + suffix
                : name + suffix;
        if (taken.insert(candidate).second)
            return candidate;
    }
}

// Comments and units hold no double quote (tools differ on escaping one) and no line end.
std::string dbcString(const std::string& text) {
    std::string out;
    for (char c : text)
        out += c == '"' ? '\'' : c == '\\' ? '/' : (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    return out;
}

std::string number(double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string byteRange(int first, int last) {
    return first == last ? "byte " + std::to_string(first)
                         : "bytes " + std::to_string(first) + " to " + std::to_string(last);
}

class Builder {
public:
    Builder(const SimulationProject& project, const KeptSignals& kept)
        : m_project(project), m_kept(kept) {}

    std::vector<MessageOut> build() {
        for (std::size_t i = 0; i < m_project.received.size(); ++i)
            addReceivedFrame(i);
        for (std::size_t i = 0; i < m_project.transmitted.size(); ++i)
            addTransmittedFrame(i);
        for (const auto& pdo : m_project.tpdos)
            addPdo(pdo, true);
        for (const auto& pdo : m_project.rpdos)
            addPdo(pdo, false);
        for (MessageOut& m : m_messages) {
            std::stable_sort(
                m.signalList.begin(), m.signalList.end(),
                [](const SignalOut& a, const SignalOut& b) { return a.firstByte < b.firstByte; });
            std::set<std::string> taken;
            for (SignalOut& s : m.signalList)
                s.name = uniqueName(s.name, taken);
        }
        return std::move(m_messages);
    }

private:
    // The message of `rawId`; frames or PDOs that share an identifier share one message.
    MessageOut& message(std::uint32_t rawId, const std::string& name, int length,
                        const char* transmitter, bool j1939, const std::string& comment) {
        if (const auto it = m_byId.find(rawId); it != m_byId.end()) {
            MessageOut& m = m_messages[it->second];
            m.length = std::max(m.length, length);
            m.comment += " Also on this identifier: " + comment;
            return m;
        }
        m_byId[rawId] = m_messages.size();
        MessageOut m;
        m.rawId = rawId;
        m.name = uniqueName(name, m_names);
        m.length = length;
        m.transmitter = transmitter;
        m.j1939 = j1939;
        m.comment = comment;
        m_messages.push_back(std::move(m));
        return m_messages.back();
    }

    // The DBC message the frame was imported from, else its Mnemonic, else its numbers.
    static std::string frameName(const KeptFrame* kept, const char* side,
                                 const std::string& mnemonic, std::uint32_t pgn,
                                 std::uint32_t source) {
        if (kept && !kept->message.empty())
            return keptName(kept->message);
        std::string name = dbcName(mnemonic);
        return name.empty() ? identifierName(side, pgn, source) : name;
    }

    void addReceivedFrame(std::size_t i) {
        const auto& frame = m_project.received[i];
        m_frameNames.received.push_back({});
        if (!frame.usable)
            return;
        const std::uint32_t pgn = frame.pgn & 0xFFFF;
        const KeptFrame* kept = m_kept.frameFor(Side::Received, int(i + 1), pgn, int(frame.source));
        J1939Identifier id;
        id.priority = kept ? int(kept->identifier >> 26 & 7) : int(kReceivedPriority);
        id.pduFormat = int(pgn >> 8);
        id.pduSpecific = int(pgn & 0xFF);
        id.sourceAddress = int(frame.source);
        std::string comment =
            "Received frame " + std::to_string(i + 1) + " (" +
            std::string(documents::receivedFrames.fileName) + " row " + std::to_string(i + 1) +
            (frame.mnemonic.empty() ? "" : ", " + frame.mnemonic) + "): PGN " + hexText(pgn, 4) +
            " from source address " + hexText(frame.source, 2) + ".";
        if (id.pdu1()) {
            if (id.pduSpecific != 0)
                comment += " Its PGN has a destination byte; J1939 frames carry PGN " +
                           hexText(pgn & 0xFF00, 4) + ", so the converter receives none.";
            id.pduSpecific = 0xFF;
        }
        MessageOut& m = message(0x80000000u | identifier(id),
                                frameName(kept, "RX", frame.mnemonic, pgn, frame.source), 8,
                                kDbcJ1939Node, true, comment);
        m_frameNames.received.back() = m.name;
        for (const auto& o : m_project.receivedObjects)
            if (o.frame == i)
                placeObject(o, keptSignal(Side::Received, o), 1, 8, kDbcGatewayNode, m.signalList);
    }

    void addTransmittedFrame(std::size_t i) {
        const auto& frame = m_project.transmitted[i];
        m_frameNames.transmitted.push_back({});
        if (!frame.usable)
            return;
        const std::uint32_t id29 = frame.identifier & 0x1FFFFFFF;
        const J1939Identifier id = splitJ1939Identifier(id29);
        const std::string comment =
            "Transmitted frame " + std::to_string(i + 1) + " (" +
            std::string(documents::transmittedFrames.fileName) + " row " + std::to_string(i + 1) +
            (frame.mnemonic.empty() ? "" : ", " + frame.mnemonic) + "): priority " +
            std::to_string(id.priority) + ", data page " + std::to_string(id.dataPage) + ", PGN " +
            hexText(id29 >> 8 & 0xFFFF, 4) + ", source address " +
            hexText(std::uint32_t(id.sourceAddress), 2) + ".";
        const KeptFrame* kept =
            m_kept.frameFor(Side::Transmitted, int(i + 1), id29 >> 8 & 0xFFFF, int(id29 & 0xFF));
        MessageOut& m =
            message(0x80000000u | id29,
                    frameName(kept, "TX", frame.mnemonic, id29 >> 8 & 0xFFFF, id29 & 0xFF), 8,
                    kDbcGatewayNode, true, comment);
        m_frameNames.transmitted.back() = m.name;
        for (const auto& o : m_project.transmittedObjects)
            if (o.frame == i)
                placeObject(o, keptSignal(Side::Transmitted, o), 1, 8, kDbcJ1939Node, m.signalList);
    }

    void addPdo(const SimulationProject::Pdo& pdo, bool tpdo) {
        const auto& names = tpdo ? m_frameNames.received : m_frameNames.transmitted;
        if (pdo.frame >= names.size() || names[pdo.frame].empty())
            return;
        const std::string kind = tpdo ? "TPDO" : "RPDO";
        const int first = pdo.start;
        const int last = pdo.start + pdo.length - 1;
        const std::string comment =
            kind + " " + std::to_string(pdo.row) + " (" +
            std::string(tpdo ? documents::tpdo.fileName : documents::rpdo.fileName) + " row " +
            std::to_string(pdo.row) + (pdo.mnemonic.empty() ? "" : ", " + pdo.mnemonic) +
            "): " + byteRange(first, last) + " of the " + (tpdo ? "received" : "transmitted") +
            " frame " + names[pdo.frame] + " as its " + byteRange(1, pdo.length) + ".";
        MessageOut& m = message(pdo.cobId, kind + std::to_string(pdo.row), pdo.length,
                                tpdo ? kDbcGatewayNode : kDbcCanopenNode, false, comment);
        const auto& objects = tpdo ? m_project.receivedObjects : m_project.transmittedObjects;
        for (const auto& o : objects)
            if (o.frame == pdo.frame)
                placeObject(o, keptSignal(tpdo ? Side::Received : Side::Transmitted, o), first,
                            last, tpdo ? kDbcCanopenNode : kDbcGatewayNode, m.signalList);
    }

    static std::uint32_t identifier(const J1939Identifier& id) {
        return std::uint32_t(id.priority) << 26 | std::uint32_t(id.dataPage) << 24 |
               std::uint32_t(id.pduFormat) << 16 | std::uint32_t(id.pduSpecific) << 8 |
               std::uint32_t(id.sourceAddress);
    }

    // The signal an object was imported from, while the mapping still holds it as imported.
    const KeptSignal* keptSignal(Side side, const SimulationProject::MappedObject& o) const {
        SdoMappingEntry entry;
        entry.index = o.index;
        entry.subIndex = o.subIndex;
        entry.dimension = o.size == 4 ? 0 : o.size == 2 ? 1 : 2;
        for (std::size_t k = 0; k < 4; ++k)
            entry.bytes[k] = o.bytes[k];
        return m_kept.signalFor(side, int(o.frame) + 1, entry);
    }

    const SimulationProject& m_project;
    const KeptSignals& m_kept;
    std::vector<MessageOut> m_messages;
    std::map<std::uint32_t, std::size_t> m_byId;
    std::set<std::string> m_names;
    struct {
        std::vector<std::string> received; // message name per frame, "" when not written
        std::vector<std::string> transmitted;
    } m_frameNames;
};

void line(std::string& text, const std::string& content) {
    text += content;
    text += "\r\n";
}

std::string dbcText(const std::vector<MessageOut>& messages, const std::string& projectName,
                    const LocalDateTime& made) {
    std::string t;
    line(t, "VERSION \"\"");
    line(t, "");
    line(t, "NS_ :");
    for (const char* section : {"NS_DESC_", "CM_", "BA_DEF_", "BA_", "VAL_", "BA_DEF_DEF_"})
        line(t, std::string("\t") + section);
    line(t, "");
    line(t, "BS_:");
    line(t, "");
    line(t, std::string("BU_: ") + kDbcGatewayNode + " " + kDbcJ1939Node + " " + kDbcCanopenNode);
    for (const MessageOut& m : messages) {
        line(t, "");
        line(t, "BO_ " + std::to_string(m.rawId) + " " + m.name + ": " + std::to_string(m.length) +
                    " " + m.transmitter);
        for (const SignalOut& s : m.signalList)
            line(t, " SG_ " + s.name + " : " + std::to_string(s.startBit) + "|" +
                        std::to_string(s.length) + "@" + (s.littleEndian ? "1" : "0") +
                        (s.isSigned ? "-" : "+") + " (" + number(s.factor) + "," +
                        number(s.offset) + ") [" + number(s.minimum) + "|" + number(s.maximum) +
                        "] \"" + dbcString(s.unit) + "\" " + s.receiver);
    }
    line(t, "");

    auto two = [](int v) { return std::string(v < 10 ? "0" : "") + std::to_string(v); };
    line(t, "CM_ \"Both buses of the CANopen-J1939 converter as project " + dbcString(projectName) +
                " configures it: the J1939 frames it receives and transmits and its PDOs. "
                "Written " +
                std::to_string(made.year) + "-" + two(made.month) + "-" + two(made.day) + " " +
                two(made.hour) + ":" + two(made.minute) + ":" + two(made.second) + ".\";");
    line(t, std::string("CM_ BU_ ") + kDbcGatewayNode + " \"The CANopen-J1939 converter\";");
    line(t,
         std::string("CM_ BU_ ") + kDbcJ1939Node + " \"The other devices of the J1939 network\";");
    line(t, std::string("CM_ BU_ ") + kDbcCanopenNode +
                " \"The CANopen master and the other nodes of the CANopen network\";");
    for (const MessageOut& m : messages)
        line(t, "CM_ BO_ " + std::to_string(m.rawId) + " \"" + dbcString(m.comment) + "\";");
    for (const MessageOut& m : messages)
        for (const SignalOut& s : m.signalList)
            if (!s.comment.empty())
                line(t, "CM_ SG_ " + std::to_string(m.rawId) + " " + s.name + " \"" +
                            dbcString(s.comment) + "\";");

    line(t, "BA_DEF_ BO_ \"VFrameFormat\" ENUM \"StandardCAN\",\"ExtendedCAN\",\"reserved\","
            "\"J1939PG\";");
    line(t, std::string("BA_DEF_ SG_ \"") + kDbcObjectAttribute + "\" STRING ;");
    line(t, std::string("BA_DEF_ SG_ \"") + kDbcObjectByteAttribute + "\" INT 0 4;");
    const bool spns = std::any_of(messages.begin(), messages.end(), [](const MessageOut& m) {
        return std::any_of(m.signalList.begin(), m.signalList.end(),
                           [](const SignalOut& s) { return s.spn >= 0; });
    });
    if (spns)
        line(t, "BA_DEF_ SG_ \"SPN\" INT 0 524287;");
    line(t, "BA_DEF_DEF_ \"VFrameFormat\" \"StandardCAN\";");
    line(t, std::string("BA_DEF_DEF_ \"") + kDbcObjectAttribute + "\" \"\";");
    line(t, std::string("BA_DEF_DEF_ \"") + kDbcObjectByteAttribute + "\" 0;");
    if (spns)
        line(t, "BA_DEF_DEF_ \"SPN\" 0;");
    for (const MessageOut& m : messages)
        if (m.j1939)
            line(t, "BA_ \"VFrameFormat\" BO_ " + std::to_string(m.rawId) + " 3;");
    for (const MessageOut& m : messages)
        for (const SignalOut& s : m.signalList) {
            const std::string head = " SG_ " + std::to_string(m.rawId) + " " + s.name + " ";
            line(t, std::string("BA_ \"") + kDbcObjectAttribute + "\"" + head + "\"" + s.object +
                        "\";");
            if (s.role != 0)
                line(t, std::string("BA_ \"") + kDbcObjectByteAttribute + "\"" + head +
                            std::to_string(s.role) + ";");
            if (s.spn >= 0)
                line(t, "BA_ \"SPN\"" + head + std::to_string(s.spn) + ";");
        }
    for (const MessageOut& m : messages)
        for (const SignalOut& s : m.signalList) {
            if (s.values.empty())
                continue;
            std::string entries;
            for (const auto& [value, text] : s.values)
                entries += " " + std::to_string(value) + " \"" + dbcString(text) + "\"";
            line(t, "VAL_ " + std::to_string(m.rawId) + " " + s.name + entries + " ;");
        }
    return dbcTextAsWindows1252(t);
}

// What `check` finds in the frame lists and the mapping documents refuses the file: a
// DBC file of them would tell the CAN tools something the converter does not do.
void refuseWhatCheckRefuses(const fs::path& projectFolder) {
    ProjectCheck check;
    J1939FrameList received(FrameSide::Received);
    J1939FrameList transmitted(FrameSide::Transmitted);
    for (J1939FrameList* list : {&received, &transmitted}) {
        list->load(projectFolder);
        check.addModel(*list);
    }
    checkMappings(projectFolder, check);
    if (check.failures.empty())
        return;
    std::string text = "No DBC file is written; ordane-cli check finds:";
    for (std::size_t i = 0; i < check.failures.size() && i < kListedFindings; ++i)
        text += "\n" + check.failures[i];
    if (check.failures.size() > kListedFindings)
        text += "\n... and " + std::to_string(check.failures.size() - kListedFindings) + " more";
    throw Error(text);
}

} // namespace

std::string dbcName(const std::string& text) {
    std::string name;
    for (const char c : text) {
        const bool word =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (word)
            name += c;
        else if (!name.empty() && name.back() != '_')
            name += '_';
    }
    while (!name.empty() && name.back() == '_')
        name.pop_back();
    if (name.empty())
        return name;
    if (name.front() >= '0' && name.front() <= '9')
        name.insert(0, "_");
    if (name.size() > kLongestName)
        name.resize(kLongestName);
    while (name.back() == '_')
        name.pop_back();
    return name;
}

std::string buildProjectDbc(const fs::path& projectFolder, const LocalDateTime& made) {
    requireExistingProjectFolder(projectFolder);
    refuseWhatCheckRefuses(projectFolder);
    std::vector<std::string> problems; // what check would refuse; refused above
    const SimulationProject project = loadSimulationProject(projectFolder, problems);
    const KeptSignals kept = KeptSignals::load(projectFolder);
    return dbcText(Builder(project, kept).build(), projectFolderName(projectFolder), made);
}

void writeProjectDbc(const fs::path& projectFolder, const fs::path& target, const Clock& clock) {
    writeFileAtomically(target, buildProjectDbc(projectFolder, clock.now()));
}

} // namespace ordane
