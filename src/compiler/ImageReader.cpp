#include "ImageReader.h"

#include "core/Error.h"
#include "core/NumberText.h"
#include "documents/ProjectDocuments.h"

#include <algorithm>
#include <cstdio>

namespace ordane {

namespace {

// The parts of a J1939 identifier ((priority * 4 + data page) * 65536 + PGN) * 256 + SA,
// named as the document names them.
std::vector<LayoutField> identifierFields(const char* priority, const char* dataPage,
                                          const char* pgn, const char* source) {
    return {{priority, 0, 4, 26, 0x3F, FieldShow::Decimal},
            {dataPage, 0, 4, 24, 0x3, FieldShow::Decimal},
            {pgn, 0, 4, 8, 0xFFFF, FieldShow::Hex4},
            {source, 0, 4, 0, 0xFF, FieldShow::Hex2}};
}

std::vector<LayoutField> sdoFields(bool withSend) {
    std::vector<LayoutField> fields = {
        {"Index", 0, 2, 0, 0xFFFFFFFF, FieldShow::Hex4},
        {"SubIndex", 2, 1},
        {"Dimension", 3, 1, 0, 0xFFFFFFFF, FieldShow::ObjectSize},
        {"NrPdo", 4, 1},
        {"B1", 5, 1},
        {"B2", 6, 1},
        {"B3", 7, 1},
        {"B4", 8, 1},
    };
    if (withSend)
        fields.push_back({"Send_SDO", 9, 1});
    return fields;
}

std::vector<LayoutField> pdoFields() {
    return {{"COB-ID", 0, 2, 0, 0xFFFFFFFF, FieldShow::Hex4},
            {"Dimension", 2, 1},
            {"Frame_J1939", 3, 1},
            {"Offset", 4, 1}};
}

ImageTable plain(const DocumentDefinition& document, const char* title, ImageArea area,
                 std::vector<LayoutField> fields) {
    ImageTable table;
    // The definitions' file names view string literals, so they end in a NUL.
    table.document = document.fileName.data();
    table.title = title;
    table.area = area;
    table.fields = std::move(fields);
    return table;
}

ImageTable counted(const DocumentDefinition& document, const char* title, ImageArea area,
                   std::vector<LayoutField> fields, std::size_t countOffset,
                   std::size_t countWidth) {
    ImageTable table = plain(document, title, area, std::move(fields));
    table.countOffset = countOffset;
    table.countWidth = countWidth;
    return table;
}

ImageTable marked(const DocumentDefinition& document, const char* title, ImageArea area,
                  std::vector<LayoutField> fields, std::size_t markerBytes, std::size_t presetEnd) {
    ImageTable table = plain(document, title, area, std::move(fields));
    table.markerBytes = markerBytes;
    table.markedRecords = std::min(area.room(), (presetEnd - area.offset) / area.recordSize);
    return table;
}

std::uint32_t readLittleEndian(const std::uint8_t* bytes, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = value << 8 | bytes[i];
    return value;
}

std::string decimal(std::int64_t value) {
    return std::to_string(value);
}

} // namespace

const std::array<ImageTable, kTableCount>& imageTables() {
    static const std::array<ImageTable, kTableCount> tables = {
        counted(documents::receivedFrames, "Received J1939 frames", area::receivedFrames,
                {{"PGN", 0, 4, 0, 0xFFFFFFFF, FieldShow::Hex4},
                 {"ID_DEV", 4, 1, 0, 0xFFFFFFFF, FieldShow::Hex2},
                 {"row position", 5, 1}},
                16012, 2),
        counted(documents::transmittedFrames, "Transmitted J1939 frames", area::transmittedFrames,
                identifierFields("Priority", "DP", "PGN", "ID_DEV"), 16014, 2),
        counted(documents::receivedSdo, "SDO mapping of the received frames", area::receivedSdo,
                sdoFields(false), 16016, 2),
        counted(documents::transmittedSdo, "SDO mapping of the transmitted frames",
                area::transmittedSdo, sdoFields(true), 16018, 2),
        counted(documents::rpdo, "RPDOs onto the transmitted frames", area::rpdoMappings,
                pdoFields(), 16024, 1),
        counted(documents::tpdo, "TPDOs from the received frames", area::tpdoMappings, pdoFields(),
                16025, 1),
        // The preset of 15700..15899 marks all guarded nodes but only the first 50 bytes
        // of the state frames.
        marked(documents::guardedNodes, "Guarded CANopen nodes", area::guardedNodes,
               {{"NodeID", 0, 1}, {"GuardTime", 1, 2}, {"LifeTimeFactor", 3, 1}}, 1, 15900),
        marked(documents::guardFrames, "Node-guarding state frames", area::guardStateFrames,
               identifierFields("Priority", "DataPage", "PGN", "SA"), 4, 15900),
        marked(documents::sdoClient, "SDO client frames", area::sdoClientFrames,
               identifierFields("Priority", "DataPage", "PGN", "SA"), 4, 16300),
    };
    return tables;
}

const std::vector<LayoutField>& parameterFields() {
    static const std::vector<LayoutField> fields = {
        {"BaudRateCAN", 0, 1, 0, 0xFFFFFFFF, FieldShow::PositionPlusOne},
        {"CANType", 1, 1},
        {"IDDev_CANopen", 2, 1},
        {"Baud_CANopen", 3, 1, 0, 0xFFFFFFFF, FieldShow::Position},
        {"Set_Ope_CANopen", 4, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"Net_Start_CANopen", 5, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"Delay_CANopen", 6, 1},
        {"TimeOut_Data", 7, 1},
        {"Peer_to_Peer", 10, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"Sent_TPDO", 26, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"Sent_TPDO_Time", 27, 2},
        {"NodeGuard", 29, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"Send_NG_J1939", 30, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"BG_Send_Every", 31, 2},
        {"EN_SDO_Client", 33, 1, 0, 0xFFFFFFFF, FieldShow::Flag},
        {"TO_SDO_Client", 34, 2},
    };
    return fields;
}

std::uint32_t fieldValue(const LayoutField& field, const std::uint8_t* bytes) {
    return (readLittleEndian(bytes + field.byte, field.width) >> field.shift) & field.mask;
}

std::string fieldText(const LayoutField& field, std::uint32_t value) {
    switch (field.show) {
    case FieldShow::Hex2:
        return hexText(value, 2);
    case FieldShow::Hex4:
        return hexText(value, 4);
    case FieldShow::Position:
        return value == 0xFF ? "-1" : decimal(value);
    case FieldShow::PositionPlusOne:
        return decimal(std::int64_t(value) - 1);
    case FieldShow::ObjectSize:
        switch (value) {
        case 4:
            return "0";
        case 2:
            return "1";
        case 1:
            return "2";
        default:
            return "size " + decimal(value) + " (no Dimension gives it)";
        }
    case FieldShow::Decimal:
    case FieldShow::Flag:
        break;
    }
    return decimal(value);
}

LocalDateTime ImageContents::compiled() const {
    LocalDateTime time;
    time.year = 2000 + (dateStamp & 0x7F);
    time.month = (dateStamp >> 7) & 0xF;
    time.day = dateStamp >> 11;
    time.hour = timeStamp & 0x1F;
    time.minute = (timeStamp >> 5) & 0x3F;
    time.second = (timeStamp >> 11) * 2;
    return time;
}

std::string stampText(const LocalDateTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return text;
}

ImageContents readImage(const DeviceImage& image, bool strict) {
    const DeviceImage::ConstBank bank1 = image.bank(1);
    const std::uint8_t* block = bank1.data() + kParameterBlockOffset;
    ImageContents contents;
    contents.dateStamp = std::uint16_t(readLittleEndian(bank1.data() + kDateStampOffset, 2));
    contents.timeStamp = std::uint16_t(readLittleEndian(bank1.data() + kTimeStampOffset, 2));

    bool zero = true;
    for (std::size_t i = 0; i < kParameterBlockLength; ++i)
        if (block[i] != 0 && (i < 20 || i >= 24))
            zero = false;
    contents.hasParameterBlock = !zero;
    if (zero && strict)
        throw Error(contents.dateStamp == 0 && contents.timeStamp == 0
                        ? "The parameter block (bank 1, offsets 16000 to 16035) is all zero: "
                          "this firmware was never configured"
                        : "The parameter block (bank 1, offsets 16000 to 16035) is all zero "
                          "but for the compile stamps: the image was compiled without "
                          "pargen.xml, so it holds no settings and no row counts");

    for (const LayoutField& field : parameterFields())
        contents.parameters.push_back(fieldValue(field, block));

    for (std::size_t t = 0; t < kTableCount; ++t) {
        const ImageTable& table = imageTables()[t];
        const DeviceImage::ConstBank bank = image.bank(table.area.bank);
        const std::uint8_t* start = bank.data() + table.area.offset;
        TableRows& rows = contents.tables[t];
        if (table.countOffset) {
            rows.count = readLittleEndian(bank1.data() + *table.countOffset, table.countWidth);
            if (rows.count > table.area.room()) {
                if (strict)
                    throw Error(std::string("The parameter block counts ") +
                                std::to_string(rows.count) + " rows of " + table.document +
                                ", but its area of the image holds " +
                                std::to_string(table.area.room()) +
                                ": the image is damaged or was not written by this program");
                rows.count = table.area.room();
            }
        } else {
            const auto isMarker = [&](std::size_t k) {
                const std::uint8_t* record = start + k * table.area.recordSize;
                return std::all_of(record, record + table.markerBytes,
                                   [](std::uint8_t b) { return b == 0xFF; });
            };
            while (rows.count < table.markedRecords && !isMarker(rows.count))
                ++rows.count;
            rows.markingExhausted =
                rows.count == table.markedRecords && table.markedRecords < table.area.room();
        }
        for (std::size_t k = 0; k < rows.count; ++k) {
            const std::uint8_t* record = start + k * table.area.recordSize;
            std::vector<std::uint32_t> values;
            for (const LayoutField& field : table.fields)
                values.push_back(fieldValue(field, record));
            rows.rows.push_back(std::move(values));
        }
    }
    for (std::size_t k = 0; k < contents.tables[kReceivedFrames].count; ++k)
        contents.deleted.push_back((bank1[kDeleteFlagsOffset + k / 8] >> (k % 8) & 1) != 0);
    return contents;
}

} // namespace ordane
