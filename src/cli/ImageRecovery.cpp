#include "ImageRecovery.h"

#include "documents/ProjectDocuments.h"

#include "core/Clock.h"
#include "core/MessageSink.h"
#include "compiler/CompileProject.h"
#include "compiler/ImageComparison.h"
#include "compiler/ImageReader.h"
#include "documents/DocumentFiles.h"
#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/ProjectDocument.h"
#include "model/CommunicationParameters.h"
#include "model/J1939FrameList.h"
#include "model/NodeGuardSettings.h"
#include "model/PdoMapping.h"
#include "model/SdoClientFrames.h"
#include "model/SdoMapping.h"

#include <algorithm>
#include <functional>

namespace ordane {

namespace fs = std::filesystem;

namespace {

using Row = std::vector<std::uint32_t>;

std::string decimal(std::uint32_t value) {
    return std::to_string(value);
}

// Some models hold fewer rows than the image's area (four PDOs, 32 guarded nodes, five
// frames); those documents are saved by the model in pieces of its size and the pieces'
// rows joined, so that every row keeps the model's own form. `savePiece(first, count)`
// saves rows first .. first + count - 1; rows the model adds beyond them are dropped.
void saveInPieces(const fs::path& folder, const char* document, std::size_t rows,
                  std::size_t pieceSize,
                  const std::function<void(std::size_t, std::size_t)>& savePiece) {
    const fs::path path = documentPath(folder, document);
    ProjectDocument joined;
    for (std::size_t first = 0;; first += pieceSize) {
        const std::size_t count = std::min(pieceSize, rows - first);
        savePiece(first, count);
        ProjectDocument piece;
        piece.load(path);
        const std::vector<DocumentRow> pieceRows = piece.rows(piece.documentElement());
        if (first == 0) {
            if (rows <= pieceSize && pieceRows.size() == rows)
                return; // the model's own document is the whole of it
            joined.create(piece.documentElement().name());
        }
        for (std::size_t k = 0; k < count && k < pieceRows.size(); ++k)
            joined.documentElement().append_copy(pieceRows[k].node());
        if (first + pieceSize >= rows)
            break;
    }
    joined.save(path);
}

class Recovery {
public:
    Recovery(const ImageContents& contents, fs::path folder, std::vector<std::string>& notes)
        : m_c(contents), m_folder(std::move(folder)), m_notes(notes) {}

    void run() {
        parameters();
        frameList(FrameSide::Received);
        frameList(FrameSide::Transmitted);
        sdoMapping(SdoSide::Received, kReceivedSdo);
        sdoMapping(SdoSide::Transmitted, kTransmittedSdo);
        pdoMapping(PdoDirection::Rpdo, kRpdoMappings);
        pdoMapping(PdoDirection::Tpdo, kTpdoMappings);
        guardedNodes();
        stateFrames();
        sdoClientFrames();
    }

private:
    const std::vector<Row>& rows(TableId id) const { return m_c.tables[id].rows; }

    std::uint32_t parameter(std::string_view name) const {
        const auto& fields = parameterFields();
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].attribute == name)
                return m_c.parameters[i];
        throw Error("no parameter " + std::string(name));
    }

    void note(std::string text) { m_notes.push_back(std::move(text)); }

    void parameters() {
        CommunicationParameters p;
        const auto flag = [&](const char* name) {
            const std::uint32_t value = parameter(name);
            if (value > 1)
                note(std::string("pargen.xml: ") + name + " " + decimal(value) +
                     " is no choice of the editor (0 or 1); written as 1");
            return value != 0;
        };
        const auto position = [&](const char* name, std::int64_t value) {
            if (value >= -1 && value < CommunicationParameters::kRateCount)
                return int(value);
            note(std::string("pargen.xml: ") + name + " " + std::to_string(value) +
                 " is no entry of the editor's list; written as -1 (none chosen)");
            return CommunicationParameters::kNoSelection;
        };
        p.baudRateCan = position("BaudRateCAN", std::int64_t(parameter("BaudRateCAN")) - 1);
        if (parameter("CANType") != 1)
            note("pargen.xml: CANType " + decimal(parameter("CANType")) +
                 " cannot be saved; the editor always writes 1");
        p.idDevCanopen = decimal(parameter("IDDev_CANopen"));
        const std::uint32_t canopen = parameter("Baud_CANopen");
        p.baudCanopen = position("Baud_CANopen", canopen == 0xFF ? -1 : std::int64_t(canopen));
        p.setOperational = flag("Set_Ope_CANopen");
        p.networkStart = flag("Net_Start_CANopen");
        p.delay = int(parameter("Delay_CANopen"));
        p.timeOutData = decimal(parameter("TimeOut_Data"));
        p.peerToPeer = flag("Peer_to_Peer");
        p.sendOnChange = flag("Sent_TPDO");
        p.sendTpdoTime = decimal(parameter("Sent_TPDO_Time"));
        p.nodeGuard = flag("NodeGuard");
        p.sendNodeGuardOnJ1939 = flag("Send_NG_J1939");
        p.nodeGuardSendEvery = decimal(parameter("BG_Send_Every"));
        p.sdoClient = flag("EN_SDO_Client");
        p.sdoClientTimeOut = decimal(parameter("TO_SDO_Client"));
        p.save(m_folder);
    }

