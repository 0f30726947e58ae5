#pragma once

#include "documents/KeptSignals.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace ordane {

// What the mapping report shows, read from a project's documents through their models.
// Each document is read on its own: what one of them could not give is listed in
// `problems` and the rest of the report still stands.

// An SDO-mapped object's share of one frame byte.
struct ObjectByteUse {
    std::uint32_t index = 0;
    std::uint32_t subIndex = 0;
    int size = 0; // bytes of the object's value: 4, 2 or 1
    int role = 0; // 0 = most significant byte .. size - 1 = least significant
};

// A PDO's share of one frame byte.
struct PdoByteUse {
    std::string cobId; // as typed
    int pdo = 0;       // 1..4, the PDO's row
    int position = 0;  // 1 = the PDO's first data byte
};

struct FrameByte {
    std::vector<ObjectByteUse> objects;
    std::vector<PdoByteUse> pdos;
    // Two objects, or two PDOs, take their value from this byte.
    bool usedTwice() const { return objects.size() > 1 || pdos.size() > 1; }
    bool used() const { return !objects.empty() || !pdos.empty(); }
};

// One SDO-mapped object of a frame, with the frame byte (1..8) of each byte of its value,
// 0 where that byte is taken from no frame byte.
struct FrameObject {
    std::uint32_t index = 0;
    std::uint32_t subIndex = 0;
    int size = 0;
    std::vector<int> sourceBytes; // most significant first
    bool sendOnWrite = false;     // transmitted side: a write sends the frame
    // The DBC signal the object was imported from, while its mapping is still the imported one.
    std::optional<KeptSignal> signal;
};

struct ReportFrame {
    int number = 0;  // 1-based position in its list
    std::string pgn; // as typed
    std::string sourceAddress;
    std::string priority; // transmitted side only; empty on the received side
    std::string dataPage; // transmitted side only
    std::string mnemonic;
    bool deleteFlag = false; // received side: "Y" in the Delete column
    std::array<FrameByte, 8> bytes;
    std::vector<FrameObject> objects;
    // The DBC message the frame was imported from, while the row still holds it.
    std::optional<KeptFrame> dbc;
    bool used() const;
};

struct ReportPdo {
    int number = 0; // 1..4
    std::string cobId;
    std::string dimension;
    std::string startByte;
    int frame = 0; // 0: no frame of the list
    std::string mnemonic;
    // The frame bytes the PDO occupies; empty when the values do not give them.
    int firstByte = 0;
    int lastByte = 0;
};

// One J1939 frame definition of the SDO client or the node guarding.
struct ReportJ1939Frame {
    std::string name;
    int priority = 0; // -1: none chosen
    int dataPage = 0;
    std::string pgn;
    std::string sourceAddress;
    std::string mnemonic;
};

struct ReportGuardedNode {
    std::string nodeId;
    std::string guardTime;
    std::string lifeTimeFactor;
    std::string mnemonic;
};

// An object dictionary entry that the EDS file declares from the SDO mapping.
struct ReportObjectEntry {
    std::uint32_t index = 0;
    std::uint32_t subIndex = 0;
    int size = 0;           // bytes
    std::string access;     // "ro" or "rw"
    bool generated = false; // the "Largest Sub-Index supported" entry the file adds
};

// A document that could not be read in full.
struct ReportProblem {
    std::string document; // its file name
    std::string text;     // the line shown, naming the document
};

struct ReportData {
    std::string projectName;

    // pargen.xml, defaults where it says nothing
    std::string nodeId = "1";
    int canopenRate = 8; // position in the CANopen rate list, -1 or out of range: none
    int j1939Rate = 5;
    bool setOperational = false;
    bool networkStart = false;
    int startDelay = 10;
    bool sendOnChange = true;
    std::string sendTpdoTime = "1000";
    std::string dataTimeOut = "0";
    bool peerToPeer = false;
    bool nodeGuard = false;
    bool sendNodeGuardOnJ1939 = false;
    std::string nodeGuardSendEvery = "1000";
    bool sdoClient = false;
    std::string sdoClientTimeOut = "10000";

    std::vector<ReportFrame> received;    // RCobDef.xml, with RInfoCob.xml and the TPDOs
    std::vector<ReportFrame> transmitted; // TCobDef.xml, with TInfoCob.xml and the RPDOs
    std::vector<ReportPdo> tpdos;         // TpdoJ1939.xml
    std::vector<ReportPdo> rpdos;         // pdoJ1939.xml

    std::vector<ReportObjectEntry> objects; // empty when the EDS could not be made
    std::optional<std::string> edsRefusal;  // why the EDS file cannot be made

    std::vector<ReportJ1939Frame> sdoClientFrames;
    std::vector<ReportGuardedNode> guardedNodes;
    std::vector<ReportJ1939Frame> guardFrames;

    // Every document that could not be read in full, in reading order.
    std::vector<ReportProblem> problems;
};

// Reads every document of the project folder; never throws for a document's content.
ReportData readReportData(const std::filesystem::path& projectFolder);

// ((priority × 4 + data page) × 65536 + PGN) × 256 + source address; nothing when a value
// is missing or outside its range.
std::optional<std::uint32_t> j1939FrameIdentifier(int priority, int dataPage,
                                                  const std::string& pgn,
                                                  const std::string& sourceAddress);

} // namespace ordane
