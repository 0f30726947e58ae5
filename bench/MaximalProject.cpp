#include "MaximalProject.h"

#include "core/NumberText.h"
#include "documents/ProjectDocument.h"

#include <string>

namespace ordane::bench {

namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 100;
constexpr int kReceivedEntries = 344;
constexpr int kTransmittedEntries = 1538;
constexpr int kPdos = 4;
constexpr int kGuardedNodes = 32;
constexpr int kFixedFrames = 5;

std::string decimal(int value) {
    return std::to_string(value);
}

void writeFrameLists(const fs::path& folder) {
    ProjectDocument received;
    received.create("COBID");
    for (int k = 0; k < kFrames; ++k)
        received.appendRow({{"PGN", hexText(0xFE00u + unsigned(k), 4)},
                            {"ID_DEV", decimal(k)},
                            {"Delete", k % 2 ? "Y" : "N"},
                            {"Mnemonic", "Received " + decimal(k + 1)}});
    received.save(folder / "RCobDef.xml");

    ProjectDocument transmitted;
    transmitted.create("COBID");
    for (int k = 0; k < kFrames; ++k)
        transmitted.appendRow({{"Priority", "6"},
                               {"DP", decimal(k % 2)},
                               {"PGN", hexText(0xFF00u + unsigned(k), 4)},
                               {"ID_DEV", hexText(unsigned(k), 2)},
                               {"Mnemonic", "Transmitted " + decimal(k + 1)}});
    transmitted.save(folder / "TCobDef.xml");
}

// Entries grouped by frame in frame order; indexes of the two sides never meet.
void writeSdoMapping(const fs::path& path, const char* root, int entries, int firstIndex,
                     bool withSendFlag) {
    ProjectDocument mapping;
    mapping.create(root);
    for (int k = 0; k < entries; ++k) {
        std::vector<ProjectDocument::Pair> row = {{"NrPdo", decimal(1 + k * kFrames / entries)},
                                                  {"Index", decimal(firstIndex + k / 200)},
                                                  {"SubIndex", decimal(k % 200)},
                                                  {"Dimension", decimal(k % 3)},
                                                  {"B1", decimal(1 + k % 8)},
                                                  {"B2", decimal(k % 9)},
                                                  {"B3", "0"},
                                                  {"B4", "0"}};
        if (withSendFlag)
            row.emplace_back("Send_SDO", decimal(k % 2));
        mapping.appendRow(row);
    }
    mapping.save(path);
}

void writePdoMapping(const fs::path& path, unsigned firstCobId) {
    ProjectDocument pdos;
    pdos.create("PDOJ1939");
    for (int k = 0; k < kPdos; ++k)
        pdos.appendRow({{"COB-ID", hexText(firstCobId + unsigned(k), 3)},
                        {"Dimension", "8"},
                        {"Offset", "1"},
                        {"Frame_J1939", decimal(k + 1)},
                        {"Mnemonic", "PDO " + decimal(k + 1)}});
    pdos.save(path);
}

void writeFrameDefinitions(const fs::path& path, const char* root, unsigned firstPgn) {
    ProjectDocument frames;
    frames.create(root);
    for (int k = 0; k < kFixedFrames; ++k)
        frames.appendRow({{"Priority", "6"},
                          {"DataPage", "0"},
                          {"PGN", hexText(firstPgn + unsigned(k), 4)},
                          {"SA", hexText(unsigned(k + 1), 2)},
                          {"Mnemonic", ""}});
    frames.save(path);
}

void writeGuardedNodes(const fs::path& path) {
    ProjectDocument nodes;
    nodes.create("Node_Guarding");
    for (int k = 0; k < kGuardedNodes; ++k)
        nodes.appendRow({{"NodeID", decimal(k + 1)},
                         {"GuardTime", hexText(0x100u + unsigned(k), 4)},
                         {"LifeTimeFactor", "3"},
                         {"Mnemonic", "Node " + decimal(k + 1)}});
    nodes.save(path);
}

void writeParameters(const fs::path& path) {
    ProjectDocument parameters;
    parameters.create("GeneralParameter");
    const std::pair<const char*, const char*> values[] = {
        {"BaudRateCAN", "5"},       {"CANType", "1"},          {"IDDev_CANopen", "0x10"},
        {"Baud_CANopen", "8"},      {"Set_Ope_CANopen", "1"},  {"Net_Start_CANopen", "1"},
        {"Delay_CANopen", "10"},    {"TimeOut_Data", "5"},     {"Peer_to_Peer", "0"},
        {"Sent_TPDO", "0"},         {"Sent_TPDO_Time", "100"}, {"NodeGuard", "1"},
        {"Send_NG_J1939", "1"},     {"BG_Send_Every", "1000"}, {"EN_SDO_Client", "1"},
        {"TO_SDO_Client", "10000"},
    };
    for (const auto& [name, value] : values)
        parameters.setChildText(name, value);
    parameters.save(path);
}

} // namespace

void writeMaximalProject(const fs::path& folder) {
    fs::create_directories(folder / "bin");
    writeParameters(folder / "pargen.xml");
    writeFrameLists(folder);
    writeSdoMapping(folder / "RInfoCob.xml", "RInfoCob", kReceivedEntries, 0x2000, false);
    writeSdoMapping(folder / "TInfoCob.xml", "TInfoCob", kTransmittedEntries, 0x3000, true);
    writePdoMapping(folder / "pdoJ1939.xml", 0x201);
    writePdoMapping(folder / "TpdoJ1939.xml", 0x181);
    writeGuardedNodes(folder / "NodeGuard.xml");
    writeFrameDefinitions(folder / "NG_J1939_Frame.xml", "NG_J1939_Frames", 0xFF50);
    writeFrameDefinitions(folder / "SDOClient.xml", "J1939_Frames_SDOClient", 0xEF00);
}

} // namespace ordane::bench