    void frameList(FrameSide side) {
        J1939FrameList list(side);
        if (side == FrameSide::Received) {
            for (std::size_t k = 0; k < rows(kReceivedFrames).size(); ++k) {
                const Row& r = rows(kReceivedFrames)[k];
                const int row = int(k + 1);
                list.setCell(row, 1, hexText(r[0], 4));
                list.setCell(row, 2, hexText(r[1], 2));
                list.setCell(row, 3, m_c.deleted[k] ? "Y" : "N");
                if (r[2] != k)
                    note("RCobDef.xml row " + std::to_string(row) + ": the image stores position " +
                         decimal(r[2]) + "; the compiler always writes the row's own, " +
                         std::to_string(k));
            }
        } else {
            for (std::size_t k = 0; k < rows(kTransmittedFrames).size(); ++k) {
                const Row& r = rows(kTransmittedFrames)[k];
                const int row = int(k + 1);
                list.setCell(row, 1, decimal(r[0]));
                list.setCell(row, 2, decimal(r[1]));
                list.setCell(row, 3, hexText(r[2], 4));
                list.setCell(row, 4, hexText(r[3], 2));
            }
        }
        list.save(m_folder);
    }

    void sdoMapping(SdoSide side, TableId id) {
        SdoMapping mapping(side);
        mapping.load(m_folder); // the frame list was just written by this recovery
        const char* document = SdoMapping::mappingDocumentName(side);
        std::uint32_t previous = 0;
        for (std::size_t k = 0; k < rows(id).size(); ++k) {
            const Row& r = rows(id)[k];
            const std::string row = std::string(document) + " row " + std::to_string(k + 1);
            const std::uint32_t frame = r[3];
            if (frame < 1 || frame > mapping.frames().size()) {
                note(row + ": frame number " + decimal(frame) + " is no row of " +
                     SdoMapping::frameDocumentName(side) +
                     "; the editor cannot hold the entry, it is not written");
                continue;
            }
            if (frame < previous)
                note(row + ": the editor saves entries in frame order, so this entry of frame " +
                     decimal(frame) + " comes before those of frame " + decimal(previous));
            previous = std::max(previous, frame);
            SdoMappingEntry entry;
            entry.index = std::int32_t(r[0]);
            entry.subIndex = std::int32_t(r[1]);
            entry.dimension = r[2] == 4 ? 0 : r[2] == 2 ? 1 : 2;
            if (r[2] != 4 && r[2] != 2 && r[2] != 1)
                note(row + ": object size " + decimal(r[2]) +
                     " comes from no Dimension; written as 2 (1 byte)");
            for (std::size_t b = 0; b < 4; ++b)
                entry.bytes[b] = std::int32_t(r[4 + b]);
            if (side == SdoSide::Transmitted)
                entry.sendSdo = std::int32_t(r[8]);
            mapping.addEntry(frame - 1, entry);
        }
        mapping.save(m_folder);
    }

    void pdoMapping(PdoDirection direction, TableId id) {
        PdoMapping mapping(direction);
        mapping.load(m_folder);
        const char* document = PdoMapping::documentName(direction);
        for (std::size_t k = 0; k < rows(id).size(); ++k)
            if (rows(id)[k][2] == 0)
                note(std::string(document) + " row " + std::to_string(k + 1) +
                     ": frame number 0 cannot be saved (the editor leaves Frame_J1939 out, "
                     "and the compiler then stops)");
        saveInPieces(m_folder, document, rows(id).size(), PdoMapping::kRows,
                     [&](std::size_t first, std::size_t count) {
                         mapping.rows() = {};
                         for (std::size_t i = 0; i < count; ++i) {
                             const Row& r = rows(id)[first + i];
                             PdoDefinition& pdo = mapping.rows()[i];
                             pdo.cobId = decimal(r[0]);
                             pdo.dimension = decimal(r[1]);
                             pdo.offset = decimal(r[3]);
                             pdo.frame = mapping.choiceOf(int(r[2]));
                             if (pdo.frame.empty())
                                 pdo.frame = decimal(r[2]) + ";"; // no such frame: keep its number
                         }
                         mapping.save(m_folder);
                     });
    }

