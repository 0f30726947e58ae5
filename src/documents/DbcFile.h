#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace ordane {

// One SG_ line of a DBC file, with what CM_, BA_, VAL_ and SIG_VALTYPE_ say about it.
struct DbcSignal {
    enum class Multiplex { None, Multiplexor, Multiplexed };

    std::string name;
    Multiplex multiplex = Multiplex::None;
    std::uint32_t multiplexValue = 0; // for Multiplexed: the N of "mN"
    int startBit = 0;                 // as written: LSB for @1, MSB (sawtooth numbering) for @0
    int length = 0;                   // bits
    bool littleEndian = true;         // @1 little-endian (Intel), @0 big-endian (Motorola)
    bool isSigned = false;
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    std::string unit;
    std::vector<std::string> receivers;
    std::string comment;
    int valueType = 0;                             // SIG_VALTYPE_: 0 integer, 1 float, 2 double
    std::map<std::string, std::string> attributes; // BA_ ... SG_, enum values as names
    std::vector<std::pair<std::int64_t, std::string>> values; // VAL_
    int line = 0;

    // The frame bytes (0-based) that hold the signal's lowest and highest bit positions.
    int firstByte() const;
    int lastByte() const;
    // The SPN attribute, or -1.
    long spn() const;
};

// One BO_ line with its signals.
struct DbcMessage {
    std::uint32_t rawId = 0; // as written, bit 31 the extended flag
    std::string name;
    int length = 0; // DLC in bytes
    std::string transmitter;
    std::vector<std::string> extraTransmitters; // BO_TX_BU_
    std::vector<DbcSignal> signalList;
    std::string comment;
    std::map<std::string, std::string> attributes; // BA_ ... BO_, enum values as names
    int line = 0;

    bool extended() const { return (rawId & 0x80000000u) != 0; }
    std::uint32_t id() const { return rawId & 0x7FFFFFFFu; }
    bool transmittedBy(std::string_view node) const;
    bool receivedBy(std::string_view node) const;
};

// The parts of a DBC file that a J1939 import needs. Attribute values of enum type are
// held as the enum's names, numbers as written.
struct DbcFile {
    std::string version;
    std::vector<std::string> nodes;
    std::vector<DbcMessage> messages;                     // file order
    std::map<std::string, std::string> attributeDefaults; // BA_DEF_DEF_
    std::map<std::string, std::vector<std::pair<std::int64_t, std::string>>> valueTables;

    // The message's attribute, else the file's default, else "".
    std::string messageAttribute(const DbcMessage& message, const std::string& name) const;
};

// Larger than any J1939 database in use, small enough to read and hold at once.
inline constexpr std::uintmax_t kLargestDbcFile = std::uintmax_t(32) << 20;

// Parses DBC text (UTF-8 or Windows-1252, LF or CR LF). `name` is the file's name for the
// messages. Throws Error "<name>, line <n>: <what is wrong>" on a malformed statement, a
// duplicate message identifier or a signal that runs past its message, and when the text
// is binary or has none of the sections of a DBC file.
DbcFile parseDbc(std::string_view text, const std::string& name);

// Reads and parses a DBC file of at most kLargestDbcFile bytes. Throws Error.
DbcFile readDbcFile(const std::filesystem::path& path);

// Windows-1252 text as UTF-8; text that is already valid UTF-8 stays as it is.
std::string dbcTextAsUtf8(std::string_view text);

// UTF-8 text as Windows-1252, the encoding DBC files are written in: a character that
// Windows-1252 lacks, and a byte that is no UTF-8, become "?".
std::string dbcTextAsWindows1252(std::string_view utf8);

} // namespace ordane
