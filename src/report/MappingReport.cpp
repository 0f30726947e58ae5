#include "report/MappingReport.h"

#include "core/AtomicFile.h"
#include "core/NumberText.h"
#include "core/Utf8.h"
#include "documents/DocumentFiles.h"
#include "documents/ProjectDocuments.h"
#include "model/CommunicationParameters.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <initializer_list>

namespace ordane {

namespace {

// The style sheet: A4 portrait when printed, colours kept on paper, a frame never split
// over two pages.
const char* const kStyle[] = {
    "@page { size: A4; margin: 14mm 12mm; }",
    "* { box-sizing: border-box; }",
    "body { font-family: \"DejaVu Sans\", Arial, Helvetica, sans-serif; font-size: 10pt;",
    "  color: #1a1a1a; margin: 0 auto; padding: 12px; max-width: 1100px;",
    "  -webkit-print-color-adjust: exact; print-color-adjust: exact; }",
    "h1 { font-size: 18pt; margin: 0 0 4px; }",
    "h2 { font-size: 14pt; margin: 22px 0 6px; padding-bottom: 2px;",
    "  border-bottom: 2px solid #35506b; break-after: avoid; }",
    "h3 { font-size: 11pt; margin: 14px 0 4px; break-after: avoid; }",
    "p { margin: 4px 0; }",
    ".lead { font-size: 12pt; font-weight: bold; }",
    ".made, .hint { color: #555; font-size: 9pt; }",
    ".ok { color: #1d6b2c; font-weight: bold; }",
    ".bad { color: #a01818; font-weight: bold; }",
    "ol.findings, ul.problems { color: #a01818; margin: 4px 0; }",
    "ul.notes { color: #555; margin: 4px 0; }",
    "dl.facts { display: grid; grid-template-columns: max-content 1fr; gap: 2px 14px;",
    "  margin: 6px 0; }",
    "dl.facts dt { font-weight: bold; }",
    "dl.facts dd { margin: 0; }",
    ".frame { border: 1px solid #b9c4cf; border-radius: 4px; padding: 6px 8px;",
    "  margin: 10px 0; break-inside: avoid; }",
    ".frame h3 { margin: 0 0 4px; }",
    ".frame.unused { border: 2px dashed #a01818; }",
    ".badge { display: inline-block; font-size: 8.5pt; font-weight: bold; padding: 0 5px;",
    "  border-radius: 3px; color: #fff; background: #a01818; margin-left: 6px; }",
    "table { border-collapse: collapse; }",
    "table.bytes { width: 100%; table-layout: fixed; margin: 4px 0; }",
    "table.bytes th { font-size: 8.5pt; background: #35506b; color: #fff; padding: 2px;",
    "  border: 1px solid #35506b; }",
    "table.bytes td { vertical-align: top; border: 1px solid #8a9aab; padding: 2px;",
    "  font-size: 8pt; height: 48px; overflow-wrap: anywhere; }",
    "td.unused { background: repeating-linear-gradient(135deg, #f2f2f2 0 6px, #e2e2e2 6px 12px);",
    "  color: #777; text-align: center; }",
    "td.twice { background: #fde3e3; border: 2px solid #a01818; }",
    ".obj, .pdo, .warn { display: block; border-radius: 3px; padding: 1px 3px; margin: 1px 0; }",
    ".obj { background: #dce8f6; border-left: 4px solid #2f6db5; }",
    ".pdo { background: #def2df; border-left: 4px solid #2f8a3b; }",
    ".warn { background: #a01818; color: #fff; font-weight: bold; text-align: center; }",
    ".obj b, .pdo b { font-family: \"DejaVu Sans Mono\", \"Courier New\", monospace; }",
    "ul.objects { margin: 2px 0 0; padding-left: 18px; font-size: 9pt; }",
    "table.list { width: 100%; margin: 4px 0 8px; font-size: 9pt; }",
    "table.list th, table.list td { border: 1px solid #b9c4cf; padding: 2px 5px;",
    "  text-align: left; vertical-align: top; }",
    "table.list th { background: #e7edf3; }",
    "table.list tr { break-inside: avoid; }",
    ".mono { font-family: \"DejaVu Sans Mono\", \"Courier New\", monospace; }",
    ".invalid { color: #a01818; font-weight: bold; }",
    "h2 + p.hint { break-after: avoid; }",
    "table.list th, table.list td.nowrap { white-space: nowrap; }",
    "@media print { body { padding: 0; font-size: 9.5pt; max-width: none; } }",
};

class Html {
public:
    void line(const std::string& text) {
        m_text += text;
        m_text += "\r\n";
    }
    std::string take() { return std::move(m_text); }

private:
    std::string m_text;
};

std::string number(long long value) {
    return std::to_string(value);
}

std::string two(int value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::string plural(std::size_t count, const char* one, const char* many) {
    return number(static_cast<long long>(count)) + " " + (count == 1 ? one : many);
}

// A typed number shown in hexadecimal, or the text as typed marked invalid when it is no
// number within `high`.
std::string hexValue(const std::string& text, int width, std::int32_t high) {
    const std::int32_t value = parseInteger(text, -1);
    if (value < 0 || value > high) {
        if (text.empty())
            return "<span class=\"invalid\">(empty)</span>";
        return "<span class=\"invalid\">" + htmlText(text) + " (invalid)</span>";
    }
    return hexText(std::uint32_t(value), width);
}

std::string sourceAddress(const std::string& text) {
    const std::int32_t value = parseInteger(text, -1);
    if (value < 0 || value > 253)
        return hexValue(text, 2, 253);
    return hexText(std::uint32_t(value), 2) + " (" + number(value) + ")";
}

std::string decimalValue(const std::string& text, std::int32_t low, std::int32_t high) {
    const std::int32_t value = parseInteger(text, low - 1);
    if (value < low || value > high)
        return "<span class=\"invalid\">" +
               (text.empty() ? std::string("(empty)") : htmlText(text)) + " (invalid)</span>";
    return number(value);
}

std::string objectName(std::uint32_t index, std::uint32_t subIndex) {
    return hexText(index, 4) + ":" + hexDigits(subIndex, 2);
}

std::string sizeText(int size) {
    return size == 1 ? "1 byte" : number(size) + " bytes";
}

std::string roleText(int size, int role) {
    if (size == 1)
        return "single byte";
    if (role == 0)
        return "MSB";
    if (role == size - 1)
        return "LSB";
    return "byte " + number(role + 1) + " of " + number(size);
}

std::string rateText(int position, const std::vector<std::string>& rates) {
    if (position < 0 || position >= int(rates.size()))
        return "<span class=\"invalid\">no bit rate chosen</span>";
    std::string rate = rates[std::size_t(position)];
    if (!rate.empty() && rate.back() == 'K')
        rate.pop_back();
    return rate + " kbit/s";
}

std::string nodeText(const std::string& typed) {
    const std::int32_t id = parseInteger(typed, -1);
    if (id < 1 || id > 127)
        return "node <span class=\"invalid\">" +
               (typed.empty() ? std::string("(empty)") : htmlText(typed)) +
               " (no valid node ID)</span>";
    return "node " + number(id);
}

std::string onOff(bool on) {
    return on ? "on" : "off";
}

// The problems of a section's documents, where the section begins: what it shows is what was
// read before them, and defaults for the rest.
void sectionProblems(Html& h, const ReportData& data,
                     std::initializer_list<const DocumentDefinition*> shown) {
    for (const ReportProblem& problem : data.problems)
        for (const DocumentDefinition* document : shown)
            if (equalsIgnoringCase(problem.document, document->fileName))
                h.line("<p class=\"bad\">Not read in full: " + htmlText(problem.text) + "</p>");
}

void findingsSection(Html& h, const ReportData& data, const ReportFindings& findings) {
    h.line("<section id=\"findings\">");
    h.line("<h2>Check findings</h2>");
    if (findings.failures.empty()) {
        h.line("<p class=\"ok\">The project check found nothing to correct.</p>");
    } else {
        h.line("<p class=\"bad\">The project check found " +
               plural(findings.failures.size(), "problem", "problems") + ":</p>");
        h.line("<ol class=\"findings\">");
        for (const std::string& failure : findings.failures)
            h.line("<li>" + htmlText(failure) + "</li>");
        h.line("</ol>");
    }
    if (!findings.notes.empty()) {
        h.line("<p>Notes:</p>");
        h.line("<ul class=\"notes\">");
        for (const std::string& note : findings.notes)
            h.line("<li>" + htmlText(note) + "</li>");
        h.line("</ul>");
    }
    if (!data.problems.empty()) {
        h.line("<p class=\"bad\">Documents this report could not read in full; it shows what "
               "was read before the problem:</p>");
        h.line("<ul class=\"problems\">");
        for (const ReportProblem& problem : data.problems)
            h.line("<li>" + htmlText(problem.text) + "</li>");
        h.line("</ul>");
    }
    h.line("</section>");
}

void communicationSection(Html& h, const ReportData& d) {
    h.line("<section id=\"communication\">");
    h.line("<h2>Communication parameters</h2>");
    sectionProblems(h, d, {&documents::pargen});
    h.line("<dl class=\"facts\">");
    h.line("<dt>CANopen</dt><dd>" + nodeText(d.nodeId) + " at " +
           rateText(d.canopenRate, CommunicationParameters::canopenRates()) + "</dd>");
    h.line(
        "<dt>Start-up</dt><dd>after " + number(d.startDelay) + " s; " +
        (d.setOperational ? "sets the Operational state" : "does not set the Operational state") +
        "; " + (d.networkStart ? "starts the network" : "does not start the network") + "</dd>");
    h.line("<dt>TPDOs</dt><dd>" +
           (d.sendOnChange
                ? std::string("sent on change of data")
                : "sent cyclically every " + decimalValue(d.sendTpdoTime, 1, 60000) + " ms") +
           "</dd>");
    h.line("<dt>J1939</dt><dd>" + rateText(d.j1939Rate, CommunicationParameters::j1939Rates()) +
           ", CAN 2.0B (29-bit identifiers)</dd>");
    h.line("<dt>J1939 data time-out</dt><dd>" + decimalValue(d.dataTimeOut, 0, 255) + " s</dd>");
    h.line("<dt>Peer to peer</dt><dd>" + onOff(d.peerToPeer) + "</dd>");
    h.line("<dt>Node guarding</dt><dd>" + onOff(d.nodeGuard) + "; state frames on J1939 " +
           onOff(d.sendNodeGuardOnJ1939) + ", every " +
           decimalValue(d.nodeGuardSendEvery, 1, 60000) + " ms</dd>");
    h.line("<dt>SDO client</dt><dd>" + onOff(d.sdoClient) + "; time-out " +
           decimalValue(d.sdoClientTimeOut, 1, 60000) + " × 0.1 ms</dd>");
    h.line("</dl>");
    h.line("</section>");
}

std::string frameTitle(const ReportFrame& f) {
    std::string title = "Frame " + number(f.number) + " · PGN " + hexValue(f.pgn, 4, 0xFFFF) +
                        " · SA " + hexValue(f.sourceAddress, 2, 253);
    if (!f.mnemonic.empty())
        title += " · " + htmlText(f.mnemonic);
    return title;
}

void byteTable(Html& h, const ReportFrame& f, const char* pdoKind) {
    h.line("<table class=\"bytes\">");
    std::string head = "<tr>";
    for (int b = 1; b <= 8; ++b)
        head += "<th scope=\"col\">Byte " + number(b) + "</th>";
    h.line(head + "</tr>");
    h.line("<tr>");
    for (const FrameByte& byte : f.bytes) {
        if (!byte.used()) {
            h.line("<td class=\"unused\">unused</td>");
            continue;
        }
        std::string cell = byte.usedTwice() ? "<td class=\"twice\">" : "<td>";
        if (byte.usedTwice())
            cell += "<span class=\"warn\">used twice</span>";
        for (const ObjectByteUse& o : byte.objects)
            cell +=
                "<span class=\"obj\"><b>" + objectName(o.index, o.subIndex) + "</b><br>" +
                (o.size == 1 ? sizeText(1) : sizeText(o.size) + " · " + roleText(o.size, o.role)) +
                "</span>";
        for (const PdoByteUse& p : byte.pdos)
            cell += "<span class=\"pdo\"><b>" + hexValue(p.cobId, 3, 0x7FF) + "</b><br>" + pdoKind +
                    " " + number(p.pdo) + " · byte " + number(p.position) + "</span>";
        h.line(cell + "</td>");
    }
    h.line("</tr>");
    h.line("</table>");
}

// "EngineSpeed, rpm, 0.125/bit, SPN 190": the DBC signal an object was imported from.
std::string signalText(const KeptSignal& s) {
    std::string text = "<b>" + htmlText(s.name) + "</b>";
    if (!s.unit.empty())
        text += ", " + htmlText(s.unit);
    text += ", " + keptNumberText(s.factor) + "/bit";
    if (s.offset != 0)
        text += ", offset " + keptNumberText(s.offset);
    if (s.spn >= 0)
        text += ", SPN " + number(int(s.spn));
    return text;
}

// "DBC message EEC1, identifier 0x0CF004FE; ": where an imported frame came from.
std::string dbcMessageText(const ReportFrame& f) {
    if (!f.dbc)
        return "";
    return "DBC message <b>" + htmlText(f.dbc->message) + "</b>, identifier <span class=\"mono\">" +
           hexText(f.dbc->identifier, 8) + "</span>; ";
}

void frameBlock(Html& h, const ReportFrame& f, bool received) {
    const bool unused = !f.used();
    h.line(std::string("<div class=\"frame") + (unused ? " unused" : "") + "\" id=\"" +
           (received ? "r" : "t") + number(f.number) + "\">");
    h.line("<h3>" + frameTitle(f) +
           (unused ? "<span class=\"badge\">used by no object and no PDO</span>" : "") + "</h3>");
    std::string facts = "<p class=\"hint\">" + dbcMessageText(f) + "PGN " + hexValue(f.pgn, 4, 0xFFFF) +
                        ", source address " + sourceAddress(f.sourceAddress) + ", ";
    if (received) {
        facts += "priority: any (not part of the filter)";
        if (f.deleteFlag)
            facts += ", Delete: Y";
    } else {
        facts += "priority " + decimalValue(f.priority, 0, 7) + ", data page " +
                 decimalValue(f.dataPage, 0, 1);
        const auto id = j1939FrameIdentifier(parseInteger(f.priority, -1),
                                             parseInteger(f.dataPage, -1), f.pgn, f.sourceAddress);
        if (id)
            facts += ", 29-bit identifier <span class=\"mono\">" + hexText(*id, 8) + "</span>";
    }
    h.line(facts + "</p>");
    byteTable(h, f, received ? "TPDO" : "RPDO");
    if (!f.objects.empty()) {
        h.line("<ul class=\"objects\">");
        for (const FrameObject& o : f.objects) {
            std::string item = "<li><span class=\"mono\">" + objectName(o.index, o.subIndex) +
                               "</span>, " + sizeText(o.size) + ": ";
            for (std::size_t r = 0; r < o.sourceBytes.size(); ++r) {
                if (r > 0)
                    item += ", ";
                if (o.size > 1)
                    item += roleText(o.size, int(r)) + " ";
                item += o.sourceBytes[r] > 0
                            ? "from byte " + number(o.sourceBytes[r])
                            : std::string("<span class=\"invalid\">from no byte</span>");
            }
            if (o.signal)
                item += " · " + signalText(*o.signal);
            if (o.sendOnWrite)
                item += "; a write sends the frame";
            h.line(item + "</li>");
        }
        h.line("</ul>");
    }
    h.line("</div>");
}

void framesSection(Html& h, const ReportData& data, bool received) {
    const std::vector<ReportFrame>& frames = received ? data.received : data.transmitted;
    h.line(std::string("<section class=\"frames\" id=\"") +
           (received ? "received" : "transmitted") + "\">");
    if (received) {
        h.line("<h2>Received J1939 frames</h2>");
        h.line("<p class=\"hint\">Frames the converter receives on the J1939 network "
               "(RCobDef.xml); their bytes are read as objects by SDO (RInfoCob.xml) and sent "
               "in TPDOs (TpdoJ1939.xml).</p>");
    } else {
        h.line("<h2>Transmitted J1939 frames</h2>");
        h.line("<p class=\"hint\">Frames the converter sends on the J1939 network "
               "(TCobDef.xml); their bytes are written as objects by SDO (TInfoCob.xml) and "
               "come from RPDOs (pdoJ1939.xml).</p>");
    }
    if (received)
        sectionProblems(h, data,
                        {&documents::receivedFrames, &documents::receivedSdo, &documents::tpdo});
    else
        sectionProblems(
            h, data, {&documents::transmittedFrames, &documents::transmittedSdo, &documents::rpdo});
    if (frames.empty())
        h.line("<p>No frames.</p>");
    for (const ReportFrame& f : frames)
        frameBlock(h, f, received);
    h.line("</section>");
}

std::string frameReference(const std::vector<ReportFrame>& frames, int number) {
    if (number < 1 || std::size_t(number) > frames.size())
        return "<span class=\"invalid\">none</span>";
    const ReportFrame& f = frames[std::size_t(number - 1)];
    std::string text = "Frame " + ordane::number(number) + " · PGN " + hexValue(f.pgn, 4, 0xFFFF);
    if (!f.mnemonic.empty())
        text += " · " + htmlText(f.mnemonic);
    return text;
}

void pdoTable(Html& h, const std::vector<ReportPdo>& pdos, const std::vector<ReportFrame>& frames,
              bool transmit) {
    const std::uint32_t communication = transmit ? 0x1800 : 0x1400;
    const std::uint32_t mapping = transmit ? 0x1A00 : 0x1600;
    const std::uint32_t dataObject = transmit ? 0x202A : 0x2020;
    if (pdos.empty()) {
        h.line("<p>None.</p>");
        return;
    }
    h.line("<table class=\"list\">");
    h.line("<thead><tr><th scope=\"col\">PDO</th><th scope=\"col\">COB-ID</th>"
           "<th scope=\"col\">J1939 frame</th><th scope=\"col\">Frame bytes</th>"
           "<th scope=\"col\">Mnemonic</th><th scope=\"col\">EDS objects</th></tr></thead>");
    h.line("<tbody>");
    for (const ReportPdo& p : pdos) {
        const std::uint32_t k = std::uint32_t(p.number - 1);
        std::string bytes;
        if (p.firstByte > 0)
            bytes = (p.firstByte == p.lastByte ? number(p.firstByte)
                                               : number(p.firstByte) + "–" + number(p.lastByte)) +
                    " (" + sizeText(p.lastByte - p.firstByte + 1) + ")";
        else
            bytes = "<span class=\"invalid\">Dimension " + htmlText(p.dimension) + ", Start Byte " +
                    htmlText(p.startByte) + ": not inside the frame</span>";
        std::string objects = "<span class=\"mono\">" + hexText(communication + k, 4) + ", " +
                              hexText(mapping + k, 4);
        if (p.firstByte > 0)
            objects += " → " + hexText(dataObject + k, 4) + ":01" +
                       (p.lastByte > p.firstByte
                            ? "–" + hexDigits(std::uint32_t(p.lastByte - p.firstByte + 1), 2)
                            : std::string());
        objects += "</span>";
        h.line("<tr><td class=\"nowrap\">" + std::string(transmit ? "TPDO " : "RPDO ") +
               number(p.number) + "</td><td class=\"mono\">" + hexValue(p.cobId, 3, 0x7FF) +
               "</td><td>" + frameReference(frames, p.frame) + "</td><td>" + bytes + "</td><td>" +
               htmlText(p.mnemonic) + "</td><td>" + objects + "</td></tr>");
    }
    h.line("</tbody>");
    h.line("</table>");
}

void pdoSection(Html& h, const ReportData& d) {
    h.line("<section id=\"pdos\">");
    h.line("<h2>PDOs</h2>");
    h.line("<h3>TPDOs: sent by the converter, from received frames (TpdoJ1939.xml)</h3>");
    sectionProblems(h, d, {&documents::tpdo});
    pdoTable(h, d.tpdos, d.received, true);
    h.line("<h3>RPDOs: received by the converter, for transmitted frames (pdoJ1939.xml)</h3>");
    sectionProblems(h, d, {&documents::rpdo});
    pdoTable(h, d.rpdos, d.transmitted, false);
    h.line("</section>");
}

void objectSection(Html& h, const ReportData& d) {
    h.line("<section id=\"objects\">");
    h.line("<h2>Object dictionary entries from the SDO mapping</h2>");
    h.line("<p class=\"hint\">The entries the EDS file declares for the mapped objects; "
           "besides them it holds the converter's fixed objects (0x1000 to 0x1280, 0x2010, "
           "the PDO data objects 0x2020 to 0x2023 and 0x202A to 0x202D) and the PDO "
           "parameters listed with the PDOs.</p>");
    if (d.edsRefusal) {
        h.line("<p class=\"bad\">The EDS file cannot be made from this project:</p>");
        h.line("<ul class=\"problems\">");
        std::string text = *d.edsRefusal;
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t end = text.find('\n', start);
            h.line("<li>" + htmlText(text.substr(start, end - start)) + "</li>");
            if (end == std::string::npos)
                break;
            start = end + 1;
        }
        h.line("</ul>");
    } else if (d.objects.empty()) {
        h.line("<p>No mapped objects.</p>");
    } else {
        h.line("<table class=\"list\">");
        h.line("<thead><tr><th scope=\"col\">Index</th><th scope=\"col\">Sub-index</th>"
               "<th scope=\"col\">Size</th><th scope=\"col\">Access</th></tr></thead>");
        h.line("<tbody>");
        for (const ReportObjectEntry& o : d.objects)
            h.line("<tr><td class=\"mono\">" + hexText(o.index, 4) + "</td><td class=\"mono\">" +
                   hexText(o.subIndex, 2) + (o.generated ? " (number of entries)" : "") +
                   "</td><td>" + sizeText(o.size) + "</td><td>" + o.access + "</td></tr>");
        h.line("</tbody>");
        h.line("</table>");
    }
    h.line("</section>");
}

void j1939FrameTable(Html& h, const std::vector<ReportJ1939Frame>& frames) {
    h.line("<table class=\"list\">");
    h.line("<thead><tr><th scope=\"col\">Frame</th><th scope=\"col\">Priority</th>"
           "<th scope=\"col\">Data page</th><th scope=\"col\">PGN</th>"
           "<th scope=\"col\">Source address</th><th scope=\"col\">29-bit identifier</th>"
           "<th scope=\"col\">Mnemonic</th></tr></thead>");
    h.line("<tbody>");
    for (const ReportJ1939Frame& f : frames) {
        const auto choice = [](int value, int high) {
            return value >= 0 && value <= high ? number(value)
                                               : std::string("<span class=\"invalid\">none</span>");
        };
        const auto id = j1939FrameIdentifier(f.priority, f.dataPage, f.pgn, f.sourceAddress);
        h.line("<tr><td>" + htmlText(f.name) + "</td><td>" + choice(f.priority, 7) + "</td><td>" +
               choice(f.dataPage, 1) + "</td><td class=\"mono\">" + hexValue(f.pgn, 4, 0xFFFF) +
               "</td><td class=\"mono\">" + sourceAddress(f.sourceAddress) +
               "</td><td class=\"mono\">" +
               (id ? hexText(*id, 8) : std::string("<span class=\"invalid\">none</span>")) +
               "</td><td>" + htmlText(f.mnemonic) + "</td></tr>");
    }
    h.line("</tbody>");
    h.line("</table>");
}

void clientAndGuardingSection(Html& h, const ReportData& d) {
    h.line("<section id=\"client\">");
    h.line("<h2>SDO client frames</h2>");
    h.line("<p class=\"hint\">SDO client " + onOff(d.sdoClient) + " (SDOClient.xml).</p>");
    sectionProblems(h, d, {&documents::sdoClient});
    j1939FrameTable(h, d.sdoClientFrames);
    h.line("</section>");
    h.line("<section id=\"guarding\">");
    h.line("<h2>Node guarding</h2>");
    h.line("<p class=\"hint\">Node guarding " + onOff(d.nodeGuard) + ", state frames on J1939 " +
           onOff(d.sendNodeGuardOnJ1939) + " (NodeGuard.xml, NG_J1939_Frame.xml).</p>");
    sectionProblems(h, d, {&documents::guardedNodes, &documents::guardFrames});
    if (d.guardedNodes.empty()) {
        h.line("<p>No guarded nodes.</p>");
    } else {
        h.line("<table class=\"list\">");
        h.line("<thead><tr><th scope=\"col\">Node ID</th><th scope=\"col\">Guard time</th>"
               "<th scope=\"col\">Life time factor</th><th scope=\"col\">Mnemonic</th></tr>"
               "</thead>");
        h.line("<tbody>");
        for (const ReportGuardedNode& n : d.guardedNodes)
            h.line("<tr><td>" + decimalValue(n.nodeId, 1, 127) + "</td><td>" +
                   decimalValue(n.guardTime, 1, 65535) + " ms</td><td>" +
                   decimalValue(n.lifeTimeFactor, 1, 255) + "</td><td>" + htmlText(n.mnemonic) +
                   "</td></tr>");
        h.line("</tbody>");
        h.line("</table>");
    }
    h.line("<h3>State frames</h3>");
    j1939FrameTable(h, d.guardFrames);
    h.line("</section>");
}

} // namespace

std::string htmlText(std::string_view text) {
    constexpr std::uint32_t kReplacement = 0xFFFD;
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const Utf8Char decoded = decodeUtf8(text, i);
        const std::uint32_t c = decoded.code;
        if (decoded.length != 1) {
            // Anything malformed, and the characters no HTML page may hold, is replaced.
            if (decoded.length == 0 || (c >= 0x80 && c <= 0x9F) || c == 0xFFFE || c == 0xFFFF) {
                appendUtf8(out, kReplacement);
                ++i;
                continue;
            }
            appendUtf8(out, c);
            i += decoded.length;
            continue;
        }
        switch (c) {
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '&':
            out += "&amp;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        case '\t':
            out += '\t';
            break;
        case '\n':
        case '\r':
            out += ' ';
            break;
        default:
            if (c < 0x20 || c == 0x7F)
                appendUtf8(out, kReplacement);
            else
                out += char(c);
        }
        ++i;
    }
    return out;
}

