#include "CompileProject.h"

#include "documents/DocumentFiles.h"
#include "documents/Error.h"
#include "documents/NumberText.h"
#include "documents/ProjectDocument.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ordane {

namespace fs = std::filesystem;

namespace {

// Offsets of the parameter block and its neighbours in bank 1.
namespace offset {
constexpr std::size_t kParameters = 16000;
constexpr std::size_t kDeleteFlags = 16100;
} // namespace offset

constexpr std::size_t kDeleteFlagBytes = 32;

// What one compilation gathers on its way and writes only with pargen.xml.
struct Working {
    std::array<std::uint8_t, kDeleteFlagBytes> deleteFlags{};
    std::size_t receivedFrames = 0;
    std::size_t transmittedFrames = 0;
    std::size_t receivedSdo = 0;
    std::size_t transmittedSdo = 0;
    std::size_t rpdoMappings = 0;
    std::size_t tpdoMappings = 0;
};

// A table document: its rows are the root's child elements, whatever the names. Rows
// beyond the room of the area are refused before any of them is written.
class Table {
public:
    // False when the document does not exist.
    bool open(const fs::path& folder, std::string_view name, const ImageArea& area) {
        if (!documentExists(folder, name))
            return false;
        m_document.load(documentPath(folder, name));
        const pugi::xml_node root = m_document.documentElement();
        // Counted before any row is taken, so a huge document is refused at once.
        if (const std::size_t count = ProjectDocument::rowCount(root); count > area.room())
            throw Error(m_document.name() + " has " + std::to_string(count) +
                        " rows; the device image has room for " + std::to_string(area.room()));
        m_rows = m_document.rows(root);
        return true;
    }
    const std::vector<DocumentRow>& rows() const { return m_rows; }

private:
    ProjectDocument m_document;
    std::vector<DocumentRow> m_rows;
};

std::uint32_t bits(std::int32_t value) {
    return static_cast<std::uint32_t>(value);
}

std::string upperCase(std::string text) {
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

// The size in bytes of an SDO-mapped object from its Dimension choice.
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

void compileReceivedFrames(const fs::path& folder, DeviceImage& image, Working& work) {
    Table table;
    if (!table.open(folder, "RCobDef.xml", area::receivedFrames))
        return;
    work.receivedFrames = table.rows().size();
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        const std::int32_t pgn = row.integer("PGN");
        const std::int32_t source = row.integer("ID_DEV");
        const bool deleted = upperCase(row.attribute("Delete", "N")) == "Y";
        RecordWriter record(image, area::receivedFrames, k);
        record.u32(0, bits(pgn));
        record.u8(4, bits(source));
        record.u8(5, static_cast<std::uint32_t>(k));
        // The room of the area is below the 256 flags, so k always has its bit.
        if (deleted)
            work.deleteFlags[k / 8] |= static_cast<std::uint8_t>(1u << (k % 8));
    }
}

void compileTransmittedFrames(const fs::path& folder, DeviceImage& image, Working& work) {
    Table table;
    if (!table.open(folder, "TCobDef.xml", area::transmittedFrames))
        return;
    work.transmittedFrames = table.rows().size();
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        const std::int32_t priority = row.integer("Priority");
        const std::int32_t dataPage = row.integer("DP");
        const std::int32_t pgn = row.integer("PGN");
        const std::int32_t source = row.integer("ID_DEV");
        RecordWriter(image, area::transmittedFrames, k)
            .u32(0, j1939Identifier(priority, dataPage, pgn, source));
    }
}

// Each field is written as soon as it is read, so a bad value leaves the fields before it.
std::size_t compileSdoMapping(const fs::path& folder, std::string_view name,
                              const ImageArea& area, bool withSendFlag, DeviceImage& image) {
    Table table;
    if (!table.open(folder, name, area))
        return 0;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        RecordWriter record(image, area, k);
        record.u16(0, bits(row.integer("Index")));
        record.u8(2, bits(row.integer("SubIndex")));
        record.u8(3, objectSize(row.integer("Dimension")));
        record.u8(4, bits(row.integer("NrPdo")));
        record.u8(5, bits(row.integer("B1")));
        record.u8(6, bits(row.integer("B2")));
        record.u8(7, bits(row.integer("B3")));
        record.u8(8, bits(row.integer("B4")));
        if (withSendFlag)
            record.u8(9, bits(row.integer("Send_SDO")));
    }
    return table.rows().size();
}

