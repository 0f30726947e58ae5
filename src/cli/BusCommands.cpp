// ordane-bus: the live bus commands of ordane-cli (buses, run, monitor). ordane-cli hands
// them over to this program so that its other commands start without loading Qt.

#include "BusArguments.h"
#include "Commands.h"

#include "bus/LiveSession.h"
#include "core/Error.h"

#include <iostream>

namespace ordane::cli {

int busMain(int argc, char** argv) {
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
    return withBusApplication(argc, argv, [&] {
        try {
            if (a.command == "buses") {
                listBuses(std::cout);
                return kSuccess;
            }
            LiveSessionRequest request;
            request.project = a.project;
            request.canopen = a.canopen;
            request.j1939 = a.j1939;
            request.twin = a.command == "run";
            if (!a.log.empty())
                request.log = fs::path(a.log);
            if (!a.out.empty())
                request.out = fs::path(a.out);
            request.duration = a.duration;
            return runLiveSession(request, std::cout, std::cerr) == 0 ? kSuccess : kFailed;
        } catch (const Error& e) {
            std::cerr << e.what() << "\n";
            return kFailed;
        }
    });
}

} // namespace ordane::cli

int main(int argc, char** argv) {
    return ordane::cli::busMain(argc, argv);
}