namespace {

// A word as a shell command takes it: quoted when it holds anything but letters, digits
// and "._-".
std::string shellWord(const std::string& word) {
    const bool plain =
        !word.empty() && word.front() != '-' && std::all_of(word.begin(), word.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-';
        });
    if (plain)
        return word;
    std::string quoted = "'";
    for (const char c : word)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

} // namespace

std::string buildMappingReport(const ReportData& data, const ReportFindings& findings,
                               const LocalDateTime& made) {
    Html h;
    h.line("<!DOCTYPE html>");
    h.line("<html lang=\"en\">");
    h.line("<head>");
    h.line("<meta charset=\"utf-8\">");
    h.line("<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">");
    h.line("<title>Mapping report: " + htmlText(data.projectName) + "</title>");
    h.line("<style>");
    for (const char* rule : kStyle)
        h.line(rule);
    h.line("</style>");
    h.line("</head>");
    h.line("<body>");
    h.line("<header>");
    h.line("<h1>Mapping report: " + htmlText(data.projectName) + "</h1>");
    h.line("<p class=\"lead\">CANopen " + nodeText(data.nodeId) + " at " +
           rateText(data.canopenRate, CommunicationParameters::canopenRates()) + "; J1939 at " +
           rateText(data.j1939Rate, CommunicationParameters::j1939Rates()) + "</p>");
    h.line("<p class=\"made\">Made " + number(made.year) + "-" + two(made.month) + "-" +
           two(made.day) + " " + two(made.hour) + ":" + two(made.minute) + " · " +
           plural(data.received.size(), "received frame", "received frames") + ", " +
           plural(data.transmitted.size(), "transmitted frame", "transmitted frames") + ", " +
           plural(data.tpdos.size(), "TPDO", "TPDOs") + ", " +
           plural(data.rpdos.size(), "RPDO", "RPDOs") + "</p>");
    // Those who decode the buses with CAN tools want the file that names these bytes.
    h.line("<p class=\"hint\">A DBC file of both buses as the converter sees them, with a "
           "signal per mapped object, is written by <code>ordane-cli dbc " +
           htmlText(shellWord(data.projectName)) + " " +
           htmlText(shellWord(data.projectName + ".dbc")) +
           "</code> (in the projects folder) or by step 7 &quot;EDS File&quot; with the file "
           "type &quot;CAN database (*.dbc)&quot;.</p>");
    h.line("</header>");
    h.line("<main>");
    findingsSection(h, data, findings);
    communicationSection(h, data);
    framesSection(h, data, true);
    framesSection(h, data, false);
    pdoSection(h, data);
    objectSection(h, data);
    clientAndGuardingSection(h, data);
    h.line("</main>");
    h.line("</body>");
    h.line("</html>");
    return h.take();
}

void writeMappingReport(const std::filesystem::path& projectFolder,
                        const std::filesystem::path& target, const ReportFindings& findings,
                        const Clock& clock) {
    const ReportData data = readReportData(projectFolder);
    writeFileAtomically(target, buildMappingReport(data, findings, clock.now()));
}

} // namespace ordane
