#pragma once

#include "core/Clock.h"
#include "compiler/DeviceImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

// How a field's value is shown in the terms of its document.
enum class FieldShow {
    Decimal,
    Hex2,            // "0x80": source addresses
    Hex4,            // "0xFEF1": PGNs, object indexes, COB-IDs
    Position,        // a drop-down position stored as u8: 0xFF is -1, none chosen
    PositionPlusOne, // stored as position + 1: 0 is -1
    ObjectSize,      // bytes 4, 2, 1 shown as the Dimension choice 0, 1, 2
    Flag,            // 0 or 1
};

// One value of a record (or of the parameter block): `width` bytes little-endian from
// `byte`, then shifted right and masked, so that a J1939 identifier gives its parts.
struct LayoutField {
    const char* attribute;
    std::size_t byte;
    std::size_t width;
    unsigned shift = 0;
    std::uint32_t mask = 0xFFFFFFFF;
    FieldShow show = FieldShow::Decimal;
};

// A list area and the document whose rows it holds.
struct ImageTable {
    const char* document;
    const char* title;
    ImageArea area;
    std::vector<LayoutField> fields;
    // Counted areas: the u8 or u16 row count in the parameter block (bank 1 offset).
    std::optional<std::size_t> countOffset;
    std::size_t countWidth = 0;
    // Uncounted areas: a record whose first `markerBytes` bytes are 0xFF ends the list; the
    // preset marks only the first `markedRecords` records.
    std::size_t markerBytes = 0;
    std::size_t markedRecords = 0;
};

// The nine tables in the order of compilation.
enum TableId : std::size_t {
    kReceivedFrames,
    kTransmittedFrames,
    kReceivedSdo,
    kTransmittedSdo,
    kRpdoMappings,
    kTpdoMappings,
    kGuardedNodes,
    kStateFrames,
    kSdoClientFrames,
    kTableCount
};
const std::array<ImageTable, kTableCount>& imageTables();

// The pargen.xml values of the parameter block; `byte` is from bank 1 offset 16000.
const std::vector<LayoutField>& parameterFields();
inline constexpr std::size_t kParameterBlockOffset = 16000;
inline constexpr std::size_t kParameterBlockLength = 36;
inline constexpr std::size_t kDateStampOffset = 16020;
inline constexpr std::size_t kTimeStampOffset = 16022;
inline constexpr std::size_t kConstantOneOffset = 16008;
inline constexpr std::size_t kDeleteFlagsOffset = 16100;
inline constexpr std::size_t kDeleteFlagBytes = 32;

// The value of a field in `bytes`, which start where the field's `byte` counts from.
std::uint32_t fieldValue(const LayoutField& field, const std::uint8_t* bytes);
// The value as its document shows it: "0xFEF1", "-1", "2".
std::string fieldText(const LayoutField& field, std::uint32_t value);

struct TableRows {
    std::size_t count = 0; // rows read: the stored count, or the records before the marker
    std::vector<std::vector<std::uint32_t>> rows; // values in the order of the table's fields
    // Uncounted areas whose marking ran out: the rows after `count` cannot be told from
    // bytes left by an earlier compilation.
    bool markingExhausted = false;
};

// What banks 1 and 2 of an image say, read with the inverse of the compiler's layout.
struct ImageContents {
    std::vector<std::uint32_t> parameters; // in the order of parameterFields()
    std::array<TableRows, kTableCount> tables;
    std::vector<bool> deleted; // per received frame row
    std::uint16_t dateStamp = 0;
    std::uint16_t timeStamp = 0;
    bool hasParameterBlock = true; // false: all zero but the stamps

    // The stamps as a date and time; the century is not stored (20yy is assumed) and the
    // seconds are stored halved.
    LocalDateTime compiled() const;
};

// Reads the image. With `strict`, a parameter block that is all zero (never configured, or
// compiled without pargen.xml) and counts beyond their areas throw Error; otherwise such
// counts are cut to the room of their areas.
ImageContents readImage(const DeviceImage& image, bool strict = true);

// "2026-12-09 01:08:30"
std::string stampText(const LocalDateTime& time);

} // namespace ordane
