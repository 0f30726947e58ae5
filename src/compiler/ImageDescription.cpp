#include "ImageDescription.h"

#include "core/NumberText.h"
#include "documents/ProjectDocuments.h"

#include <algorithm>
#include <initializer_list>
#include <sstream>

namespace ordane {

namespace {

// Columns padded to their widest cell.
class TextTable {
public:
    explicit TextTable(std::vector<std::string> header) { m_rows.push_back(std::move(header)); }
    void add(std::vector<std::string> row) { m_rows.push_back(std::move(row)); }

    void write(std::ostream& out) const {
        std::vector<std::size_t> widths;
        for (const auto& row : m_rows)
            for (std::size_t c = 0; c < row.size(); ++c) {
                widths.resize(std::max(widths.size(), row.size()));
                widths[c] = std::max(widths[c], row[c].size());
            }
        for (const auto& row : m_rows) {
            std::string line = "  ";
            for (std::size_t c = 0; c < row.size(); ++c) {
                line += row[c];
                if (c + 1 < row.size())
                    line += std::string(widths[c] - row[c].size() + 2, ' ');
            }
            out << line << '\n';
        }
    }

private:
    std::vector<std::vector<std::string>> m_rows;
};

const char* const kRates[] = {"10", "20", "50", "100", "125", "250", "500", "800", "1000"};

std::string rate(std::int64_t position) {
    if (position < 0)
        return "none chosen";
    if (position >= std::int64_t(std::size(kRates)))
        return "position " + std::to_string(position) + ", not in the list";
    return std::string(kRates[position]) + " kbit/s";
}

std::string yesNo(std::uint32_t value) {
    return value == 0 ? "no" : value == 1 ? "yes" : "value " + std::to_string(value);
}

std::size_t parameterIndex(const char* name) {
    const auto& fields = parameterFields();
    std::size_t i = 0;
    while (i + 1 < fields.size() && std::string_view(fields[i].attribute) != name)
        ++i;
    return i;
}

std::uint32_t parameter(const ImageContents& c, const char* name) {
    return c.parameters[parameterIndex(name)];
}

void settings(std::ostream& out, const ImageContents& c) {
    const auto p = [&](const char* name) { return parameter(c, name); };
    TextTable table({"Setting", "Value", std::string(documents::pargen.fileName)});
    const auto add = [&](const char* what, const std::string& value, const char* name) {
        table.add({what, value,
                   std::string(name) + " " +
                       fieldText(parameterFields()[parameterIndex(name)], p(name))});
    };
    add("J1939 baud rate", rate(std::int64_t(p("BaudRateCAN")) - 1), "BaudRateCAN");
    add("CAN type", std::to_string(p("CANType")), "CANType");
    add("J1939 data time-out", std::to_string(p("TimeOut_Data")) + " s", "TimeOut_Data");
    add("Peer to peer", yesNo(p("Peer_to_Peer")), "Peer_to_Peer");
    add("CANopen node ID", std::to_string(p("IDDev_CANopen")), "IDDev_CANopen");
    const std::uint32_t canopen = p("Baud_CANopen");
    add("CANopen baud rate", rate(canopen == 0xFF ? -1 : std::int64_t(canopen)), "Baud_CANopen");
    add("Set operational", yesNo(p("Set_Ope_CANopen")), "Set_Ope_CANopen");
    add("Start the network", yesNo(p("Net_Start_CANopen")), "Net_Start_CANopen");
    add("Start-up delay", std::to_string(p("Delay_CANopen")) + " s", "Delay_CANopen");
    add("Send TPDOs on change", yesNo(p("Sent_TPDO")), "Sent_TPDO");
    add("TPDO cycle", std::to_string(p("Sent_TPDO_Time")) + " ms", "Sent_TPDO_Time");
    add("Node guarding", yesNo(p("NodeGuard")), "NodeGuard");
    add("Node state on J1939", yesNo(p("Send_NG_J1939")), "Send_NG_J1939");
    add("Node state every", std::to_string(p("BG_Send_Every")) + " ms", "BG_Send_Every");
    add("SDO client", yesNo(p("EN_SDO_Client")), "EN_SDO_Client");
    add("SDO client time-out", std::to_string(p("TO_SDO_Client")) + " x 0.1 ms", "TO_SDO_Client");
    out << "Communication parameters (pargen.xml)\n";
    table.write(out);
}

std::string heading(const ImageTable& table, const TableRows& rows) {
    std::string text = std::string(table.title) + " (" + table.document +
                       "): " + std::to_string(rows.count) + (rows.count == 1 ? " row" : " rows");
    if (!table.countOffset)
        text += ", up to the 0xFF marking";
    return text + "\n";
}

std::string field(const ImageTable& table, const std::vector<std::uint32_t>& row, std::size_t i) {
    return fieldText(table.fields[i], row[i]);
}

std::string identifier(const std::vector<std::uint32_t>& row) {
    const auto field = [&](std::size_t i) { return static_cast<std::int32_t>(row[i]); };
    return hexText(j1939Identifier(field(0), field(1), field(2), field(3)), 8);
}

void frames(std::ostream& out, const ImageContents& c) {
    {
        const ImageTable& table = imageTables()[kReceivedFrames];
        const TableRows& rows = c.tables[kReceivedFrames];
        out << heading(table, rows);
        TextTable text({"Row", "PGN", "Source", "Delete"});
        for (std::size_t k = 0; k < rows.count; ++k) {
            std::string row = std::to_string(k + 1);
            if (rows.rows[k][2] != k)
                row += " (stored as position " + std::to_string(rows.rows[k][2]) + ")";
            text.add({row, field(table, rows.rows[k], 0), field(table, rows.rows[k], 1),
                      c.deleted[k] ? "Y" : "N"});
        }
        text.write(out);
    }
}

void identifiers(std::ostream& out, const ImageContents& c, std::initializer_list<TableId> ids) {
    for (TableId id : ids) {
        const ImageTable& table = imageTables()[id];
        const TableRows& rows = c.tables[id];
        out << heading(table, rows);
        TextTable text({"Row", "Identifier", "Priority", "Data page", "PGN", "Source"});
        for (std::size_t k = 0; k < rows.count; ++k) {
            const auto& r = rows.rows[k];
            text.add({std::to_string(k + 1), identifier(r), field(table, r, 0), field(table, r, 1),
                      field(table, r, 2), field(table, r, 3)});
        }
        text.write(out);
        if (rows.markingExhausted)
            out << "  Rows after row " << rows.count
                << " cannot be told from bytes left by an earlier compilation: the 0xFF "
                   "marking covers only "
                << rows.count << " records.\n";
    }
}

void sdoMappings(std::ostream& out, const ImageContents& c) {
    for (TableId id : {kReceivedSdo, kTransmittedSdo}) {
        const ImageTable& table = imageTables()[id];
        const TableRows& rows = c.tables[id];
        out << heading(table, rows);
        std::vector<std::string> header = {"Row", "Object", "Size", "Frame", "Frame bytes B1..B4"};
        const bool send = id == kTransmittedSdo;
        if (send)
            header.push_back("Send on write");
        TextTable text(header);
        for (std::size_t k = 0; k < rows.count; ++k) {
            const auto& r = rows.rows[k];
            std::vector<std::string> line = {
                std::to_string(k + 1), hexText(r[0], 4) + ":" + hexDigits(r[1], 2),
                std::to_string(r[2]) + (r[2] == 1 ? " byte" : " bytes"), std::to_string(r[3]),
                std::to_string(r[4]) + " " + std::to_string(r[5]) + " " + std::to_string(r[6]) +
                    " " + std::to_string(r[7])};
            if (send)
                line.push_back(yesNo(r[8]));
            text.add(line);
        }
        text.write(out);
    }
}

void pdos(std::ostream& out, const ImageContents& c) {
    for (TableId id : {kRpdoMappings, kTpdoMappings}) {
        const ImageTable& table = imageTables()[id];
        const TableRows& rows = c.tables[id];
        out << heading(table, rows);
        TextTable text({"Row", "COB-ID", "Bytes", "Frame", "Start byte"});
        for (std::size_t k = 0; k < rows.count; ++k) {
            const auto& r = rows.rows[k];
            text.add({std::to_string(k + 1), hexText(r[0], 3), std::to_string(r[1]),
                      std::to_string(r[2]), std::to_string(r[3])});
        }
        text.write(out);
    }
}

void guardedNodes(std::ostream& out, const ImageContents& c) {
    const ImageTable& table = imageTables()[kGuardedNodes];
    const TableRows& rows = c.tables[kGuardedNodes];
    out << heading(table, rows);
    TextTable text({"Row", "Node ID", "Guard time", "Life time factor"});
    for (std::size_t k = 0; k < rows.count; ++k) {
        const auto& r = rows.rows[k];
        text.add({std::to_string(k + 1), std::to_string(r[0]), std::to_string(r[1]) + " ms",
                  std::to_string(r[2])});
    }
    text.write(out);
}

} // namespace

std::string describeImage(const ImageContents& contents) {
    std::ostringstream out;
    out << "Compiled " << stampText(contents.compiled())
        << " (the image stores the year without its century and the seconds halved)\n\n";
    settings(out, contents);
    out << '\n';
    frames(out, contents);
    identifiers(out, contents, {kTransmittedFrames});
    out << '\n';
    sdoMappings(out, contents);
    out << '\n';
    pdos(out, contents);
    out << '\n';
    guardedNodes(out, contents);
    identifiers(out, contents, {kStateFrames});
    out << '\n';
    identifiers(out, contents, {kSdoClientFrames});
    return out.str();
}

} // namespace ordane
