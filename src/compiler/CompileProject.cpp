#include "CompileProject.h"

#include "core/Error.h"
#include "core/Finding.h"
#include "core/NumberText.h"
#include "documents/ProjectDocuments.h"
#include "documents/SdoPositions.h"

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
    bool open(const fs::path& folder, const DocumentDefinition& definition, const ImageArea& area) {
        if (!m_file.load(folder, definition))
            return false;
        // Counted before any row is taken, so a huge document is refused at once.
        if (const std::size_t count = m_file.rowCount(); count > area.room())
            throw Error(roomText(m_file.name(), count, area));
        m_rows = m_file.rows();
        return true;
    }
    const std::vector<DocumentRow>& rows() const { return m_rows; }

    static std::string roomText(const std::string& name, std::size_t count, const ImageArea& area) {
        return name + " has " + std::to_string(count) + " rows; the device image has room for " +
               std::to_string(area.room());
    }

private:
    DocumentFile m_file;
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

void compileReceivedFrames(const fs::path& folder, DeviceImage& image, Working& work) {
    Table table;
    if (!table.open(folder, documents::receivedFrames, area::receivedFrames))
        return;
    work.receivedFrames = table.rows().size();
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        const std::int32_t pgn = row.integer(field::kPgn);
        const std::int32_t source = row.integer(field::kSourceAddress);
        const bool deleted = upperCase(row.attribute(field::kDelete, "N")) == "Y";
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
    if (!table.open(folder, documents::transmittedFrames, area::transmittedFrames))
        return;
    work.transmittedFrames = table.rows().size();
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        const std::int32_t priority = row.integer(field::kPriority);
        const std::int32_t dataPage = row.integer(field::kListDataPage);
        const std::int32_t pgn = row.integer(field::kPgn);
        const std::int32_t source = row.integer(field::kSourceAddress);
        RecordWriter(image, area::transmittedFrames, k)
            .u32(0, j1939Identifier(priority, dataPage, pgn, source));
    }
}

// Each field is written as soon as it is read, so a bad value leaves the fields before it.
std::size_t compileSdoMapping(const fs::path& folder, Side side, const ImageArea& area,
                              DeviceImage& image) {
    const bool withSendFlag = side == Side::Transmitted;
    const DocumentDefinition& definition = documents::sdoMapping(side);
    Table table;
    if (!table.open(folder, definition, area))
        return 0;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        // A drop-down position that is no choice would have its meaning guessed: refused.
        auto position = [&](std::string_view attribute) {
            const std::int32_t value = row.integer(attribute);
            if (auto message = sdoPositionMessage(attribute, value))
                throw Error(Finding{std::string(definition.fileName), row.number(), *message,
                                    std::string(attribute)}
                                .line());
            return value;
        };
        RecordWriter record(image, area, k);
        record.u16(0, bits(row.integer(field::kIndex)));
        record.u8(2, bits(row.integer(field::kSubIndex)));
        record.u8(3, objectSize(position(field::kDimension)));
        record.u8(4, bits(row.integer(field::kNrPdo)));
        record.u8(5, bits(position(field::kBytes[0])));
        record.u8(6, bits(position(field::kBytes[1])));
        record.u8(7, bits(position(field::kBytes[2])));
        record.u8(8, bits(position(field::kBytes[3])));
        if (withSendFlag)
            record.u8(9, bits(position(field::kSendSdo)));
    }
    return table.rows().size();
}

std::size_t compilePdoMapping(const fs::path& folder, const DocumentDefinition& definition,
                              const ImageArea& area, DeviceImage& image) {
    Table table;
    if (!table.open(folder, definition, area))
        return 0;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        RecordWriter record(image, area, k);
        record.u16(0, bits(row.integer(field::kCobId)));
        record.u8(2, bits(row.integer(field::kDimension)));
        record.u8(3, bits(row.integer(field::kFrame)));
        const std::optional<std::string> start = row.find(field::kOffset);
        record.u8(4, bits(start ? tryParseInteger(*start).value_or(1) : 1));
    }
    return table.rows().size();
}

// A table whose absence is told to the user.
bool openAnnounced(Table& table, const fs::path& folder, const DocumentDefinition& definition,
                   const ImageArea& area, MessageSink& messages, const std::string& missing) {
    if (table.open(folder, definition, area))
        return true;
    messages.info(missing);
    return false;
}

void compileGuardedNodes(const fs::path& folder, DeviceImage& image, MessageSink& messages) {
    Table table;
    if (!openAnnounced(table, folder, documents::guardedNodes, area::guardedNodes, messages,
                       "File NodeGuard xml not found"))
        return;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        RecordWriter record(image, area::guardedNodes, k);
        record.u8(0, bits(row.integer(field::kNodeId)));
        record.u16(1, bits(row.integer(field::kGuardTime)));
        record.u8(3, bits(row.integer(field::kLifeTimeFactor)));
    }
}

// NG_J1939_Frame.xml and SDOClient.xml: one J1939 identifier per row.
void compileFrameDefinitions(const fs::path& folder, const DocumentDefinition& definition,
                             const ImageArea& area, DeviceImage& image, MessageSink& messages,
                             const std::string& missing) {
    Table table;
    if (!openAnnounced(table, folder, definition, area, messages, missing))
        return;
    for (std::size_t k = 0; k < table.rows().size(); ++k) {
        const DocumentRow& row = table.rows()[k];
        const std::int32_t priority = row.integer(field::kPriority);
        const std::int32_t dataPage = row.integer(field::kDataPage);
        const std::int32_t pgn = row.integer(field::kPgn);
        const std::int32_t source = row.integer(field::kSa);
        RecordWriter(image, area, k).u32(0, j1939Identifier(priority, dataPage, pgn, source));
    }
}