std::size_t compilePdoMapping(const fs::path& folder, std::string_view name,
                              const ImageArea& area, DeviceImage& image) {
    Table table;
    if (!table.open(folder, name, area))
        return 0;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        RecordWriter record(image, area, k);
        record.u16(0, bits(row.integer("COB-ID")));
        record.u8(2, bits(row.integer("Dimension")));
        record.u8(3, bits(row.integer("Frame_J1939")));
        const std::optional<std::string> start = row.find("Offset");
        record.u8(4, bits(start ? tryParseInteger(*start).value_or(1) : 1));
    }
    return table.rows().size();
}

// A table whose absence is told to the user.
bool openAnnounced(Table& table, const fs::path& folder, std::string_view name,
                   const ImageArea& area, MessageSink& messages, const std::string& missing) {
    if (table.open(folder, name, area))
        return true;
    messages.info(missing);
    return false;
}

void compileGuardedNodes(const fs::path& folder, DeviceImage& image, MessageSink& messages) {
    Table table;
    if (!openAnnounced(table, folder, "NodeGuard.xml", area::guardedNodes, messages,
                       "File NodeGuard xml not found"))
        return;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        RecordWriter record(image, area::guardedNodes, k);
        record.u8(0, bits(row.integer("NodeID")));
        record.u16(1, bits(row.integer("GuardTime")));
        record.u8(3, bits(row.integer("LifeTimeFactor")));
    }
}

// NG_J1939_Frame.xml and SDOClient.xml: one J1939 identifier per row.
void compileFrameDefinitions(const fs::path& folder, std::string_view name,
                             const ImageArea& area, DeviceImage& image, MessageSink& messages,
                             const std::string& missing) {
    Table table;
    if (!openAnnounced(table, folder, name, area, messages, missing))
        return;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        const std::int32_t priority = row.integer("Priority");
        const std::int32_t dataPage = row.integer("DataPage");
        const std::int32_t pgn = row.integer("PGN");
        const std::int32_t source = row.integer("SA");
        RecordWriter(image, area, k).u32(0, j1939Identifier(priority, dataPage, pgn, source));
    }
}

// pargen.xml: fields are the root's first child of each name, values the element text.
class Parameters {
public:
    explicit Parameters(const fs::path& path) {
        m_document.load(path);
        m_root = m_document.documentElement();
    }

    std::uint32_t required(std::string_view name) const {
        const std::string text = m_document.childText(m_root, name);
        if (auto value = tryParseInteger(text))
            return bits(*value);
        throw Error(m_document.name() + ", " + std::string(name) + ": " +
                    notAnIntegerMessage(text));
    }

    // The default also stands for text that is no number.
    std::uint32_t withDefault(std::string_view name, std::int32_t fallback) const {
        const std::optional<std::string> text = ProjectDocument::findChildText(m_root, name);
        return bits(text ? tryParseInteger(*text).value_or(fallback) : fallback);
    }

private:
    ProjectDocument m_document;
    pugi::xml_node m_root;
};

