#pragma once

// Writes random project folders whose documents the editors could have saved, for the
// round trip compile -> recover -> compile. Values are typed as a user would (decimal or
// hexadecimal), some wider than their image field, so that truncation is exercised.

#include "TestSupport.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace ordane::test {

struct ProjectShape {
    // Rows per table, in the order RCobDef, TCobDef, RInfoCob, TInfoCob, pdoJ1939,
    // TpdoJ1939, NodeGuard, NG_J1939_Frame, SDOClient.
    std::vector<std::size_t> rows;
    bool widest = false; // every value at the top of its field (or beyond it)
};

class ProjectGenerator {
public:
    explicit ProjectGenerator(std::uint32_t seed) : m_random(seed) {}

    // Rooms of the image areas (the state frames: as far as the 0xFF marking reaches).
    static std::vector<std::size_t> rooms() { return {166, 250, 344, 1538, 20, 20, 37, 12, 25}; }

    ProjectShape randomShape() {
        std::vector<std::size_t> rows;
        for (std::size_t room : rooms())
            rows.push_back(pick(0, 3) == 0 ? 0 : pick(1, std::min<std::uint32_t>(room, 40)));
        // Now and then one table at its room.
        if (pick(0, 4) == 0) {
            const std::size_t t = pick(0, 8);
            rows[t] = rooms()[t];
        }
        return {rows, pick(0, 5) == 0};
    }

    void write(const std::filesystem::path& folder, const ProjectShape& shape) {
        m_widest = shape.widest;
        const auto& n = shape.rows;
        writeParameters(folder);
        std::vector<std::string> rows;
        for (std::size_t k = 0; k < n[0]; ++k) {
            static const char* const kDelete[] = {"Y", "y", "N", "n", nullptr};
            const char* flag = kDelete[pick(0, 4)];
            rows.push_back(attr("PGN", number(0xFFFFFFFF, 0xFFFF)) +
                           attr("ID_DEV", number(0xFF, 253)) + (flag ? attr("Delete", flag) : "") +
                           attr("Mnemonic", "r" + std::to_string(k)));
        }
        writeTable(folder / "RCobDef.xml", "COBID", rows);
        rows.clear();
        for (std::size_t k = 0; k < n[1]; ++k)
            rows.push_back(identifier("DP", "ID_DEV") + attr("Mnemonic", "t"));
        writeTable(folder / "TCobDef.xml", "COBID", rows);
        writeTable(folder / "RInfoCob.xml", "RInfoCob", sdoRows(n[2], n[0], false));
        writeTable(folder / "TInfoCob.xml", "TInfoCob", sdoRows(n[3], n[1], true));
        writeTable(folder / "pdoJ1939.xml", "PDOJ1939", pdoRows(n[4]));
        writeTable(folder / "TpdoJ1939.xml", "PDOJ1939", pdoRows(n[5]));
        rows.clear();
        for (std::size_t k = 0; k < n[6]; ++k)
            // Node ID 255 is the marking of an unused entry.
            rows.push_back(attr("NodeID", std::to_string(pick(0, 254))) +
                           attr("GuardTime", number(0xFFFF, 65535)) +
                           attr("LifeTimeFactor", number(0xFF, 255)) + attr("Mnemonic", "n"));
        writeTable(folder / "NodeGuard.xml", "Node_Guarding", rows);
        writeFrames(folder / "NG_J1939_Frame.xml", "NG_J1939_Frames", n[7], false);
        writeFrames(folder / "SDOClient.xml", "J1939_Frames_SDOClient", n[8], true);
    }

