#pragma once

#include "core/Clock.h"
#include "core/DeviceBanks.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace ordane {

// The converter's configuration block: banks 1 to 5 of 16384 bytes. All zero at first and
// never cleared as a whole, so bytes that a compilation does not write keep what an earlier
// one left there.
class DeviceImage {
public:
    static constexpr int kBankCount = ordane::kBankCount;
    static constexpr std::size_t kBankSize = ordane::kBankSize;
    static constexpr std::size_t kSize = kBankSize * kBankCount;

    using Bank = std::span<std::uint8_t, kBankSize>;
    using ConstBank = std::span<const std::uint8_t, kBankSize>;

    // Bank n, 1 to 5; throws std::out_of_range for any other n.
    Bank bank(int n);
    ConstBank bank(int n) const;
    std::span<const std::uint8_t, kSize> bytes() const { return m_bytes; }

    // Fields are little-endian and packed; a value keeps only the bits its field holds.
    // Offsets are from the start of the bank; a field beyond the bank throws std::out_of_range.
    void putU8(int bank, std::size_t offset, std::uint32_t value);
    void putU16(int bank, std::size_t offset, std::uint32_t value);
    void putU32(int bank, std::size_t offset, std::uint32_t value);
    // Sets offsets first to last, both included.
    void fill(int bank, std::size_t first, std::size_t last, std::uint8_t value);

private:
    void put(int bank, std::size_t offset, std::uint32_t value, std::size_t width);

    std::array<std::uint8_t, kSize> m_bytes{};
};

// A list area of the image: records of one size from `offset`, within `length` bytes.
struct ImageArea {
    int bank;
    std::size_t offset;
    std::size_t length;
    std::size_t recordSize;

    constexpr std::size_t room() const { return length / recordSize; }
};

namespace area {
inline constexpr ImageArea receivedFrames{1, 0, 1000, 6};
inline constexpr ImageArea receivedSdo{1, 1000, 3096, 9};
inline constexpr ImageArea rpdoMappings{1, 15500, 100, 5};
inline constexpr ImageArea tpdoMappings{1, 15600, 100, 5};
inline constexpr ImageArea guardedNodes{1, 15700, 150, 4};
inline constexpr ImageArea guardStateFrames{1, 15850, 150, 4};
inline constexpr ImageArea sdoClientFrames{1, 16200, 100, 4};
inline constexpr ImageArea transmittedFrames{2, 0, 1000, 4};
inline constexpr ImageArea transmittedSdo{2, 1000, 15384, 10};
} // namespace area

// Writes the fields of record k of an area; a field outside the record, or a record beyond
// the area's room, throws std::out_of_range, so nothing lands in a neighbouring area.
class RecordWriter {
public:
    RecordWriter(DeviceImage& image, const ImageArea& area, std::size_t k);

    void u8(std::size_t byte, std::uint32_t value) { put(byte, value, 1); }
    void u16(std::size_t byte, std::uint32_t value) { put(byte, value, 2); }
    void u32(std::size_t byte, std::uint32_t value) { put(byte, value, 4); }

private:
    void put(std::size_t byte, std::uint32_t value, std::size_t width);

    DeviceImage& m_image;
    ImageArea m_area;
    std::size_t m_start;
};

// (year mod 100) + month * 128 + day * 2048
std::uint16_t dateStamp(const LocalDateTime& time);
// hour + minute * 32 + (second / 2) * 2048
std::uint16_t timeStamp(const LocalDateTime& time);

// ((priority * 4 + data page) * 65536 + PGN) * 256 + source address, in 32-bit arithmetic.
std::uint32_t j1939Identifier(std::int32_t priority, std::int32_t dataPage, std::int32_t pgn,
                              std::int32_t sourceAddress);

} // namespace ordane
