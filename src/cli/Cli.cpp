#include "Cli.h"

#include "Commands.h"
#ifdef ORDANE_BUILD_BUS
#include "BusArguments.h"
#endif

#include "core/Utf8.h"

#include <CLI/CLI.hpp>

#include <exception>
#include <functional>
#include <new>
#include <optional>
#include <string>

namespace ordane::cli {

namespace {

// The parser takes a name that begins with "-" for an option it does not know.
bool hasDashedName(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments) {
        if (a == "--")
            return false;
        if (a.size() > 1 && a.front() == '-' && a != "-h" && a != "--help" && a != "--help-all")
            return true;
    }
    return false;
}

// The workbook import, or the DBC import when the file is a .dbc.
int importAction(const fs::path& project, const std::string& side, const fs::path& file,
                 const DbcImportOptions& dbc, std::ostream& out, std::ostream& err) {
    if (isDbcFile(file))
        return dbcImportCommand(project, side, file, dbc, out, err);
    if (dbc.any()) {
        err << "--messages, --pgn, --node, --map-signals, --replace-mapping and "
               "--source-address are for DBC files (.dbc)\n";
        return kUsage;
    }
    return importCommand(project, side, file, dbc.keepReferences, out, err);
}

} // namespace

int run(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    CLI::App app{"Ordane configuration tool, command line: compiles, checks and exports "
                 "projects without the desktop program.",
                 "ordane-cli"};
    app.require_subcommand(1);
    // On Windows the parser would take "/name" for an option; a path can begin so.
    app.allow_windows_style_options(false);
    app.set_help_all_flag("--help-all", "Show the help of every command");

    // Arguments are UTF-8 (on Windows, main() makes them so); paths are made from them as such.
    std::string project, output, templateFile, root, name, side, workbook;
    std::function<int()> action;
    const auto path = [](const std::string& text) { return pathFromUtf8(text); };

    auto* compile = app.add_subcommand(
        "compile", "Compile PROJECT into a fresh device image; write bin/bank1.bin..bank5.bin "
                   "and bin/bankg.c");
    compile->add_option("PROJECT", project, "Project folder")->required();
    compile->callback([&] { action = [&] { return compileCommand(path(project), out, err); }; });

    auto* eds = app.add_subcommand("eds", "Write the EDS file of PROJECT to OUTPUT");
    eds->add_option("PROJECT", project, "Project folder")->required();
    eds->add_option("OUTPUT", output, "EDS file to write")->required();
    eds->callback(
        [&] { action = [&] { return edsCommand(path(project), path(output), out, err); }; });

    std::optional<std::string> nodeId, bitRate;
    auto* dcf = app.add_subcommand(
        "dcf", "Write the device configuration file (DCF) of PROJECT to OUTPUT: the EDS plus "
               "the commissioned node ID and bit rate");
    dcf->add_option("PROJECT", project, "Project folder")->required();
    dcf->add_option("OUTPUT", output, "DCF file to write")->required();
    dcf->add_option("--node-id", nodeId, "Node ID 1..127 (default: IDDev_CANopen of pargen.xml)");
    dcf->add_option("--bit-rate", bitRate,
                    "Bit rate in kbit/s: 10, 20, 50, 100, 125, 250, 500, 800 or 1000 (default: "
                    "Baud_CANopen of pargen.xml)");
    dcf->callback([&] {
        action = [&] { return dcfCommand(path(project), path(output), nodeId, bitRate, out, err); };
    });

    auto* merge = app.add_subcommand(
        "merge", "Merge bin/bank1.bin and bin/bank2.bin into the S-record file TEMPLATE, "
                 "writing New_<template name> into PROJECT");
    merge->add_option("PROJECT", project, "Project folder")->required();
    merge->add_option("TEMPLATE", templateFile, "Firmware template (S-record file)")->required();
    merge->callback([&] {
        action = [&] { return mergeCommand(path(project), path(templateFile), out, err); };
    });

    bool force = false;
    auto* update = app.add_subcommand(
        "update", "check, compile, then merge: everything \"Up date Device\" does but flashing");
    update->add_option("PROJECT", project, "Project folder")->required();
    update->add_option("TEMPLATE", templateFile, "Firmware template (S-record file)")->required();
    update->add_flag("--force", force, "Update also a project that the check fails");
    update->callback([&] {
        action = [&] { return updateCommand(path(project), path(templateFile), force, out, err); };
    });

    auto* check = app.add_subcommand(
        "check", "Run every editor's checks and the checks across documents; list every "
                 "failure with document and row");
    check->add_option("PROJECT", project, "Project folder")->required();
    check->callback([&] { action = [&] { return checkCommand(path(project), out, err); }; });

    auto* report = app.add_subcommand(
        "report", "Write the mapping report of PROJECT (one self-contained HTML file) to "
                  "OUTPUT, the check's findings first");
    report->add_option("PROJECT", project, "Project folder")->required();
    report->add_option("OUTPUT", output, "HTML file to write")->required();
    report->callback(
        [&] { action = [&] { return reportCommand(path(project), path(output), out, err); }; });

    auto* dbcExport = app.add_subcommand(
        "dbc", "Write the DBC file of both buses as the converter sees them to OUTPUT: its "
               "J1939 frames and PDOs with one signal per mapped object");
    dbcExport->add_option("PROJECT", project, "Project folder")->required();
    dbcExport->add_option("OUTPUT", output, "DBC file to write")->required();
    dbcExport->callback([&] { action = [&] { return dbcCommand(project, output, out, err); }; });

    auto* create =
        app.add_subcommand("new", "Create project NAME (with its bin folder) under ROOT");
    create->add_option("ROOT", root, "Projects root folder")->required();
    create->add_option("NAME", name, "Project name")->required();
    create->callback([&] { action = [&] { return newCommand(path(root), name, out, err); }; });

    DbcImportOptions dbc;
    auto* importCmd = app.add_subcommand(
        "import", "Fill a frame list from a workbook (.xls sheet \"rpdodef\", or .csv) or from "
                  "a DBC file (.dbc), check it and save it");
    importCmd->add_option("PROJECT", project, "Project folder")->required();
    importCmd->add_option("SIDE", side, "received or transmitted")
        ->required()
        ->check(CLI::IsMember({"received", "transmitted"}));
    importCmd->add_option("WORKBOOK", workbook, "Workbook (.xls or .csv) or DBC file (.dbc)")
        ->required();
    importCmd->add_option("--messages", dbc.messages, "DBC: only the messages with these names")
        ->delimiter(',');
    importCmd->add_option("--pgn", dbc.pgns, "DBC: only the messages with these PGNs (0xF004,...)")
        ->delimiter(',');
    importCmd->add_option("--node", dbc.node,
                          "DBC: the messages NODE transmits (transmitted) or receives (received)");
    importCmd->add_option("--map-signals", dbc.mapSignals,
                          "DBC: also write the side's SDO mapping, one object index per frame "
                          "from INDEX");
    importCmd->add_flag("--replace-mapping", dbc.replaceMapping,
                        "DBC: replace the side's existing SDO mapping");
    importCmd->add_option("--source-address", dbc.sourceAddress,
                          "DBC: the source address 0..253 of the messages whose identifier "
                          "carries 0xFE or 0xFF");
    importCmd->add_flag("--keep-references", dbc.keepReferences,
                        "Fail, writing nothing, when an SDO mapping or PDO row would lose its "
                        "frame (without it such rows are removed)");
    importCmd->callback([&] {
        action = [&] { return importAction(path(project), side, path(workbook), dbc, out, err); };
    });

    auto* exportCmd = app.add_subcommand("export", "Write rpdodef.csv from a frame list");
    exportCmd->add_option("PROJECT", project, "Project folder")->required();
    exportCmd->add_option("SIDE", side, "received or transmitted")
        ->required()
        ->check(CLI::IsMember({"received", "transmitted"}));
    exportCmd->callback(
        [&] { action = [&] { return exportCommand(path(project), side, out, err); }; });

    SimulateArguments simulation;
    std::string simulationProject, simulationLog, simulationOut, simulationValues;
    auto* simulate = app.add_subcommand(
        "simulate", "Replay the CAN log LOG (candump -L format) through PROJECT: the frames the "
                    "converter sends and the objects a CANopen master reads");
    simulate->add_option("PROJECT", simulationProject, "Project folder")->required();
    simulate->add_option("LOG", simulationLog, "CAN log as candump -L writes it")->required();
    simulate->add_option("--out", simulationOut, "Log of the frames the converter sends");
    simulate->add_option("--values", simulationValues,
                         "CSV of every mapped object's value at the end of the log");
    simulate->add_option("--j1939-if", simulation.options.j1939Interface,
                         "Interface name of the J1939 bus in the log (default j1939)");
    simulate->add_option("--canopen-if", simulation.options.canopenInterface,
                         "Interface name of the CANopen bus in the log (default canopen)");
    simulate->callback([&] {
        action = [&] {
            simulation.project = path(simulationProject);
            simulation.log = path(simulationLog);
            if (!simulationOut.empty())
                simulation.out = path(simulationOut);
            if (!simulationValues.empty())
                simulation.values = path(simulationValues);
            return simulateCommand(simulation, out, err);
        };
    });

    std::string imageFile;
    auto* inspect = app.add_subcommand(
        "inspect", "Show the configuration in banks 1 and 2 of FILE: a merged firmware file, "
                   "bank1.bin (with bank2.bin beside it), bankg.c or a bin folder");
    inspect->add_option("FILE", imageFile, "Firmware file, bank file, bankg.c or folder")
        ->required();
    inspect->callback([&] { action = [&] { return inspectCommand(path(imageFile), out, err); }; });

    auto* verify = app.add_subcommand(
        "verify", "Compile PROJECT in memory and compare banks 1 and 2 with FILE, the compile "
                  "stamps aside; exit 1 naming the differences");
    verify->add_option("PROJECT", project, "Project folder")->required();
    verify->add_option("FILE", imageFile, "Firmware file, bank file, bankg.c or folder")
        ->required();
    verify->callback(
        [&] { action = [&] { return verifyCommand(path(project), path(imageFile), out, err); }; });

    auto* recover = app.add_subcommand(
        "recover", "Create project NAME under ROOT from the configuration in FILE");
    recover->add_option("FILE", imageFile, "Firmware file, bank file, bankg.c or folder")
        ->required();
    recover->add_option("ROOT", root, "Projects root folder")->required();
    recover->add_option("NAME", name, "Project name")->required();
    recover->callback([&] {
        action = [&] { return recoverCommand(path(imageFile), path(root), name, out, err); };
    });

#ifdef ORDANE_BUILD_BUS
    BusArguments busArguments;
    addBusCommands(app, busArguments,
                   [&] { action = [&] { return handOverBusCommand(arguments, err); }; });
#endif

    std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << app.help();
        return kSuccess;
    } catch (const CLI::CallForAllHelp&) {
        out << app.help("", CLI::AppFormatMode::All);
        return kSuccess;
    } catch (const CLI::ParseError& e) {
        err << e.what() << "\n";
        if (hasDashedName(arguments))
            err << "Names that begin with '-' go after '--', as in: ordane-cli compile -- "
                   "-Plant\n";
        err << "Run 'ordane-cli --help' for the commands.\n";
        return kUsage;
    }
    if (!action)
        return kUsage;
    // Commands report their own failures; this is for what no command foresaw, so that a
    // script is told the reason instead of seeing the program abort.
    try {
        return action();
    } catch (const std::bad_alloc&) {
        err << "Not enough memory\n";
    } catch (const std::exception& e) {
        err << e.what() << "\n";
    }
    return kFailed;
}

} // namespace ordane::cli
