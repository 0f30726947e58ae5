#pragma once

#include "bus/BusAddress.h"
#include "simulator/BusTraffic.h"
#include "simulator/LogFileOutput.h"
#include "simulator/Simulation.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>

class QCanBusDevice;

namespace ordane {

// Microseconds since 1970, never going back: the times of a live session's frames.
class BusClock {
public:
    BusClock();
    std::int64_t now() const;

private:
    std::int64_t m_epochStart;
    std::chrono::steady_clock::time_point m_steadyStart;
};

// The project on two live buses: as the converter's twin (the simulation's engine, with
// frames from the buses and the clock for cyclic TPDOs) or as a monitor that sends nothing.
// Nothing is read or sent before both devices report they are connected.
class LiveBus : public QObject {
    Q_OBJECT
public:
    enum class Mode { Twin, Monitor };
    struct Settings {
        BusAddress canopen;
        BusAddress j1939;
        Mode mode = Mode::Twin;
        std::optional<std::filesystem::path> log; // what came in, as candump -L lines
        std::optional<std::filesystem::path> out; // what the twin sent
        SimulationOptions names;                  // the interface names in the logs
    };
    // Every frame the session saw (in) or sent (out), with the traffic rows it counted in.
    using FrameObserver =
        std::function<void(const CanFrame&, bool sent, const std::vector<std::size_t>& rows)>;

    LiveBus(const SimulationProject& project, Settings settings, QObject* parent = nullptr);
    ~LiveBus() override;

    void setObserver(FrameObserver observer) { m_observer = std::move(observer); }

    // Creates the devices and connects them. An unknown plugin or device, or a log that
    // cannot be created, throws Error; nothing is then left open.
    void start();
    // Disconnects and writes the logs; what the session saw stays readable. Safe to repeat.
    void stop();

    bool running() const { return m_running; }
    bool stopped() const { return m_stopped; }
    // The device error that ended the session, with its time; empty when none did.
    const QString& failure() const { return m_failure; }

    const BusTraffic& traffic() const { return m_traffic; }
    BusTraffic& traffic() { return m_traffic; }
    const Simulator* engine() const { return m_engine.get(); }
    std::int64_t now() const { return m_clock.now(); }

    struct Counts {
        std::uint64_t j1939 = 0;
        std::uint64_t canopen = 0;
        std::uint64_t remote = 0;
        std::uint64_t errorFrames = 0;
        std::uint64_t fd = 0;
        std::uint64_t sent = 0;
    };
    const Counts& counts() const { return m_counts; }
    // The summary: the engine's, as `simulate` writes it, or the monitor's counts per row.
    std::string summary() const;

signals:
    void connected();
    void failed(const QString& message);
    // A setting the device did not take (a bit rate the adapter refused): the session goes
    // on with the device as it is.
    void warning(const QString& message);
    void finished();

private:
    class Output;

    void deviceStateChanged(int side);
    void deviceError(int side);
    void readFrames(int side);
    void rearmClock();
    void clockTick();
    void fail(int side, const QString& reason);
    void closeDevices();
    void commitLogs();
    bool send(const CanFrame& frame);

    const SimulationProject& m_project;
    Settings m_settings;
    BusClock m_clock;
    BusTraffic m_traffic;
    std::unique_ptr<Output> m_output;
    std::unique_ptr<Simulator> m_engine;
    std::unique_ptr<QCanBusDevice> m_devices[2]; // CANopen, J1939
    std::unique_ptr<LogFileOutput> m_log;
    std::unique_ptr<LogFileOutput> m_out;
    QTimer m_cyclic;
    QTimer m_connectTimeout;
    FrameObserver m_observer;
    Counts m_counts;
    QString m_failure;
    bool m_running = false;
    bool m_stopped = false;
    bool m_stopping = false;
};

} // namespace ordane