    void guardedNodes() {
        NodeGuardSettings settings;
        const std::vector<Row>& nodes = rows(kGuardedNodes);
        saveInPieces(
            m_folder, documents::guardedNodes.fileName.data(), nodes.size(), NodeGuardSettings::kRows,
            [&](std::size_t first, std::size_t count) {
                settings.clearTable();
                for (std::size_t i = 0; i < count; ++i) {
                    const Row& r = nodes[first + i];
                    settings.node(int(i + 1)) = {decimal(r[0]), decimal(r[1]), decimal(r[2]), ""};
                }
                settings.saveTable(m_folder);
            });
    }

    static J1939FrameDefinition frameOf(const Row& r) {
        return {int(r[0]), int(r[1]), hexText(r[2], 4), hexText(r[3], 2), ""};
    }

    // The editors write five frames; an image with none had no document.
    bool framesPresent(TableId id, const char* document) {
        if (m_c.tables[id].markingExhausted)
            note(std::string(document) + ": the image marks unused entries only in its first " +
                 std::to_string(m_c.tables[id].count) +
                 " records; rows after them cannot be told from bytes left by an earlier "
                 "compilation and are not recovered");
        if (!rows(id).empty())
            return true;
        note(std::string(document) +
             ": the image holds no frame (the document was missing when it was compiled); "
             "not written, since the editor always saves five");
        return false;
    }

    void stateFrames() {
        if (!framesPresent(kStateFrames, documents::guardFrames.fileName.data()))
            return;
        NodeGuardSettings settings;
        const std::vector<Row>& frames = rows(kStateFrames);
        saveInPieces(m_folder, documents::guardFrames.fileName.data(), frames.size(), NodeGuardSettings::kFrames,
                     [&](std::size_t first, std::size_t count) {
                         for (std::size_t i = 0; i < count; ++i)
                             settings.frame(int(i + 1)) = frameOf(frames[first + i]);
                         settings.saveFrames(m_folder);
                     });
    }

    void sdoClientFrames() {
        if (!framesPresent(kSdoClientFrames, documents::sdoClient.fileName.data()))
            return;
        SdoClientFrames client;
        const std::vector<Row>& frames = rows(kSdoClientFrames);
        for (std::size_t k = 0; k < frames.size(); ++k) {
            const int position = int(k % SdoClientFrames::kFrames) + 1;
            if (!SdoClientFrames::hasPriority(position) && frames[k][0] != 0)
                note("SDOClient.xml row " + std::to_string(k + 1) + ": Priority " +
                     decimal(frames[k][0]) +
                     " cannot be saved; the editor writes 0 for a request frame");
        }
        saveInPieces(m_folder, documents::sdoClient.fileName.data(), frames.size(), SdoClientFrames::kFrames,
                     [&](std::size_t first, std::size_t count) {
                         for (std::size_t i = 0; i < count; ++i)
                             client.frame(int(i + 1)) = frameOf(frames[first + i]);
                         client.save(m_folder);
                     });
    }

    const ImageContents& m_c;
    fs::path m_folder;
    std::vector<std::string>& m_notes;
};

} // namespace

RecoveryReport recoverProject(const DeviceImage& image, const fs::path& folder) {
    const ImageContents contents = readImage(image);
    RecoveryReport report;
    report.notes = {
        "Mnemonics are not in the image: every Mnemonic is empty.",
        "The texts of numbers are not in the image: numbers are written in decimal, PGNs and "
        "source addresses in hexadecimal; a value that was typed wider than its field was "
        "stored cut to the field and is recovered cut.",
    };
    Recovery(contents, folder, report.notes).run();

    DeviceImage compiled;
    RecordingMessageSink messages;
    const FixedClock clock({});
    try {
        compileProject(folder, compiled, messages, clock);
    } catch (const Error& e) {
        report.differences.push_back("The recovered project does not compile: " +
                                     std::string(e.what()));
        return report;
    }
    report.differences = compareImages(compiled, image, "the recovered project", "the image");
    return report;
}

} // namespace ordane