// pargen.xml: fields are the root's first child of each name, values the element text.
class Parameters {
public:
    // False when the project has no pargen.xml.
    bool open(const fs::path& folder) {
        if (!m_file.load(folder, documents::pargen))
            return false;
        m_root = m_file.root();
        return true;
    }

    std::uint32_t required(std::string_view name) const {
        const std::string text = m_file.document().childText(m_root, name);
        if (auto value = tryParseInteger(text))
            return bits(*value);
        throw Error(m_file.name() + ", " + std::string(name) + ": " + notAnIntegerMessage(text));
    }

    // The default also stands for text that is no number.
    std::uint32_t withDefault(std::string_view name, std::int32_t fallback) const {
        const std::optional<std::string> text = ProjectDocument::findChildText(m_root, name);
        return bits(text ? tryParseInteger(*text).value_or(fallback) : fallback);
    }

private:
    DocumentFile m_file;
    pugi::xml_node m_root;
};

void compileParameters(const fs::path& folder, DeviceImage& image, const Working& work) {
    Parameters p;
    if (!p.open(folder))
        return;
    constexpr std::size_t o = offset::kParameters;
    image.putU8(1, o + 0, p.required(field::kBaudRateCan) + 1u);
    image.putU8(1, o + 1, p.required(field::kCanType));
    image.putU8(1, o + 2, p.required(field::kIdDevCanopen));
    image.putU8(1, o + 3, p.required(field::kBaudCanopen));
    image.putU8(1, o + 4, p.required(field::kSetOperational));
    image.putU8(1, o + 5, p.required(field::kNetworkStart));
    image.putU8(1, o + 6, p.required(field::kDelay));
    image.putU8(1, o + 7, p.withDefault(field::kTimeOutData, 0));
    image.putU16(1, o + 8, 1);
    image.putU8(1, o + 10, p.withDefault(field::kPeerToPeer, 0));

    for (std::size_t i = 0; i < kDeleteFlagBytes; ++i)
        image.putU8(1, offset::kDeleteFlags + i, work.deleteFlags[i]);
    image.putU16(1, o + 12, static_cast<std::uint32_t>(work.receivedFrames));
    image.putU16(1, o + 14, static_cast<std::uint32_t>(work.transmittedFrames));
    image.putU16(1, o + 16, static_cast<std::uint32_t>(work.receivedSdo));
    image.putU16(1, o + 18, static_cast<std::uint32_t>(work.transmittedSdo));
    image.putU8(1, o + 24, static_cast<std::uint32_t>(work.rpdoMappings));
    image.putU8(1, o + 25, static_cast<std::uint32_t>(work.tpdoMappings));

    image.putU8(1, o + 26, p.withDefault(field::kSendTpdo, 1));
    image.putU16(1, o + 27, p.withDefault(field::kSendTpdoTime, 1000));
    image.putU8(1, o + 29, p.withDefault(field::kNodeGuard, 0));
    image.putU8(1, o + 30, p.withDefault(field::kSendNodeGuardOnJ1939, 0));
    image.putU16(1, o + 31, p.withDefault(field::kNodeGuardSendEvery, 1000));
    image.putU8(1, o + 33, p.withDefault(field::kSdoClient, 0));
    image.putU16(1, o + 34, p.withDefault(field::kSdoClientTimeOut, 10000));
}

} // namespace

std::vector<std::string> imageRoomFailures(const fs::path& folder) {
    static constexpr struct {
        const DocumentDefinition* document;
        const ImageArea* area;
    } kTables[] = {
        {&documents::receivedFrames, &area::receivedFrames},
        {&documents::transmittedFrames, &area::transmittedFrames},
        {&documents::receivedSdo, &area::receivedSdo},
        {&documents::transmittedSdo, &area::transmittedSdo},
        {&documents::rpdo, &area::rpdoMappings},
        {&documents::tpdo, &area::tpdoMappings},
        {&documents::guardedNodes, &area::guardedNodes},
        {&documents::guardFrames, &area::guardStateFrames},
        {&documents::sdoClient, &area::sdoClientFrames},
    };
    std::vector<std::string> failures;
    for (const auto& table : kTables) {
        DocumentFile file;
        std::size_t count = 0;
        try {
            if (!file.load(folder, *table.document))
                continue;
            count = file.rowCount();
        } catch (const Error&) {
            continue;
        }
        if (count > table.area->room())
            failures.push_back(file.name() + ": " + std::to_string(count) +
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
    work.receivedSdo = compileSdoMapping(folder, Side::Received, area::receivedSdo, image);
    work.transmittedSdo = compileSdoMapping(folder, Side::Transmitted, area::transmittedSdo, image);
    work.rpdoMappings = compilePdoMapping(folder, documents::rpdo, area::rpdoMappings, image);
    work.tpdoMappings = compilePdoMapping(folder, documents::tpdo, area::tpdoMappings, image);

    // Unused guarded nodes and state frames read as 0xFF.
    image.fill(1, 15700, 15899, 0xFF);
    compileGuardedNodes(folder, image, messages);
    compileFrameDefinitions(folder, documents::guardFrames, area::guardStateFrames, image, messages,
                            "File NG_J1939_Frame xml not found");
    image.fill(1, 16200, 16299, 0xFF);
    compileFrameDefinitions(folder, documents::sdoClient, area::sdoClientFrames, image, messages,
                            "File SDOClient xml not found");

    compileParameters(folder, image, work);

    const LocalDateTime now = clock.now();
    image.putU16(1, 16020, dateStamp(now));
    image.putU16(1, 16022, timeStamp(now));
}

} // namespace ordane
