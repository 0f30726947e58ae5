#include "bus/LiveSession.h"

#include "bus/BusAddress.h"
#include "bus/LiveBus.h"
#include "check/ProjectCheck.h"
#include "core/Error.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>

namespace ordane {

namespace {

std::atomic<int> g_signal{0};

void onSignal(int number) {
    g_signal = number;
}

void catchEndSignals() {
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

} // namespace

void listBuses(std::ostream& out) {
    for (const BusPlugin& plugin : availableBuses())
        out << plugin.name.toStdString() << ": "
            << (plugin.devices.isEmpty() ? std::string("(no devices)")
                                         : plugin.devices.join(", ").toStdString())
            << "\n";
}

int runLiveSession(const LiveSessionRequest& request, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (!std::filesystem::is_directory(request.project, ec))
        throw Error("Project folder not found: " + request.project.string());
    LiveBus::Settings settings;
    settings.mode = request.twin ? LiveBus::Mode::Twin : LiveBus::Mode::Monitor;
    settings.canopen = parseBusAddress(QString::fromStdString(request.canopen));
    settings.j1939 = parseBusAddress(QString::fromStdString(request.j1939));
    if (settings.canopen.text() == settings.j1939.text())
        throw Error("The CANopen and the J1939 bus must be different devices");
    settings.log = request.log;
    settings.out = request.out;

    std::vector<std::string> problems;
    const SimulationProject project = loadSimulationProject(request.project, problems);
    if (request.twin)
        for (const std::string& failure : checkProject(request.project).failures)
            if (std::find(problems.begin(), problems.end(), failure) == problems.end())
                problems.push_back(failure);

    LiveBus bus(project, settings);
    bus.traffic().attachKeptSignals(request.project, problems);
    if (!request.twin)
        bus.setObserver([&](const CanFrame& frame, bool, const std::vector<std::size_t>& rows) {
            for (const std::size_t row : rows)
                out << bus.traffic().line(row, frame) << "\n";
        });
    QObject::connect(&bus, &LiveBus::connected, [&] {
        err << "Connected: canopen " << request.canopen << ", j1939 " << request.j1939
            << (request.twin ? "; the twin runs" : "; monitoring") << " until "
            << (request.duration > 0 ? std::to_string(request.duration) + " s have passed or "
                                     : std::string())
            << "SIGINT or SIGTERM" << std::endl;
    });
    QObject::connect(&bus, &LiveBus::warning,
                     [&](const QString& message) { err << message.toStdString() << std::endl; });
    QObject::connect(&bus, &LiveBus::finished, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (g_signal)
            bus.stop();
        out.flush();
    });
    watch.start(50);
    if (request.duration > 0)
        QTimer::singleShot(int(request.duration * 1000), &bus, [&] { bus.stop(); });

    bus.start();
    if (!bus.stopped())
        QCoreApplication::exec();
    bus.stop();

    if (!problems.empty()) {
        out << "Problems in the project (" << (request.twin ? "run" : "shown")
            << " as far as the documents allow):\n";
        for (const std::string& p : problems)
            out << "  " << p << "\n";
    }
    out << bus.summary();
    out.flush();
    if (!bus.failure().isEmpty()) {
        err << bus.failure().toStdString() << "\n";
        return 1;
    }
    return 0;
}

int withBusApplication(int argc, char** argv, const std::function<int()>& body) {
    catchEndSignals();
    QCoreApplication application(argc, argv);
    quietBusPluginLogs();
    return body();
}

} // namespace ordane
