// The CAN log reader and the simulation behind it: any bytes either simulate or end with
// Error; a data frame written back reads the same, and what is sent comes in time order.
#include "FuzzTarget.h"

#include "core/Error.h"
#include "simulator/Simulation.h"

#include <cstdlib>
#include <sstream>

namespace {

ordane::SimulationProject project() {
    ordane::SimulationProject p;
    p.received = {{true, 0xFEF1, 0x00, ""}, {true, 0xEF00, 0x21, ""}, {true, 0xEF00, 0x21, ""}};
    p.transmitted = {{true, 0x18FF1180, ""}, {false, 0, ""}};
    p.receivedObjects = {{0x2100, 1, 2, 0, {4, 3, 0, 0}, false},
                         {0x2100, 2, 4, 2, {8, 1, 0, 2}, false}};
    p.transmittedObjects = {{0x2200, 1, 1, 0, {2, 0, 0, 0}, true},
                            {0x2200, 2, 4, 1, {8, 7, 6, 5}, true}};
    p.tpdos = {{0x181, 2, 3, 0}, {0x182, 8, 1, 1}};
    p.rpdos = {{0x201, 2, 7, 0}, {0x202, 8, 1, 1}};
    p.nodeId = 5;
    p.startOperational = false;
    p.tpdoOnChange = true;
    return p;
}

class Ordered : public ordane::FrameOutput {
public:
    void send(const ordane::CanFrame& frame) override {
        if (frame.time < m_last || frame.length > 8)
            std::abort();
        m_last = frame.time;
    }

private:
    std::int64_t m_last = 0;
};

} // namespace

ORDANE_FUZZ_TARGET(simulate) {
    const std::string_view text = ordane::fuzz::asText(data, size);

    // Each data line, written back, reads as the same frame.
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        ordane::LogLineKind kind{};
        ordane::CanFrame frame;
        if (!ordane::parseLogLine(text.substr(start, end - start), kind, frame) &&
            kind == ordane::LogLineKind::Data) {
            std::string line;
            ordane::appendLogLine(line, frame);
            if (line.size() < 2 || line.compare(line.size() - 2, 2, "\r\n") != 0)
                std::abort();
            line.resize(line.size() - 2);
            ordane::LogLineKind again{};
            ordane::CanFrame copy;
            if (ordane::parseLogLine(line, again, copy) || again != kind ||
                copy.time != frame.time || copy.interface != frame.interface ||
                copy.id != frame.id || copy.extended != frame.extended ||
                copy.length != frame.length || copy.data != frame.data)
                std::abort();
        }
        start = end + 1;
    }

    static const ordane::SimulationProject p = project();
    std::istringstream log{std::string(text)};
    Ordered output;
    try {
        ordane::simulateLog(p, log, "fuzz.log", {}, output);
    } catch (const ordane::Error&) {
    }
    return 0;
}