    // A project whose frame lists and mapping pass every check: 16-bit PGNs (PDU1 ones
    // without a destination on the received side), objects mapped once at free indexes,
    // byte choices in one run as often as not, at most four PDOs a direction on COB-IDs of
    // their own. Mnemonics are left empty, repeated or odd now and then.
    void writeCheckable(const std::filesystem::path& folder) {
        static const char* const kMnemonics[] = {"",          "Engine speed", "Engine speed",
                                                 "1st frame", "Öl/Temp",      "x"};
        const auto mnemonic = [&] { return attr("Mnemonic", kMnemonics[pick(0, 5)]); };
        const std::size_t received = pick(1, 10);
        const std::size_t transmitted = pick(1, 8);
        std::vector<std::string> rows;
        for (std::size_t k = 0; k < received; ++k) {
            const std::uint32_t pgn = pick(0, 1) ? pick(0xF000, 0xFFFF) : pick(0, 239) << 8;
            // Now and then a second row for the frame of the row before.
            if (k > 0 && pick(0, 6) == 0)
                rows.push_back(rows.back());
            else
                rows.push_back(attr("PGN", text(pgn)) + attr("ID_DEV", text(pick(0, 253))) +
                               attr("Delete", "N") + mnemonic());
        }
        writeTable(folder / "RCobDef.xml", "COBID", rows);
        rows.clear();
        for (std::size_t k = 0; k < transmitted; ++k)
            rows.push_back(identifier("DP", "ID_DEV") + mnemonic());
        writeTable(folder / "TCobDef.xml", "COBID", rows);

        std::uint32_t index = 0x2100;
        for (const bool sent : {false, true}) {
            rows.clear();
            const std::size_t frames = sent ? transmitted : received;
            for (std::uint32_t frame = 1; frame <= frames; ++frame)
                for (std::uint32_t k = pick(0, 4); k > 0; --k) {
                    const int size = int(pick(0, 2));
                    const int bytes = size == 0 ? 4 : size == 1 ? 2 : 1;
                    std::uint32_t b[4] = {};
                    if (pick(0, 1)) {
                        const bool up = pick(0, 1);
                        const int low = int(pick(1, std::uint32_t(9 - bytes)));
                        for (int i = 0; i < bytes; ++i)
                            b[i] = std::uint32_t(up ? low + i : low + bytes - 1 - i);
                    } else {
                        for (int i = 0; i < 4; ++i)
                            b[i] = pick(0, 8);
                        // The check wants an object to take some byte of its frame.
                        if (std::all_of(b, b + bytes, [](std::uint32_t x) { return x == 0; }))
                            b[0] = pick(1, 8);
                    }
                    std::string row = attr("NrPdo", std::to_string(frame)) +
                                      attr("Index", text(index)) +
                                      attr("SubIndex", text(pick(0, 255))) +
                                      attr("Dimension", std::to_string(size));
                    ++index;
                    for (int i = 0; i < 4; ++i)
                        row += attr(("B" + std::to_string(i + 1)).c_str(), std::to_string(b[i]));
                    if (sent)
                        row += attr("Send_SDO", std::to_string(pick(0, 1)));
                    rows.push_back(row);
                }
            writeTable(folder / (sent ? "TInfoCob.xml" : "RInfoCob.xml"),
                       sent ? "TInfoCob" : "RInfoCob", rows);
        }

        std::vector<std::uint32_t> cobIds;
        for (const bool rpdo : {true, false}) {
            rows.clear();
            const std::size_t frames = rpdo ? transmitted : received;
            for (std::uint32_t k = pick(0, 4); k > 0; --k) {
                std::uint32_t cobId = 0;
                do
                    cobId = pick(1, 0x7FF);
                while (std::find(cobIds.begin(), cobIds.end(), cobId) != cobIds.end());
                cobIds.push_back(cobId);
                const std::uint32_t dimension = pick(1, 8);
                rows.push_back(attr("COB-ID", text(cobId)) +
                               attr("Dimension", std::to_string(dimension)) +
                               attr("Offset", std::to_string(pick(1, 9 - dimension))) +
                               attr("Frame_J1939", std::to_string(pick(1, std::uint32_t(frames)))) +
                               mnemonic());
            }
            writeTable(folder / (rpdo ? "pdoJ1939.xml" : "TpdoJ1939.xml"), "PDOJ1939", rows);
        }
    }

private:
    std::uint32_t pick(std::uint32_t low, std::uint32_t high) {
        return std::uniform_int_distribution<std::uint32_t>(low, high)(m_random);
    }

    // A value up to `high` (up to `widest` for the widest projects), typed in decimal or
    // hexadecimal.
    std::string number(std::uint32_t widest, std::uint32_t high) {
        const std::uint32_t value = m_widest ? widest : pick(0, high);
        return text(value);
    }

    std::string text(std::uint32_t value) {
        if (pick(0, 1) == 0 && value <= 0x7FFFFFFF)
            return std::to_string(value);
        char hex[16];
        std::snprintf(hex, sizeof hex, pick(0, 1) ? "0x%X" : "$%x", value);
        return hex;
    }

    static std::string attr(const std::string& name, const std::string& value) {
        return name + "=\"" + value + "\" ";
    }

