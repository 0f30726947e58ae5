// The other end of a live bus in the tests and the benchmark: connects to two virtual CAN
// buses, plays a log onto them (frames by their interface name, canopen or j1939) and
// records what it receives as log lines.
//   ordane_bus_peer CANOPEN_URL J1939_URL [--play LOG] [--fast] [--record FILE]
//                   [--linger MS] [--expect N] [--delay MS] [--ping N] [--until ID#HEX]...
// Plays after both devices are connected, then waits --linger ms (default 500) or until N
// frames came, and exits 0. --fast sends the log as fast as the bus takes it. --ping N sends
// N times an EEC1 frame (PGN 0xF004 from 0x00) with new bytes 4..5, each when the TPDO 0x181
// of the one before came back, and prints the times from frame to TPDO (p50, p99, max).
// --until waits, after playing, until a frame with that identifier (hexadecimal) and data
// beginning with HEX came, for each one given.

#include "simulator/CanLog.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

std::int64_t wallMicroseconds() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct Played {
    std::int64_t time;
    int side;
    QCanBusFrame frame;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::cerr << "usage: ordane_bus_peer CANOPEN_URL J1939_URL [options]\n";
        return 2;
    }
    QString play, record;
    int linger = 500;
    int delay = 0;
    long long expect = -1;
    bool fast = false;
    int pings = 0;
    std::vector<std::pair<quint32, QByteArray>> until;
    for (int i = 3; i < args.size(); ++i) {
        if (args[i] == "--play" && i + 1 < args.size())
            play = args[++i];
        else if (args[i] == "--record" && i + 1 < args.size())
            record = args[++i];
        else if (args[i] == "--linger" && i + 1 < args.size())
            linger = args[++i].toInt();
        else if (args[i] == "--expect" && i + 1 < args.size())
            expect = args[++i].toLongLong();
        else if (args[i] == "--delay" && i + 1 < args.size())
            delay = args[++i].toInt();
        else if (args[i] == "--until" && i + 1 < args.size()) {
            const QStringList parts = args[++i].split('#');
            until.emplace_back(parts[0].toUInt(nullptr, 16), QByteArray::fromHex(parts.value(1).toLatin1()));
        } else if (args[i] == "--ping" && i + 1 < args.size())
            pings = args[++i].toInt();
        else if (args[i] == "--fast")
            fast = true;
    }

    std::vector<Played> frames;
    if (!play.isEmpty()) {
        std::ifstream in(play.toStdString(), std::ios::binary);
        std::string line;
        while (std::getline(in, line)) {
            ordane::LogLineKind kind;
            ordane::CanFrame f;
            if (ordane::parseLogLine(line, kind, f) || kind == ordane::LogLineKind::Blank)
                continue;
            QCanBusFrame frame(f.id, QByteArray(reinterpret_cast<const char*>(f.data.data()),
                                                f.length));
            frame.setExtendedFrameFormat(f.extended);
            if (kind == ordane::LogLineKind::Remote) {
                frame.setFrameType(QCanBusFrame::RemoteRequestFrame);
                frame.setPayload({});
            }
            frames.push_back({f.time, f.interface == "canopen" ? 0 : 1, frame});
        }
    }

    std::unique_ptr<QCanBusDevice> devices[2];
    std::FILE* out = record.isEmpty() ? nullptr : std::fopen(record.toLocal8Bit().data(), "wb");
    long long received = 0;
    int connected = 0;
    std::size_t next = 0;
    QElapsedTimer clock;
    QTimer pacer;
    pacer.setTimerType(Qt::PreciseTimer);
    pacer.setSingleShot(true);

    const auto finish = [&] {
        if (out)
            std::fflush(out);
        QTimer::singleShot(linger, &app, [&] { app.quit(); });
    };
    const auto unsent = [&](int side) -> qint64 {
        const auto* socket = devices[side]->findChild<QTcpSocket*>();
        return socket ? socket->bytesToWrite() : 0;
    };
    std::vector<qint64> latencies;
    QElapsedTimer pingClock;
    const auto ping = [&] {
        const int n = int(latencies.size()) + 1;
        QCanBusFrame f(0x0CF00400, QByteArray::fromHex("F07D7D0000FFFFFF"));
        f.setExtendedFrameFormat(true);
        QByteArray data = f.payload();
        data[3] = char(n & 0xFF);
        data[4] = char((n >> 8) & 0xFF);
        f.setPayload(data);
        pingClock.start();
        devices[1]->writeFrame(f);
    };
    const auto sendDue = [&] {
        if (pings > 0) {
            ping();
            return;
        }
        const std::int64_t elapsed = clock.nsecsElapsed() / 1000;
        while (next < frames.size()) {
            const Played& p = frames[next];
            if (!fast && p.time - frames.front().time > elapsed) {
                pacer.start(int((p.time - frames.front().time - elapsed) / 1000));
                return;
            }
            // The virtual bus writes into its TCP socket at once; its backlog is what the
            // bus has not taken yet.
            if (fast && unsent(p.side) > 256 * 1024) {
                pacer.start(1);
                return;
            }
            devices[p.side]->writeFrame(p.frame);
            ++next;
        }
        if (unsent(0) + unsent(1) > 0) {
            pacer.start(5);
            return;
        }
        if (expect < 0 && until.empty())
            finish();
    };
    QObject::connect(&pacer, &QTimer::timeout, sendDue);

    for (int side = 0; side < 2; ++side) {
        QString why;
        devices[side].reset(QCanBus::instance()->createDevice("virtualcan", args[1 + side], &why));
        if (!devices[side]) {
            std::cerr << why.toStdString() << "\n";
            return 1;
        }
        QCanBusDevice* device = devices[side].get();
        QObject::connect(device, &QCanBusDevice::stateChanged, [&, device](QCanBusDevice::CanBusDeviceState s) {
            if (s == QCanBusDevice::ConnectedState && ++connected == 2) {
                std::cerr << "peer connected" << std::endl;
                QTimer::singleShot(delay, &app, [&] {
                    clock.start();
                    sendDue();
                });
            }
            (void)device;
        });
        QObject::connect(device, &QCanBusDevice::framesReceived, [&, side, device] {
            for (const QCanBusFrame& frame : device->readAllFrames()) {
                ++received;
                if (out) {
                    ordane::CanFrame f;
                    f.time = wallMicroseconds();
                    f.interface = side == 0 ? "canopen" : "j1939";
                    f.id = frame.frameId();
                    f.extended = frame.hasExtendedFrameFormat();
                    const QByteArray payload = frame.payload();
                    f.length = std::uint8_t(std::min<qsizetype>(payload.size(), 8));
                    std::copy_n(payload.constData(), f.length, f.data.begin());
                    std::string line;
                    ordane::appendLogLine(line, f);
                    std::fwrite(line.data(), 1, line.size(), out);
                }
                if (expect >= 0 && received == expect)
                    finish();
                for (auto it = until.begin(); it != until.end(); ++it)
                    if (frame.frameId() == it->first && frame.payload().startsWith(it->second)) {
                        until.erase(it);
                        if (until.empty())
                            finish();
                        break;
                    }
                if (pings > 0 && side == 0 && frame.frameId() == 0x181) {
                    latencies.push_back(pingClock.nsecsElapsed() / 1000);
                    if (int(latencies.size()) < pings)
                        QTimer::singleShot(1, &app, ping);
                    else
                        finish();
                }
            }
        });
        device->connectDevice();
    }
    const int rc = app.exec();
    if (!latencies.empty()) {
        std::sort(latencies.begin(), latencies.end());
        const auto at = [&](double q) { return latencies[std::size_t(q * double(latencies.size() - 1))]; };
        std::printf("latency_us p50 %lld p99 %lld max %lld (%zu pings)\n", (long long)at(0.5),
                    (long long)at(0.99), (long long)latencies.back(), latencies.size());
    }
    if (out)
        std::fclose(out);
    std::cerr << "peer sent " << next << " frames, received " << received << std::endl;
    return rc;
}
