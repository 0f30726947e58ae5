// ordane-bus: the live bus commands of ordane-cli (buses, run, monitor). ordane-cli hands
// them over to this program so that its other commands start without loading Qt.

#include "BusArguments.h"
#include "Commands.h"

#include "bus/BusAddress.h"
#include "bus/LiveBus.h"
#include "check/ProjectCheck.h"
#include "core/Error.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace ordane::cli {

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

int busesCommand(std::ostream& out) {
    for (const BusPlugin& plugin : availableBuses())
        out << plugin.name.toStdString() << ": "
            << (plugin.devices.isEmpty() ? std::string("(no devices)")
                                         : plugin.devices.join(", ").toStdString())
            << "\n";
    return kSuccess;
}

int liveCommand(const BusArguments& a, std::ostream& out, std::ostream& err) {
    std::error_code ec;
    if (!fs::is_directory(a.project, ec)) {
        err << "Project folder not found: " << a.project << "\n";
        return kFailed;
    }
    LiveBus::Settings settings;
    settings.mode = a.command == "run" ? LiveBus::Mode::Twin : LiveBus::Mode::Monitor;
    settings.canopen = parseBusAddress(QString::fromStdString(a.canopen));
    settings.j1939 = parseBusAddress(QString::fromStdString(a.j1939));
    if (settings.canopen.text() == settings.j1939.text())
        throw Error("The CANopen and the J1939 bus must be different devices");
    if (!a.log.empty())
        settings.log = fs::path(a.log);
    if (!a.out.empty())
        settings.out = fs::path(a.out);

    std::vector<std::string> problems;
    const SimulationProject project = loadSimulationProject(a.project, problems);
    if (settings.mode == LiveBus::Mode::Twin)
        for (const std::string& failure : checkProject(a.project).failures)
            if (std::find(problems.begin(), problems.end(), failure) == problems.end())
                problems.push_back(failure);

    LiveBus bus(project, settings);
    bus.traffic().attachKeptSignals(a.project, problems);
    if (settings.mode == LiveBus::Mode::Monitor)
        bus.setObserver([&](const CanFrame& frame, bool, const std::vector<std::size_t>& rows) {
            for (const std::size_t row : rows)
                out << bus.traffic().line(row, frame) << "\n";
        });
    QObject::connect(&bus, &LiveBus::connected, [&] {
        err << "Connected: canopen " << a.canopen << ", j1939 " << a.j1939
            << (settings.mode == LiveBus::Mode::Twin ? "; the twin runs" : "; monitoring")
            << " until " << (a.duration > 0 ? std::to_string(a.duration) + " s have passed or " : "")
            << "SIGINT or SIGTERM" << std::endl;
    });
    QObject::connect(&bus, &LiveBus::finished, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);

    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (g_signal)
            bus.stop();
        out.flush();
    });
    watch.start(50);
    if (a.duration > 0)
        QTimer::singleShot(int(a.duration * 1000), &bus, [&] { bus.stop(); });

    bus.start();
    if (!bus.stopped())
        QCoreApplication::exec();
    bus.stop();

    if (!problems.empty()) {
        out << "Problems in the project (run as far as the documents allow):\n";
        for (const std::string& p : problems)
            out << "  " << p << "\n";
    }
    out << bus.summary();
    out.flush();
    if (!bus.failure().isEmpty()) {
        err << bus.failure().toStdString() << "\n";
        return kFailed;
    }
    return kSuccess;
}

} // namespace

int busMain(int argc, char** argv) {
    catchEndSignals();
    CLI::App app{"Ordane configuration tool: the live bus commands of ordane-cli", "ordane-cli"};
    app.require_subcommand(1);
    BusArguments a;
    addBusCommands(app, a, [] {});
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return kUsage;
    }
    QCoreApplication application(argc, argv);
    quietBusPluginLogs();
    try {
        if (a.command == "buses")
            return busesCommand(std::cout);
        return liveCommand(a, std::cout, std::cerr);
    } catch (const Error& e) {
        std::cerr << e.what() << "\n";
        return kFailed;
    }
}

} // namespace ordane::cli

int main(int argc, char** argv) {
    return ordane::cli::busMain(argc, argv);
}
