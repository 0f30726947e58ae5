#pragma once

#include "simulator/CanLog.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace ordane {

// What the converter does with the project, in numbers ready for the simulation: frames by
// their position in the frame lists (number - 1), objects, PDOs and the start-up settings.
struct SimulationProject {
    struct ReceivedFrame {
        bool usable = false; // false when the row's PGN or ID Device is no number
        std::uint32_t pgn = 0;
        std::uint32_t source = 0;
        std::string mnemonic;
    };
    struct TransmittedFrame {
        bool usable = false;
        std::uint32_t identifier = 0; // as the compiler builds it
        std::string mnemonic;
    };
    struct MappedObject {
        std::uint16_t index = 0;
        std::uint8_t subIndex = 0;
        std::uint8_t size = 4;               // bytes: 4, 2 or 1
        std::size_t frame = 0;               // position in its frame list
        std::array<std::uint8_t, 4> bytes{}; // frame byte 1..8 of B1 (MSB) .. B4, 0 none
        bool sendOnWrite = false;            // transmitted side only
    };
    struct Pdo {
        std::uint16_t cobId = 0;
        std::uint8_t length = 0; // Dimension
        std::uint8_t start = 1;  // Start Byte, from 1
        std::size_t frame = 0;
        int row = 0; // in its document, from 1
        std::string mnemonic;
    };

    std::vector<ReceivedFrame> received;
    std::vector<TransmittedFrame> transmitted;
    std::vector<MappedObject> receivedObjects;
    std::vector<MappedObject> transmittedObjects;
    std::vector<Pdo> tpdos; // from received frames
    std::vector<Pdo> rpdos; // into transmitted frames
    int nodeId = 1; // 0 when the document's ID is no node ID: no SDO server, NMT to all only
    bool startOperational = false;
    bool tpdoOnChange = true;
    std::uint32_t tpdoPeriodMs = 1000; // 0: cyclic TPDOs are never due
    int canopenBitRateKbit = 1000;     // 0 when the document's choice is none of the rates
    int j1939BitRateKbit = 250;
};

// Reads the project through the document models. What cannot be simulated (an unreadable
// document, a row whose numbers do not read, a PDO without a frame, an object mapped twice)
// is left out and told in `problems`.
SimulationProject loadSimulationProject(const std::filesystem::path& folder,
                                        std::vector<std::string>& problems);

// The assumptions the simulation makes, as the lines of the summary's header.
const std::vector<std::string>& simulationAssumptions();

enum class NmtState { PreOperational, Operational, Stopped };

// Receives every frame the converter sends, in time order.
class FrameOutput {
public:
    virtual ~FrameOutput() = default;
    virtual void send(const CanFrame& frame) = 0;
};

struct SimulationOptions {
    std::string j1939Interface = "j1939";
    std::string canopenInterface = "canopen";
};

// SDO abort codes the server gives.
namespace sdo_abort {
inline constexpr std::uint32_t kUnknownCommand = 0x05040001;
inline constexpr std::uint32_t kReadOnly = 0x06010002;
inline constexpr std::uint32_t kNoObject = 0x06020000;
inline constexpr std::uint32_t kLengthMismatch = 0x06070010;
} // namespace sdo_abort

struct ObjectValue {
    std::uint16_t index = 0;
    std::uint8_t subIndex = 0;
    std::uint32_t value = 0;
    bool operator==(const ObjectValue&) const = default;
};

// The converter on a recorded bus: frames of the log go in in time order, the frames it
// sends come out through FrameOutput. Every table is built once; a frame costs no allocation.
class Simulator {
public:
    Simulator(const SimulationProject& project, SimulationOptions options, FrameOutput& output);

    // One frame of the log; frames come in time order.
    void receive(const CanFrame& frame);
    // The end of the log: cyclic TPDOs due up to `endTime` are sent.
    void finish(std::int64_t endTime);
    // The clock of a live bus: cyclic TPDOs due before `time` are sent, as a frame of that
    // time would send them first.
    void advance(std::int64_t time) { sendCyclicBefore(time, false); }
    // When the next cyclic TPDO is due, -1 when none is.
    std::int64_t nextDue() const { return m_earliestDue; }

    NmtState state() const { return m_state; }
    // Every mapped object with its value now, sorted by index and sub-index.
    std::vector<ObjectValue> values() const;

