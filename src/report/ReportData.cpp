#include "report/ReportData.h"

#include "core/Error.h"
#include "core/MappedObjectRules.h"
#include "core/NumberText.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocuments.h"
#include "model/CommunicationParameters.h"
#include "model/J1939FrameList.h"
#include "model/NodeGuardSettings.h"
#include "model/PdoMapping.h"
#include "model/SdoClientFrames.h"
#include "model/SdoMapping.h"
#include "eds/EdsProject.h"

#include <algorithm>
#include <exception>
#include <iterator>

namespace ordane {

namespace fs = std::filesystem;

namespace {

// Loads one model; what it could not read is noted and the report goes on with the rest.
void load(DocumentModel& model, const fs::path& folder, std::vector<ReportProblem>& problems) {
    model.load(folder);
    for (const Finding& f : model.loadProblems()) {
        // The reader's text names its document; one that does not is given the name.
        const std::string text = f.message.rfind(f.document, 0) == 0 ? f.message : f.line();
        problems.push_back({f.document, text});
    }
}

bool inRange(const std::string& text, int low, int high) {
    const std::int32_t value = parseInteger(text, -1);
    return value >= low && value <= high;
}

void readCommunication(const fs::path& folder, ReportData& data) {
    CommunicationParameters p;
    load(p, folder, data.problems);
    data.nodeId = p.idDevCanopen;
    data.canopenRate = p.baudCanopen;
    data.j1939Rate = p.baudRateCan;
    data.setOperational = p.setOperational;
    data.networkStart = p.networkStart;
    data.startDelay = p.delay;
    data.sendOnChange = p.sendOnChange;
    data.sendTpdoTime = p.sendTpdoTime;
    data.dataTimeOut = p.timeOutData;
    data.peerToPeer = p.peerToPeer;
    data.nodeGuard = p.nodeGuard;
    data.sendNodeGuardOnJ1939 = p.sendNodeGuardOnJ1939;
    data.nodeGuardSendEvery = p.nodeGuardSendEvery;
    data.sdoClient = p.sdoClient;
    data.sdoClientTimeOut = p.sdoClientTimeOut;
}

// The PDOs of one direction, with the frame bytes each one occupies.
std::vector<ReportPdo> readPdos(const fs::path& folder, PdoDirection direction,
                                std::vector<ReportProblem>& problems) {
    // A frame list that cannot be read is told by the frame list's own model.
    PdoMapping mapping(direction);
    load(mapping, folder, problems);

    std::vector<ReportPdo> pdos;
    for (std::size_t k = 0; k < mapping.rows().size(); ++k) {
        const PdoDefinition& row = mapping.rows()[k];
        // The editor's table ends at the first empty COB-ID.
        if (row.cobId.empty())
            break;
        ReportPdo pdo;
        pdo.number = int(k) + 1;
        pdo.cobId = row.cobId;
        pdo.dimension = row.dimension;
        pdo.startByte = row.offset;
        pdo.frame = row.frame.empty() ? 0 : PdoMapping::frameNumber(row.frame);
        pdo.mnemonic = row.mnemonic;
        const std::int32_t size = parseInteger(row.dimension, -1);
        const std::int32_t start = parseInteger(row.offset, -1);
        if (size >= 1 && size <= 8 && start >= 1 && start <= 8 && start + size <= 9) {
            pdo.firstByte = start;
            pdo.lastByte = start + size - 1;
        }
        pdos.push_back(std::move(pdo));
    }
    return pdos;
}

// What the project keeps of its DBC imports; a file that cannot be read is told and the
// report shows the documents alone.
KeptSignals readKeptSignals(const fs::path& folder, std::vector<ReportProblem>& problems) {
    try {
        return KeptSignals::load(folder);
    } catch (const std::exception& e) {
        problems.push_back({std::string(kKeptSignalsFileName), e.what()});
        return {};
    }
}

// The DBC message and signals of a frame, where the documents still hold what was imported.
void attachKeptSignals(ReportFrame& frame, Side side, const KeptSignals& kept,
                       const std::vector<SdoMappingEntry>& entries) {
    const KeptFrame* dbc = kept.frameFor(side, frame.number,
                                         std::uint32_t(parseInteger(frame.pgn, -1)) & 0xFFFFu,
                                         parseInteger(frame.sourceAddress, -1));
    if (!dbc)
        return;
    frame.dbc = *dbc;
    for (std::size_t k = 0; k < entries.size() && k < frame.objects.size(); ++k)
        if (const KeptSignal* s = kept.signalFor(side, frame.number, entries[k]))
            frame.objects[k].signal = *s;
}

std::vector<ReportFrame> readFrames(const fs::path& folder, FrameSide side,
                                    const std::vector<ReportPdo>& pdos, const KeptSignals& kept,
                                    ReportData& data) {
    J1939FrameList list(side);
    load(list, folder, data.problems);
    const SdoSide sdoSide = side == FrameSide::Received ? SdoSide::Received : SdoSide::Transmitted;
    SdoMapping mapping(sdoSide);
    load(mapping, folder, data.problems);

    // Frame numbers are document rows; the mapping may know rows after an empty key cell.
    const int count = std::max(list.tableRows(), int(mapping.frames().size()));
    std::vector<ReportFrame> frames;
    for (int n = 1; n <= count; ++n) {
        ReportFrame frame;
        frame.number = n;
        if (side == FrameSide::Received) {
            frame.pgn = list.cell(n, 1);
            frame.sourceAddress = list.cell(n, 2);
            frame.deleteFlag = equalsIgnoringCase(list.cell(n, 3), "Y");
            frame.mnemonic = list.cell(n, 4);
        } else {
            frame.priority = list.cell(n, 1);
            frame.dataPage = list.cell(n, 2);
            frame.pgn = list.cell(n, 3);
            frame.sourceAddress = list.cell(n, 4);
            frame.mnemonic = list.cell(n, 5);
        }
        if (std::size_t(n) <= mapping.frames().size()) {
            for (const SdoMappingEntry& entry : mapping.frames()[std::size_t(n - 1)].entries) {
                FrameObject object;
                const MappedObject stored = storedObject(entry.index, entry.subIndex);
                object.index = stored.first;
                object.subIndex = stored.second;
                object.size = int(objectSize(entry.dimension));
                object.sendOnWrite = sdoSide == SdoSide::Transmitted && entry.sendSdo == 1;
                for (int role = 0; role < object.size; ++role) {
                    const std::int32_t b = entry.bytes[std::size_t(role)];
                    const int byte = b >= 1 && b <= 8 ? b : 0;
                    object.sourceBytes.push_back(byte);
                    if (byte > 0)
                        frame.bytes[std::size_t(byte - 1)].objects.push_back(
                            {object.index, object.subIndex, object.size, role});
                }
                frame.objects.push_back(std::move(object));
            }
            attachKeptSignals(frame, side, kept, mapping.frames()[std::size_t(n - 1)].entries);
        } else {
            attachKeptSignals(frame, side, kept, {});
        }
        for (const ReportPdo& pdo : pdos)
            if (pdo.frame == n && pdo.firstByte > 0)
                for (int byte = pdo.firstByte; byte <= pdo.lastByte; ++byte)
                    frame.bytes[std::size_t(byte - 1)].pdos.push_back(
                        {pdo.cobId, pdo.number, byte - pdo.firstByte + 1});
        frames.push_back(std::move(frame));
    }
    return frames;
}

void readObjects(const fs::path& folder, ReportData& data) {
    try {
        const EdsProject project = readEdsProject(folder);
        for (const SDO_Index& record : project.objects) {
            // The file adds sub-index 0 when the mapping starts above it.
            if (!record.subEntries.empty() && record.subEntries.front().subIndex != 0)
                data.objects.push_back({record.index, 0, 1, "ro", true});
            for (const SDO_Sub_Type& sub : record.subEntries) {
                // The EDS file declares any other Dimension as four bytes.
                const int size = sub.dimension == 1 ? 2 : sub.dimension == 2 ? 1 : 4;
                data.objects.push_back(
                    {record.index, sub.subIndex, size, sub.readOnly == 1 ? "ro" : "rw", false});
            }
        }
    } catch (const std::exception& e) {
        data.edsRefusal = e.what();
    }
}

ReportJ1939Frame reportFrame(std::string name, const J1939FrameDefinition& f) {
    return {std::move(name), f.priority, f.dataPage, f.pgn, f.sa, f.mnemonic};
}

void readClientAndGuarding(const fs::path& folder, ReportData& data) {
    SdoClientFrames client;
    load(client, folder, data.problems);
    const char* clientNames[] = {"Request SDO Read", "Answer SDO Read", "Request SDO Write (1/2)",
                                 "Request SDO Write (2/2)", "Answer SDO Write"};
    for (int k = 1; k <= SdoClientFrames::kFrames; ++k)
        data.sdoClientFrames.push_back(reportFrame(clientNames[k - 1], client.frame(k)));

    NodeGuardSettings guarding;
    load(guarding, folder, data.problems);
    for (int row = 1; row <= guarding.usedRows(); ++row) {
        const GuardedNode& node = guarding.node(row);
        data.guardedNodes.push_back(
            {node.nodeId, node.guardTime, node.lifeTimeFactor, node.mnemonic});
    }
    for (int k = 1; k <= NodeGuardSettings::kFrames; ++k)
        data.guardFrames.push_back(
            reportFrame("State frame " + std::to_string(k), guarding.frame(k)));
}

std::string folderName(const fs::path& folder) {
    fs::path path = folder.lexically_normal();
    if (path.filename().empty())
        path = path.parent_path();
    return path.filename().string();
}

} // namespace

bool ReportFrame::used() const {
    return !objects.empty() ||
           std::any_of(bytes.begin(), bytes.end(), [](const FrameByte& b) { return b.used(); });
}

std::optional<std::uint32_t> j1939FrameIdentifier(int priority, int dataPage,
                                                  const std::string& pgn,
                                                  const std::string& sourceAddress) {
    if (priority < 0 || priority > 7 || dataPage < 0 || dataPage > 1 || !inRange(pgn, 0, 0xFFFF) ||
        !inRange(sourceAddress, 0, 253))
        return std::nullopt;
    return ((std::uint32_t(priority) * 4 + std::uint32_t(dataPage)) * 65536 +
            std::uint32_t(parseInteger(pgn))) *
               256 +
           std::uint32_t(parseInteger(sourceAddress));
}

ReportData readReportData(const fs::path& projectFolder) {
    ReportData data;
    data.projectName = folderName(projectFolder);
    readCommunication(projectFolder, data);
    data.tpdos = readPdos(projectFolder, PdoDirection::Tpdo, data.problems);
    data.rpdos = readPdos(projectFolder, PdoDirection::Rpdo, data.problems);
    const KeptSignals kept = readKeptSignals(projectFolder, data.problems);
    data.received = readFrames(projectFolder, FrameSide::Received, data.tpdos, kept, data);
    data.transmitted = readFrames(projectFolder, FrameSide::Transmitted, data.rpdos, kept, data);
    readObjects(projectFolder, data);
    readClientAndGuarding(projectFolder, data);
    // In the order the report shows the documents.
    const DocumentDefinition* order[] = {
        &documents::pargen,     &documents::receivedFrames,    &documents::receivedSdo,
        &documents::tpdo,       &documents::transmittedFrames, &documents::transmittedSdo,
        &documents::rpdo,       &documents::sdoClient,         &documents::guardedNodes,
        &documents::guardFrames};
    const auto rank = [&](const ReportProblem& p) {
        return std::find_if(std::begin(order), std::end(order),
                            [&](const DocumentDefinition* d) {
                                return equalsIgnoringCase(p.document, d->fileName);
                            }) -
               std::begin(order);
    };
    std::stable_sort(
        data.problems.begin(), data.problems.end(),
        [&](const ReportProblem& a, const ReportProblem& b) { return rank(a) < rank(b); });
    return data;
}

} // namespace ordane
