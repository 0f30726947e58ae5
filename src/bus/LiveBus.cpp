#include "bus/LiveBus.h"

#include "core/Error.h"

#include <QCanBusDevice>
#include <QCanBusFrame>

#include <algorithm>
#include <cmath>

namespace ordane {

namespace {

constexpr int kCanopen = 0;
constexpr int kJ1939 = 1;
constexpr int kConnectMs = 5000;

std::string timeText(std::int64_t time) {
    std::string line;
    CanFrame frame;
    frame.time = time;
    appendLogLine(line, frame);
    return line.substr(0, line.find(')') + 1);
}

} // namespace

BusClock::BusClock()
    : m_epochStart(std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::system_clock::now().time_since_epoch())
                       .count()),
      m_steadyStart(std::chrono::steady_clock::now()) {}

std::int64_t BusClock::now() const {
    return m_epochStart + std::chrono::duration_cast<std::chrono::microseconds>(
                              std::chrono::steady_clock::now() - m_steadyStart)
                              .count();
}

// The engine's frames onto the buses.
class LiveBus::Output : public FrameOutput {
public:
    explicit Output(LiveBus& bus) : m_bus(bus) {}
    void send(const CanFrame& frame) override { m_bus.send(frame); }

private:
    LiveBus& m_bus;
};

LiveBus::LiveBus(const SimulationProject& project, Settings settings, QObject* parent)
    : QObject(parent), m_project(project), m_settings(std::move(settings)),
      m_traffic(project, m_settings.names), m_output(std::make_unique<Output>(*this)) {
    m_cyclic.setSingleShot(true);
    m_cyclic.setTimerType(Qt::PreciseTimer);
    connect(&m_cyclic, &QTimer::timeout, this, &LiveBus::clockTick);
    m_connectTimeout.setSingleShot(true);
    connect(&m_connectTimeout, &QTimer::timeout, this, [this] {
        for (int side : {kCanopen, kJ1939})
            if (m_devices[side] && m_devices[side]->state() != QCanBusDevice::ConnectedState) {
                fail(side, QStringLiteral("the device did not connect within %1 s")
                               .arg(kConnectMs / 1000));
                return;
            }
    });
}

LiveBus::~LiveBus() {
    m_stopping = true;
    for (auto& device : m_devices)
        if (device)
            device->disconnect(this);
}

void LiveBus::start() {
    if (m_devices[0] || m_stopped)
        return;
    const int kbit[2] = {m_project.canopenBitRateKbit, m_project.j1939BitRateKbit};
    const BusAddress* addresses[2] = {&m_settings.canopen, &m_settings.j1939};
    std::unique_ptr<QCanBusDevice> devices[2];
    for (int side : {kCanopen, kJ1939})
        devices[side] = createBusDevice(*addresses[side], kbit[side] * 1000);
    if (m_settings.log)
        m_log = std::make_unique<LogFileOutput>(*m_settings.log);
    if (m_settings.out && m_settings.mode == Mode::Twin)
        m_out = std::make_unique<LogFileOutput>(*m_settings.out);
    if (m_settings.mode == Mode::Twin)
        m_engine = std::make_unique<Simulator>(m_project, m_settings.names, *m_output);

    for (int side : {kCanopen, kJ1939}) {
        m_devices[side] = std::move(devices[side]);
        QCanBusDevice* device = m_devices[side].get();
        connect(device, &QCanBusDevice::stateChanged, this,
                [this, side] { deviceStateChanged(side); });
        connect(device, &QCanBusDevice::errorOccurred, this, [this, side] { deviceError(side); });
        connect(device, &QCanBusDevice::framesReceived, this, [this, side] { readFrames(side); });
    }
    m_connectTimeout.start(kConnectMs);
    for (int side : {kCanopen, kJ1939}) {
        if (m_stopped)
            return;
        if (!m_devices[side]->connectDevice() && !m_stopped)
            fail(side, m_devices[side]->errorString());
    }
}

void LiveBus::deviceStateChanged(int side) {
    if (m_stopping)
        return;
    const auto state = m_devices[side]->state();
    if (state == QCanBusDevice::UnconnectedState && (m_running || m_connectTimeout.isActive())) {
        fail(side, QStringLiteral("the device is no longer connected (adapter unplugged or "
                                  "the bus server gone)"));
        return;
    }
    if (m_running || state != QCanBusDevice::ConnectedState)
        return;
    for (const auto& device : m_devices)
        if (device->state() != QCanBusDevice::ConnectedState)
            return;
    m_connectTimeout.stop();
    m_running = true;
    emit connected();
    // Frames that came while the other side was connecting.
    readFrames(kCanopen);
    readFrames(kJ1939);
}

void LiveBus::deviceError(int side) {
    const auto error = m_devices[side]->error();
    if (m_stopping || error == QCanBusDevice::NoError)
        return;
    if (error == QCanBusDevice::ConfigurationError) {
        const BusAddress& address = side == kCanopen ? m_settings.canopen : m_settings.j1939;
        emit warning(address.text() + QStringLiteral(": ") + m_devices[side]->errorString());
        return;
    }
    fail(side, m_devices[side]->errorString());
}

