#include "documents/ProjectDocuments.h"

#include "core/Error.h"
#include "documents/DocumentFiles.h"

namespace ordane {

namespace fs = std::filesystem;

namespace documents {

namespace {

using namespace field;

constexpr std::string_view kPargenFields[] = {
    kBaudRateCan,     kCanType,   kIdDevCanopen,         kBaudCanopen,        kSetOperational,
    kNetworkStart,    kDelay,     kTimeOutData,          kPeerToPeer,         kSendTpdo,
    kSendTpdoTime,    kNodeGuard, kSendNodeGuardOnJ1939, kNodeGuardSendEvery, kSdoClient,
    kSdoClientTimeOut};
constexpr std::string_view kReceivedFrameFields[] = {kPgn, kSourceAddress, kDelete, kMnemonic};
constexpr std::string_view kTransmittedFrameFields[] = {kPriority, kListDataPage, kPgn,
                                                        kSourceAddress, kMnemonic};
constexpr std::string_view kReceivedSdoFields[] = {kNrPdo,    kIndex,    kSubIndex, kDimension,
                                                   kBytes[0], kBytes[1], kBytes[2], kBytes[3]};
constexpr std::string_view kTransmittedSdoFields[] = {
    kNrPdo, kIndex, kSubIndex, kDimension, kBytes[0], kBytes[1], kBytes[2], kBytes[3], kSendSdo};
constexpr std::string_view kPdoFields[] = {kCobId, kDimension, kOffset, kFrame, kMnemonic};
constexpr std::string_view kFrameDefinitionFields[] = {kPriority, kDataPage, kPgn, kSa, kMnemonic};
constexpr std::string_view kGuardedNodeFields[] = {kNodeId, kGuardTime, kLifeTimeFactor, kMnemonic};

} // namespace

const DocumentDefinition pargen{"pargen.xml", "GeneralParameter", DocumentShape::Record,
                                kPargenFields};
const DocumentDefinition receivedFrames{"RCobDef.xml", "COBID", DocumentShape::Table,
                                        kReceivedFrameFields};
const DocumentDefinition transmittedFrames{"TCobDef.xml", "COBID", DocumentShape::Table,
                                           kTransmittedFrameFields};
const DocumentDefinition receivedSdo{"RInfoCob.xml", "RInfoCob", DocumentShape::Table,
                                     kReceivedSdoFields};
const DocumentDefinition transmittedSdo{"TInfoCob.xml", "TInfoCob", DocumentShape::Table,
                                        kTransmittedSdoFields};
const DocumentDefinition rpdo{"pdoJ1939.xml", "PDOJ1939", DocumentShape::Table, kPdoFields};
const DocumentDefinition tpdo{"TpdoJ1939.xml", "PDOJ1939", DocumentShape::Table, kPdoFields};
const DocumentDefinition sdoClient{"SDOClient.xml", "J1939_Frames_SDOClient", DocumentShape::Table,
                                   kFrameDefinitionFields};
const DocumentDefinition guardedNodes{"NodeGuard.xml", "Node_Guarding", DocumentShape::Table,
                                      kGuardedNodeFields};
const DocumentDefinition guardFrames{"NG_J1939_Frame.xml", "NG_J1939_Frames", DocumentShape::Table,
                                     kFrameDefinitionFields};

const DocumentDefinition& frames(Side side) {
    return side == Side::Received ? receivedFrames : transmittedFrames;
}

const DocumentDefinition& sdoMapping(Side side) {
    return side == Side::Received ? receivedSdo : transmittedSdo;
}

std::span<const DocumentDefinition* const> all() {
    static const DocumentDefinition* const kAll[] = {
        &receivedFrames, &transmittedFrames, &receivedSdo, &transmittedSdo, &rpdo,
        &tpdo,           &guardedNodes,      &guardFrames, &sdoClient,      &pargen};
    return kAll;
}

} // namespace documents

bool DocumentFile::load(const fs::path& projectFolder, const DocumentDefinition& definition) {
    m_definition = &definition;
    return m_document.loadIfExists(projectFolder, definition.fileName);
}

pugi::xml_node DocumentFile::namedRoot() const {
    return m_document.root(m_definition->rootName);
}

SdoMappingRow readSdoMappingRow(const DocumentRow& row, Side side) {
    SdoMappingRow result;
    result.row = row.number();
    result.nrPdo = row.integer(field::kNrPdo);
    SdoMappingEntry& e = result.entry;
    e.index = row.integer(field::kIndex);
    e.subIndex = row.integer(field::kSubIndex);
    e.dimension = row.integer(field::kDimension);
    for (std::size_t b = 0; b < e.bytes.size(); ++b)
        e.bytes[b] = row.integer(field::kBytes[b]);
    if (side == Side::Transmitted)
        e.sendSdo = row.integer(field::kSendSdo);
    return result;
}

std::vector<ProjectDocument::Pair> sdoMappingAttributes(const SdoMappingRow& row, Side side) {
    const SdoMappingEntry& e = row.entry;
    std::vector<ProjectDocument::Pair> values = {
        {std::string(field::kNrPdo), std::to_string(row.nrPdo)},
        {std::string(field::kIndex), std::to_string(e.index)},
        {std::string(field::kSubIndex), std::to_string(e.subIndex)},
        {std::string(field::kDimension), std::to_string(e.dimension)},
    };
    for (std::size_t b = 0; b < e.bytes.size(); ++b)
        values.emplace_back(field::kBytes[b], std::to_string(e.bytes[b]));
    if (side == Side::Transmitted)
        values.emplace_back(field::kSendSdo, std::to_string(e.sendSdo));
    return values;
}

std::vector<SdoMappingRow> readSdoMapping(const fs::path& projectFolder, Side side) {
    std::vector<SdoMappingRow> rows;
    DocumentFile file;
    if (!file.load(projectFolder, documents::sdoMapping(side)))
        return rows;
    for (const DocumentRow& row : file.rows())
        rows.push_back(readSdoMappingRow(row, side));
    return rows;
}

std::uint32_t objectSize(std::int32_t dimension) {
    switch (dimension & 0xFF) {
    case 0:
        return 4;
    case 1:
        return 2;
    default:
        return 1;
    }
}

} // namespace ordane
