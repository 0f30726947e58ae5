#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace ordane {

// What `ordane-cli run` and `monitor` ask for.
struct LiveSessionRequest {
    std::filesystem::path project;
    std::string canopen; // PLUGIN:DEVICE
    std::string j1939;
    bool twin = true; // false: the monitor
    std::optional<std::filesystem::path> log;
    std::optional<std::filesystem::path> out;
    double duration = 0; // seconds, 0 until SIGINT or SIGTERM
};

// The plugins and their devices, a line each: "virtualcan: can0, can1".
void listBuses(std::ostream& out);

// Runs the session until its duration ends, SIGINT or SIGTERM comes or a device fails; the
// monitor's lines and the summary go to `out`, the start and a device error to `err`.
// Returns 0, or 1 after a device error. Bad input (an unknown plugin or device, no project)
// throws Error.
int runLiveSession(const LiveSessionRequest& request, std::ostream& out, std::ostream& err);

// Runs `body` inside the Qt application the live buses need.
int withBusApplication(int argc, char** argv, const std::function<int()>& body);

} // namespace ordane