void LiveBus::readFrames(int side) {
    if (!m_running)
        return;
    QCanBusDevice* device = m_devices[side].get();
    const std::string& name =
        side == kCanopen ? m_settings.names.canopenInterface : m_settings.names.j1939Interface;
    while (m_running && device->framesAvailable() > 0) {
        const QCanBusFrame in = device->readFrame();
        CanFrame frame;
        frame.time = m_clock.now();
        frame.interface = name;
        frame.id = in.frameId();
        frame.extended = in.hasExtendedFrameFormat();
        const QByteArray payload = in.payload();
        switch (in.frameType()) {
        case QCanBusFrame::DataFrame:
            break;
        case QCanBusFrame::RemoteRequestFrame:
            ++m_counts.remote;
            if (m_log)
                m_log->sendRemote(frame);
            continue;
        case QCanBusFrame::ErrorFrame: {
            ++m_counts.errorFrames;
            frame.id = 0x20000000u | (std::uint32_t(in.error()) & 0x1FFFFFFF);
            frame.extended = true;
            frame.length = 8;
            std::copy_n(payload.constData(), std::min<qsizetype>(payload.size(), 8),
                        frame.data.begin());
            if (m_log)
                m_log->send(frame);
            if (in.error() & QCanBusFrame::BusOffError) {
                fail(side, QStringLiteral("bus off"));
                return;
            }
            continue;
        }
        default:
            continue;
        }
        if (in.hasFlexibleDataRateFormat() || payload.size() > 8) {
            ++m_counts.fd;
            continue;
        }
        frame.length = std::uint8_t(payload.size());
        std::copy_n(payload.constData(), payload.size(), frame.data.begin());
        ++(side == kCanopen ? m_counts.canopen : m_counts.j1939);
        if (m_log)
            m_log->send(frame);
        const auto& rows = m_traffic.count(frame);
        if (m_observer)
            m_observer(frame, false, rows);
        if (m_engine)
            m_engine->receive(frame);
    }
    rearmClock();
}

bool LiveBus::send(const CanFrame& frame) {
    if (!m_running)
        return false;
    const int side = frame.interface == m_settings.names.canopenInterface ? kCanopen : kJ1939;
    QCanBusFrame out(frame.id, QByteArray(reinterpret_cast<const char*>(frame.data.data()),
                                          frame.length));
    out.setExtendedFrameFormat(frame.extended);
    if (!m_devices[side]->writeFrame(out)) {
        const QString why = m_devices[side]->errorString();
        fail(side, why.isEmpty() ? QStringLiteral("the frame could not be sent") : why);
        return false;
    }
    ++m_counts.sent;
    if (m_out)
        m_out->send(frame);
    const auto& rows = m_traffic.count(frame);
    if (m_observer)
        m_observer(frame, true, rows);
    return true;
}

void LiveBus::rearmClock() {
    if (!m_engine || !m_running)
        return;
    const std::int64_t due = m_engine->nextDue();
    if (due < 0) {
        m_cyclic.stop();
        return;
    }
    // The engine sends what is due strictly before the time it is given.
    const std::int64_t wait = due + 1 - m_clock.now();
    m_cyclic.start(wait <= 0 ? 0 : int((wait + 999) / 1000));
}

void LiveBus::clockTick() {
    if (!m_running || !m_engine)
        return;
    m_engine->advance(m_clock.now());
    rearmClock();
}

void LiveBus::fail(int side, const QString& reason) {
    if (!m_failure.isEmpty() || m_stopped)
        return;
    const std::string& name =
        side == kCanopen ? m_settings.names.canopenInterface : m_settings.names.j1939Interface;
    const BusAddress& address = side == kCanopen ? m_settings.canopen : m_settings.j1939;
    m_failure = QString::fromStdString(timeText(m_clock.now()) + " " + name) + " (" +
                address.text() + "): " + reason;
    stop();
    emit failed(m_failure);
}

void LiveBus::stop() {
    if (m_stopped)
        return;
    m_stopping = true;
    m_running = false;
    m_stopped = true;
    m_cyclic.stop();
    m_connectTimeout.stop();
    closeDevices();
    commitLogs();
    emit finished();
}

void LiveBus::closeDevices() {
    for (auto& device : m_devices)
        if (device) {
            device->disconnect(this);
            if (device->state() != QCanBusDevice::UnconnectedState)
                device->disconnectDevice();
        }
}

void LiveBus::commitLogs() {
    QString problem;
    for (auto* file : {&m_log, &m_out})
        if (*file) {
            try {
                (*file)->commit();
            } catch (const Error& e) {
                problem = QString::fromStdString(e.what());
            }
        }
    if (!problem.isEmpty() && m_failure.isEmpty())
        m_failure = problem;
}

std::string LiveBus::summary() const {
    if (m_engine) {
        const std::uint64_t lines =
            m_counts.j1939 + m_counts.canopen + m_counts.remote + m_counts.errorFrames + m_counts.fd;
        std::string s = m_engine->summary({lines, m_counts.remote, m_counts.fd, m_counts.errorFrames});
        if (m_out)
            s += "Written: " + m_settings.out->string() + " (" + std::to_string(m_out->frames()) +
                 " frames)\n";
        else
            s += "Frames the converter sent: " + std::to_string(m_counts.sent) + "\n";
        if (m_log)
            s += "Written: " + m_settings.log->string() + " (" + std::to_string(m_log->frames()) +
                 " frames received)\n";
        return s;
    }
    std::string s = "Frames received: " + m_settings.names.j1939Interface + " " +
                    std::to_string(m_counts.j1939) + ", " + m_settings.names.canopenInterface +
                    " " + std::to_string(m_counts.canopen) + "\n";
    s += "Skipped: " + std::to_string(m_counts.remote) + " remote, " + std::to_string(m_counts.fd) +
         " CAN FD, " + std::to_string(m_counts.errorFrames) + " error frames\n";
    s += "Frames per row of the project:\n";
    for (const auto& row : m_traffic.rows())
        s += "  " + row.name + ": " + std::to_string(row.count) + "\n";
    s += "Frames the project does not describe: " + std::to_string(m_traffic.undescribed()) + "\n";
    if (m_log)
        s += "Written: " + m_settings.log->string() + " (" + std::to_string(m_log->frames()) +
             " frames received)\n";
    return s;
}

} // namespace ordane
