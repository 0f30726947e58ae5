#include "DeviceImage.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace ordane {

namespace {

std::size_t bankStart(int n) {
    if (n < 1 || n > DeviceImage::kBankCount)
        throw std::out_of_range("device image has no bank " + std::to_string(n));
    return static_cast<std::size_t>(n - 1) * DeviceImage::kBankSize;
}

} // namespace

DeviceImage::Bank DeviceImage::bank(int n) {
    return Bank(m_bytes.data() + bankStart(n), kBankSize);
}

DeviceImage::ConstBank DeviceImage::bank(int n) const {
    return ConstBank(m_bytes.data() + bankStart(n), kBankSize);
}

void DeviceImage::put(int n, std::size_t offset, std::uint32_t value, std::size_t width) {
    if (offset > kBankSize || width > kBankSize - offset)
        throw std::out_of_range("field at offset " + std::to_string(offset) +
                                " runs past the end of bank " + std::to_string(n));
    Bank target = bank(n);
    for (std::size_t i = 0; i < width; ++i)
        target[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void DeviceImage::putU8(int n, std::size_t offset, std::uint32_t value) {
    put(n, offset, value, 1);
}

void DeviceImage::putU16(int n, std::size_t offset, std::uint32_t value) {
    put(n, offset, value, 2);
}

void DeviceImage::putU32(int n, std::size_t offset, std::uint32_t value) {
    put(n, offset, value, 4);
}

void DeviceImage::fill(int n, std::size_t first, std::size_t last, std::uint8_t value) {
    if (first > last || last >= kBankSize)
        throw std::out_of_range("fill range runs past the end of bank " + std::to_string(n));
    Bank target = bank(n);
    std::fill(target.begin() + first, target.begin() + last + 1, value);
}

RecordWriter::RecordWriter(DeviceImage& image, const ImageArea& area, std::size_t k)
    : m_image(image), m_area(area), m_start(area.offset + k * area.recordSize) {
    if (k >= area.room())
        throw std::out_of_range("record " + std::to_string(k) + " is beyond the room of its area");
}

void RecordWriter::put(std::size_t byte, std::uint32_t value, std::size_t width) {
    if (byte + width > m_area.recordSize)
        throw std::out_of_range("field at byte " + std::to_string(byte) + " is outside its record");
    switch (width) {
    case 1:
        m_image.putU8(m_area.bank, m_start + byte, value);
        break;
    case 2:
        m_image.putU16(m_area.bank, m_start + byte, value);
        break;
    default:
        m_image.putU32(m_area.bank, m_start + byte, value);
        break;
    }
}

std::uint16_t dateStamp(const LocalDateTime& time) {
    const unsigned year = static_cast<unsigned>(time.year % 100);
    return static_cast<std::uint16_t>(year + static_cast<unsigned>(time.month) * 128u +
                                      static_cast<unsigned>(time.day) * 2048u);
}

std::uint16_t timeStamp(const LocalDateTime& time) {
    return static_cast<std::uint16_t>(static_cast<unsigned>(time.hour) +
                                      static_cast<unsigned>(time.minute) * 32u +
                                      static_cast<unsigned>(time.second / 2) * 2048u);
}

std::uint32_t j1939Identifier(std::int32_t priority, std::int32_t dataPage, std::int32_t pgn,
                              std::int32_t sourceAddress) {
    // Unsigned, so that out-of-range values wrap instead of overflowing.
    const auto u = [](std::int32_t v) { return static_cast<std::uint32_t>(v); };
    return ((u(priority) * 4u + u(dataPage)) * 65536u + u(pgn)) * 256u + u(sourceAddress);
}

} // namespace ordane