    // What the log held beside its data frames, for the summary.
    struct LogCounts {
        std::uint64_t lines = 0;
        std::uint64_t remote = 0;
        std::uint64_t fd = 0;
        std::uint64_t errorFrames = 0;
    };
    std::string summary(const LogCounts& log) const;

    std::uint64_t tpdosSent() const;
    std::uint64_t j1939FramesSent() const;
    std::uint64_t sdoAborts(std::uint32_t code) const;

private:
    struct Tpdo {
        SimulationProject::Pdo pdo;
        bool sent = false;
        std::array<std::uint8_t, 8> last{};
        std::int64_t due = -1; // next cyclic time; -1 before the first matched frame
        std::uint64_t count = 0;
    };
    struct ObjectRef {
        std::uint32_t key; // index << 8 | sub-index
        bool transmitted;
        std::size_t object;
    };
    // (PGN, source address) -> a range of received rows, open addressing.
    struct RowSlot {
        std::uint32_t key = 0; // key + 1; 0 empty
        std::uint32_t begin = 0;
        std::uint32_t end = 0;
    };
    struct TallySlot {
        std::uint32_t key = 0; // key + 1; 0 empty
        std::uint64_t count = 0;
    };

    void receiveJ1939(const CanFrame& frame);
    void receiveCanopen(const CanFrame& frame);
    void serveSdo(const CanFrame& frame);
    void nmt(const CanFrame& frame);
    void rpdo(const SimulationProject::Pdo& pdo, const CanFrame& frame);
    void tally(std::uint32_t key);
    void sendCyclicBefore(std::int64_t time, bool inclusive);
    void sendTpdo(Tpdo& tpdo, std::int64_t time);
    void sendJ1939(std::size_t row, std::int64_t time);
    void sendSdo(std::int64_t time, const std::array<std::uint8_t, 8>& data);
    void abortSdo(std::int64_t time, std::uint16_t index, std::uint8_t subIndex,
                  std::uint32_t code);
    std::uint32_t receivedValue(const SimulationProject::MappedObject& object) const;
    const ObjectRef* findObject(std::uint32_t key) const;
    void updateEarliestDue();

    const SimulationProject& m_project;
    SimulationOptions m_options;
    FrameOutput& m_output;
    NmtState m_state = NmtState::PreOperational;

    std::vector<RowSlot> m_rowSlots;
    std::vector<std::uint32_t> m_rows; // received rows grouped by key
    std::vector<std::array<std::uint8_t, 8>> m_received;
    std::vector<std::array<std::uint8_t, 8>> m_transmitted;
    std::vector<std::uint32_t> m_transmittedValues;
    std::vector<Tpdo> m_tpdos;
    std::vector<std::vector<std::size_t>> m_tpdosOfRow;
    std::array<std::vector<std::size_t>, 2048> m_rpdosOfCobId;
    std::vector<ObjectRef> m_objects; // sorted by key, first mapping of a key only
    std::int64_t m_earliestDue = -1;

    // counts
    std::uint64_t m_j1939Frames = 0;
    std::uint64_t m_canopenFrames = 0;
    std::uint64_t m_j1939Standard = 0;
    std::uint64_t m_canopenExtended = 0;
    std::vector<std::pair<std::string, std::uint64_t>> m_otherInterfaces;
    std::uint64_t m_moreInterfaces = 0;
    std::vector<std::uint64_t> m_matched;
    std::uint64_t m_unmatched = 0;
    std::vector<TallySlot> m_tally;
    std::size_t m_tallied = 0;
    std::uint64_t m_untallied = 0;
    std::vector<std::uint64_t> m_j1939Sent;
    std::uint64_t m_uploads = 0;
    std::uint64_t m_downloads = 0;
    std::array<std::uint64_t, 4> m_aborts{};
    std::uint64_t m_nmtCommands = 0;
    std::uint64_t m_shortRpdos = 0;
    std::uint64_t m_rpdosReceived = 0;
};

struct SimulationRun {
    std::string summary;
    std::vector<ObjectValue> values;
};

// Streams the log through a Simulator. A malformed line or a time out of order throws Error
// naming the line; frames sent before it have gone to `output`.
SimulationRun simulateLog(const SimulationProject& project, std::istream& log,
                          const std::string& logName, const SimulationOptions& options,
                          FrameOutput& output);

// VALUES: "0x2100,0x01,0x00001234" per object, CR LF line ends.
std::string valuesCsv(const std::vector<ObjectValue>& values);

} // namespace ordane