void compileParameters(const fs::path& folder, DeviceImage& image, const Working& work) {
    if (!documentExists(folder, "pargen.xml"))
        return;
    const Parameters p(documentPath(folder, "pargen.xml"));
    constexpr std::size_t o = offset::kParameters;
    image.putU8(1, o + 0, p.required("BaudRateCAN") + 1u);
    image.putU8(1, o + 1, p.required("CANType"));
    image.putU8(1, o + 2, p.required("IDDev_CANopen"));
    image.putU8(1, o + 3, p.required("Baud_CANopen"));
    image.putU8(1, o + 4, p.required("Set_Ope_CANopen"));
    image.putU8(1, o + 5, p.required("Net_Start_CANopen"));
    image.putU8(1, o + 6, p.required("Delay_CANopen"));
    image.putU8(1, o + 7, p.withDefault("TimeOut_Data", 0));
    image.putU16(1, o + 8, 1);
    image.putU8(1, o + 10, p.withDefault("Peer_to_Peer", 0));

    for (std::size_t i = 0; i < kDeleteFlagBytes; ++i)
        image.putU8(1, offset::kDeleteFlags + i, work.deleteFlags[i]);
    image.putU16(1, o + 12, static_cast<std::uint32_t>(work.receivedFrames));
    image.putU16(1, o + 14, static_cast<std::uint32_t>(work.transmittedFrames));
    image.putU16(1, o + 16, static_cast<std::uint32_t>(work.receivedSdo));
    image.putU16(1, o + 18, static_cast<std::uint32_t>(work.transmittedSdo));
    image.putU8(1, o + 24, static_cast<std::uint32_t>(work.rpdoMappings));
    image.putU8(1, o + 25, static_cast<std::uint32_t>(work.tpdoMappings));

    image.putU8(1, o + 26, p.withDefault("Sent_TPDO", 1));
    image.putU16(1, o + 27, p.withDefault("Sent_TPDO_Time", 1000));
    image.putU8(1, o + 29, p.withDefault("NodeGuard", 0));
    image.putU8(1, o + 30, p.withDefault("Send_NG_J1939", 0));
    image.putU16(1, o + 31, p.withDefault("BG_Send_Every", 1000));
    image.putU8(1, o + 33, p.withDefault("EN_SDO_Client", 0));
    image.putU16(1, o + 34, p.withDefault("TO_SDO_Client", 10000));
}

} // namespace

std::vector<std::string> imageRoomFailures(const fs::path& folder) {
    static constexpr struct {
        const char* name;
        const ImageArea* area;
    } kTables[] = {
        {"RCobDef.xml", &area::receivedFrames},    {"TCobDef.xml", &area::transmittedFrames},
        {"RInfoCob.xml", &area::receivedSdo},      {"TInfoCob.xml", &area::transmittedSdo},
        {"pdoJ1939.xml", &area::rpdoMappings},     {"TpdoJ1939.xml", &area::tpdoMappings},
        {"NodeGuard.xml", &area::guardedNodes},    {"NG_J1939_Frame.xml", &area::guardStateFrames},
        {"SDOClient.xml", &area::sdoClientFrames},
    };
    std::vector<std::string> failures;
    for (const auto& table : kTables) {
        if (!documentExists(folder, table.name))
            continue;
        ProjectDocument document;
        std::size_t count = 0;
        try {
            document.load(documentPath(folder, table.name));
            count = ProjectDocument::rowCount(document.documentElement());
        } catch (const Error&) {
            continue;
        }
        if (count > table.area->room())
            failures.push_back(document.name() + ": " + std::to_string(count) +
                               " rows; the device image has room for " +
                               std::to_string(table.area->room()));
    }
    return failures;
}

void compileProject(const fs::path& folder, DeviceImage& image, MessageSink& messages,
                    const Clock& clock) {
    // The received frames and their SDO mapping share this preset; 4096 to 4351 is
    // reserved for the firmware.
    image.fill(1, 0, 4095, 0xFF);
    image.fill(1, 4096, 4351, 0x00);
    Working work;

    compileReceivedFrames(folder, image, work);
    compileTransmittedFrames(folder, image, work);
    work.receivedSdo = compileSdoMapping(folder, "RInfoCob.xml", area::receivedSdo, false, image);
    work.transmittedSdo =
        compileSdoMapping(folder, "TInfoCob.xml", area::transmittedSdo, true, image);
    work.rpdoMappings = compilePdoMapping(folder, "pdoJ1939.xml", area::rpdoMappings, image);
    work.tpdoMappings = compilePdoMapping(folder, "TpdoJ1939.xml", area::tpdoMappings, image);

    // Unused guarded nodes and state frames read as 0xFF.
    image.fill(1, 15700, 15899, 0xFF);
    compileGuardedNodes(folder, image, messages);
    compileFrameDefinitions(folder, "NG_J1939_Frame.xml", area::guardStateFrames, image,
                            messages, "File NG_J1939_Frame xml not found");
    image.fill(1, 16200, 16299, 0xFF);
    compileFrameDefinitions(folder, "SDOClient.xml", area::sdoClientFrames, image, messages,
                            "File SDOClient xml not found");

    compileParameters(folder, image, work);

    const LocalDateTime now = clock.now();
    image.putU16(1, 16020, dateStamp(now));
    image.putU16(1, 16022, timeStamp(now));
}

} // namespace ordane
