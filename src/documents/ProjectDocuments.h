#pragma once

#include "documents/ProjectDocument.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// The ten project documents: each one's file name, root element and fields are defined
// here and nowhere else. Readers take rows through the typed readers below, so a bad value
// is named by document, row and attribute in the same words everywhere.

// The received frames and what is built on them, or the transmitted frames and theirs.
enum class Side { Received = 1, Transmitted = 2 };

enum class DocumentShape {
    Record, // one child element per value (pargen.xml)
    Table,  // one child element per row, values in attributes
};

struct DocumentDefinition {
    std::string_view fileName;
    std::string_view rootName;
    DocumentShape shape;
    // Attributes of a row (or elements of a record) in the order they are written.
    std::span<const std::string_view> fields;
};

namespace field {
inline constexpr std::string_view kPgn = "PGN";
inline constexpr std::string_view kSourceAddress = "ID_DEV"; // the frame lists' name
inline constexpr std::string_view kDelete = "Delete";
inline constexpr std::string_view kMnemonic = "Mnemonic";
inline constexpr std::string_view kPriority = "Priority";
inline constexpr std::string_view kListDataPage = "DP"; // the transmitted list's name
inline constexpr std::string_view kNrPdo = "NrPdo";
inline constexpr std::string_view kIndex = "Index";
inline constexpr std::string_view kSubIndex = "SubIndex";
inline constexpr std::string_view kDimension = "Dimension";
inline constexpr std::array<std::string_view, 4> kBytes = {"B1", "B2", "B3", "B4"};
inline constexpr std::string_view kSendSdo = "Send_SDO";
inline constexpr std::string_view kCobId = "COB-ID";
inline constexpr std::string_view kOffset = "Offset";
inline constexpr std::string_view kFrame = "Frame_J1939";
inline constexpr std::string_view kDataPage = "DataPage";
inline constexpr std::string_view kSa = "SA";
inline constexpr std::string_view kNodeId = "NodeID";
inline constexpr std::string_view kGuardTime = "GuardTime";
inline constexpr std::string_view kLifeTimeFactor = "LifeTimeFactor";
// The elements of pargen.xml.
inline constexpr std::string_view kBaudRateCan = "BaudRateCAN";
inline constexpr std::string_view kCanType = "CANType";
inline constexpr std::string_view kIdDevCanopen = "IDDev_CANopen";
inline constexpr std::string_view kBaudCanopen = "Baud_CANopen";
inline constexpr std::string_view kSetOperational = "Set_Ope_CANopen";
inline constexpr std::string_view kNetworkStart = "Net_Start_CANopen";
inline constexpr std::string_view kDelay = "Delay_CANopen";
inline constexpr std::string_view kTimeOutData = "TimeOut_Data";
inline constexpr std::string_view kPeerToPeer = "Peer_to_Peer";
inline constexpr std::string_view kSendTpdo = "Sent_TPDO";
inline constexpr std::string_view kSendTpdoTime = "Sent_TPDO_Time";
inline constexpr std::string_view kNodeGuard = "NodeGuard";
inline constexpr std::string_view kSendNodeGuardOnJ1939 = "Send_NG_J1939";
inline constexpr std::string_view kNodeGuardSendEvery = "BG_Send_Every";
inline constexpr std::string_view kSdoClient = "EN_SDO_Client";
inline constexpr std::string_view kSdoClientTimeOut = "TO_SDO_Client";
} // namespace field

namespace documents {
extern const DocumentDefinition pargen;            // communication parameters
extern const DocumentDefinition receivedFrames;    // J1939 frames received
extern const DocumentDefinition transmittedFrames; // J1939 frames transmitted
extern const DocumentDefinition receivedSdo;       // SDO mapping of the received frames
extern const DocumentDefinition transmittedSdo;    // SDO mapping of the transmitted frames
extern const DocumentDefinition rpdo;              // RPDOs onto the transmitted frames
extern const DocumentDefinition tpdo;              // TPDOs from the received frames
extern const DocumentDefinition sdoClient;         // the SDO client's J1939 frames
extern const DocumentDefinition guardedNodes;      // guarded CANopen nodes
extern const DocumentDefinition guardFrames;       // node-guarding state frames

const DocumentDefinition& frames(Side side);
const DocumentDefinition& sdoMapping(Side side);

// All ten, in the order the compiler reads them.
std::span<const DocumentDefinition* const> all();
} // namespace documents

// Reads a project document by its definition.
class DocumentFile {
public:
    // False when the project folder has no such document (any letter case); throws Error
    // when it exists but cannot be read.
    bool load(const std::filesystem::path& projectFolder, const DocumentDefinition& definition);

    const ProjectDocument& document() const { return m_document; }
    // The name as found on disk ("rcobdef.xml" when so spelled).
    const std::string& name() const { return m_document.name(); }
    // The root element, whatever its name.
    pugi::xml_node root() const { return m_document.documentElement(); }
    // The root element, which must carry the definition's name.
    pugi::xml_node namedRoot() const;
    std::size_t rowCount() const { return ProjectDocument::rowCount(root()); }
    std::vector<DocumentRow> rows() const { return m_document.rows(root()); }
    std::vector<DocumentRow> rowsOfNamedRoot() const { return m_document.rows(namedRoot()); }

private:
    ProjectDocument m_document;
    const DocumentDefinition* m_definition = nullptr;
};

// One mapped object of RInfoCob.xml or TInfoCob.xml. Dimension, the bytes and Send_SDO are
// drop-down positions: Dimension 0 "4 Bytes", 1 "2 Bytes", 2 "1 Byte"; a byte 0 "None", k
// "Byte k J1939 Frame"; send 0 "False", 1 "True". Values are kept as read, so re-saving a
// document loses nothing.
struct SdoMappingEntry {
    std::int32_t index = 0;
    std::int32_t subIndex = 0;
    std::int32_t dimension = 0;
    std::array<std::int32_t, 4> bytes{}; // B1 (most significant) .. B4
    std::int32_t sendSdo = 0;            // transmitted side only

    bool operator==(const SdoMappingEntry&) const = default;
};

// A row of RInfoCob.xml or TInfoCob.xml as stored: the entry and the frame it belongs to.
struct SdoMappingRow {
    int row = 0; // from 1
    std::int32_t nrPdo = 0;
    SdoMappingEntry entry;
};
// Reads the attributes in document order; throws Error naming the first bad one.
SdoMappingRow readSdoMappingRow(const DocumentRow& row, Side side);
std::vector<ProjectDocument::Pair> sdoMappingAttributes(const SdoMappingRow& row, Side side);

// Reads every row of a side's SDO mapping document; a missing document has none.
std::vector<SdoMappingRow> readSdoMapping(const std::filesystem::path& projectFolder, Side side);

// The size in bytes of a mapped object from its Dimension position.
std::uint32_t objectSize(std::int32_t dimension);

} // namespace ordane