    // Priority up to 63 and data page up to 3 fill the identifier's top byte.
    std::string identifier(const char* dataPage, const char* source) {
        std::uint32_t priority = m_widest ? 63 : pick(0, 7);
        std::uint32_t page = m_widest ? 3 : pick(0, 1);
        std::uint32_t sa = m_widest ? 0xFE : pick(0, 253);
        return attr("Priority", std::to_string(priority)) + attr(dataPage, std::to_string(page)) +
               attr("PGN", number(0xFFFF, 0xFFFF)) + attr(source, text(sa));
    }

    std::vector<std::string> sdoRows(std::size_t count, std::size_t frames, bool send) {
        std::vector<std::string> rows;
        if (frames == 0)
            return rows;
        // The editor saves entries frame by frame.
        std::vector<std::uint32_t> numbers;
        for (std::size_t k = 0; k < count; ++k)
            numbers.push_back(pick(1, std::uint32_t(std::min<std::size_t>(frames, 255))));
        std::sort(numbers.begin(), numbers.end());
        for (std::uint32_t frame : numbers) {
            std::string row =
                attr("NrPdo", std::to_string(frame)) + attr("Index", number(0xFFFF, 0x9FFF)) +
                attr("SubIndex", number(0xFF, 255)) + attr("Dimension", std::to_string(pick(0, 2)));
            // Positions beyond the drop-downs' choices are refused, also in the widest.
            for (const char* b : {"B1", "B2", "B3", "B4"})
                row += attr(b, number(8, 8));
            if (send)
                row += attr("Send_SDO", number(1, 1));
            rows.push_back(row);
        }
        return rows;
    }

    std::vector<std::string> pdoRows(std::size_t count) {
        std::vector<std::string> rows;
        for (std::size_t k = 0; k < count; ++k)
            rows.push_back(attr("COB-ID", number(0xFFFF, 0x7FF)) +
                           attr("Dimension", number(0xFF, 8)) + attr("Offset", number(0xFF, 8)) +
                           attr("Frame_J1939", std::to_string(m_widest ? 255 : pick(1, 100))) +
                           attr("Mnemonic", "p"));
        return rows;
    }

    void writeFrames(const std::filesystem::path& file, const char* root, std::size_t count,
                     bool client) {
        std::vector<std::string> rows;
        for (std::size_t k = 0; k < count; ++k) {
            std::string row = identifier("DataPage", "SA");
            // The SDO client editor keeps a priority only for its two answer frames.
            if (client && k % 5 != 1 && k % 5 != 4)
                row.replace(0, row.find(' '), "Priority=\"0\"");
            rows.push_back(row + attr("Mnemonic", "f"));
        }
        writeTable(file, root, rows);
    }

    void writeParameters(const std::filesystem::path& folder) {
        std::string text = "<?xml version=\"1.0\"?>\n<GeneralParameter>\n";
        const auto element = [&](const char* name, const std::string& value) {
            text += std::string("  <") + name + ">" + value + "</" + name + ">\n";
        };
        const auto flag = [&] { return std::to_string(pick(0, 1)); };
        element("BaudRateCAN", std::to_string(int(pick(0, 9)) - 1));
        element("CANType", "1");
        element("IDDev_CANopen", number(0xFF, 127));
        element("Baud_CANopen", std::to_string(int(pick(0, 9)) - 1));
        element("Set_Ope_CANopen", flag());
        element("Net_Start_CANopen", flag());
        element("Delay_CANopen", std::to_string(m_widest ? 255 : pick(0, 255)));
        element("TimeOut_Data", m_widest ? "300" : number(0xFF, 255)); // 300 is stored as 44
        element("Peer_to_Peer", flag());
        element("Sent_TPDO", flag());
        element("Sent_TPDO_Time", number(0xFFFF, 60000));
        element("NodeGuard", flag());
        element("Send_NG_J1939", flag());
        element("BG_Send_Every", m_widest ? "70000" : number(0xFFFF, 60000));
        element("EN_SDO_Client", flag());
        element("TO_SDO_Client", number(0xFFFF, 60000));
        writeFile(folder / "pargen.xml", text + "</GeneralParameter>\n");
    }

    static void writeTable(const std::filesystem::path& file, const char* root,
                           const std::vector<std::string>& rows) {
        std::string text = std::string("<?xml version=\"1.0\"?>\n<") + root + ">\n";
        for (const std::string& row : rows)
            text += "  <row " + row + "/>\n";
        writeFile(file, text + "</" + root + ">\n");
    }

    std::mt19937 m_random;
    bool m_widest = false;
};

} // namespace ordane::test
