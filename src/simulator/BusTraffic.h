#pragma once

#include "simulator/Simulation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace ordane {

// A DBC signal that gives an object its name and physical value.
struct ObjectSignal {
    std::string name;
    std::string unit;
    double factor = 1;
    double offset = 0;
    bool isSigned = false;
};

// The frames of the project as they show on the buses, one row per frame of each frame list
// and per PDO, with what was seen of each: the bus monitor's lines and the Bus window's table.
class BusTraffic {
public:
    enum class Kind { J1939Received, J1939Transmitted, Tpdo, Rpdo };

    struct Object {
        std::uint16_t index = 0;
        std::uint8_t subIndex = 0;
        std::uint8_t size = 4;
        std::array<std::uint8_t, 4> positions{}; // byte 1..8 of the row's frame, B1 first
        std::optional<ObjectSignal> signal;
    };

    struct Row {
        Kind kind = Kind::J1939Received;
        std::string name; // "EEC1 PGN 0xF004 SA 0x00", "TPDO 0x181"
        std::uint32_t key = 0;
        std::vector<Object> objects;
        // what was seen
        std::uint64_t count = 0;
        std::int64_t lastTime = 0;
        std::uint8_t length = 0;
        std::array<std::uint8_t, 8> data{};
        double rate = 0; // frames per second at the last sampleRates()
    };

    BusTraffic(const SimulationProject& project, SimulationOptions options);

    // Counts the frame in every row it belongs to and returns their positions (empty for a
    // frame the project does not describe). The result is valid until the next call.
    const std::vector<std::size_t>& count(const CanFrame& frame);

    const std::vector<Row>& rows() const { return m_rows; }
    std::uint64_t undescribed() const { return m_undescribed; }

    // "0x2100:01=0x1A2B EngineSpeed=837.4 rpm 0x2100:02=..." for the frame of a row.
    static std::string objectsText(const Row& row, const std::uint8_t* data, std::size_t length);
    // The monitor's line of a frame in a row: time, interface, row name, frame, objects.
    std::string line(std::size_t row, const CanFrame& frame) const;

    // Gives the object (index, sub-index) its signal wherever a row carries it.
    void setSignal(std::uint16_t index, std::uint8_t subIndex, const ObjectSignal& signal);
    // The signals a DBC import kept for the project's objects, those the mapping still holds
    // as imported; a store that cannot be read is told in `problems` and gives none.
    void attachKeptSignals(const std::filesystem::path& projectFolder,
                           std::vector<std::string>& problems);

    // Frames per second of each row since the previous call (the first call measures from
    // the first frame seen).
    void sampleRates(std::int64_t now);

    // Whether the object's bytes all lie in the frame's first `length` bytes.
    static bool carried(const Object& object, std::size_t length);
    static std::uint32_t value(const Object& object, const std::uint8_t* data);
    static std::string physicalText(const ObjectSignal& signal, std::uint32_t raw,
                                    std::uint8_t size);

private:
    SimulationOptions m_options;
    std::vector<Row> m_rows;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> m_index;
    std::vector<std::size_t> m_matched;
    std::uint64_t m_undescribed = 0;
    std::vector<std::uint64_t> m_sampledCounts;
    std::int64_t m_sampleTime = -1;
};

} // namespace ordane
