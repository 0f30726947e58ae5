#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

namespace ordane::cli {

// The live bus commands, defined once: ordane-cli lists and checks them, and hands them to
// its companion program ordane-bus, which parses them again and runs them.
struct BusArguments {
    std::string command; // "buses", "run" or "monitor"
    std::string project;
    std::string canopen;
    std::string j1939;
    std::string log;
    std::string out;
    double duration = 0; // seconds, 0 until stopped
};

inline void addBusCommands(CLI::App& app, BusArguments& a, const std::function<void()>& chosen) {
    auto* buses = app.add_subcommand(
        "buses", "List the CAN plugins of QtSerialBus and, for each, the devices it offers");
    buses->callback([&a, chosen] {
        a.command = "buses";
        chosen();
    });

    const auto addBuses = [&a](CLI::App* command) {
        command->add_option("PROJECT", a.project, "Project folder")->required();
        command->add_option("--canopen", a.canopen,
                            "The CANopen bus as PLUGIN:DEVICE (virtualcan:can0, socketcan:can0)")
            ->required();
        command->add_option("--j1939", a.j1939,
                            "The J1939 bus as PLUGIN:DEVICE (virtualcan:can1, socketcan:can1)")
            ->required();
        command
            ->add_option("--duration", a.duration,
                         "Seconds to run (default: until SIGINT or SIGTERM)")
            ->check(CLI::PositiveNumber);
    };

    auto* run = app.add_subcommand(
        "run", "Run PROJECT as the converter's twin on two live CAN buses: receive J1939 "
               "frames, answer SDO, send TPDOs and J1939 frames as simulate does");
    addBuses(run);
    run->add_option("--log", a.log,
                    "Log of the frames received from both buses (candump -L format)");
    run->add_option("--out", a.out, "Log of the frames the twin sent, as simulate --out writes");
    run->callback([&a, chosen] {
        a.command = "run";
        chosen();
    });

    auto* monitor = app.add_subcommand(
        "monitor", "Print each frame of PROJECT seen on two live CAN buses with the objects it "
                   "carries; sends nothing");
    addBuses(monitor);
    monitor->add_option("--log", a.log,
                        "Log of the frames received from both buses (candump -L format)");
    monitor->callback([&a, chosen] {
        a.command = "monitor";
        chosen();
    });
}

} // namespace ordane::cli
