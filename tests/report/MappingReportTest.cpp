#include "report/MappingReport.h"

#include "model/SdoMapping.h"

#include "CliRunner.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace ordane {
namespace {

namespace fs = std::filesystem;

const fs::path kDemo = fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo";
const fs::path kProjects = fs::path(ORDANE_TEST_DATA) / "report" / "projects";
const LocalDateTime kMade{2026, 12, 9, 1, 8, 30};

std::string reportOf(const fs::path& project, const ReportFindings& findings = {}) {
    return buildMappingReport(readReportData(project), findings, kMade);
}

// Each expected line must be a whole line of the report, in this order; other lines may
// come between them.
void expectLinesInOrder(const std::string& html, const std::vector<std::string>& lines) {
    std::size_t from = 0;
    for (const std::string& line : lines) {
        const std::size_t at = html.find("\r\n" + line + "\r\n", from);
        ASSERT_NE(at, std::string::npos) << "missing, or out of order: " << line;
        from = at + line.size() + 2;
    }
}

// The cells of one frame's byte picture.
std::string unused() {
    return "<td class=\"unused\">unused</td>";
}
std::string obj(const char* object, const char* role) {
    return std::string("<span class=\"obj\"><b>") + object + "</b><br>" + role + "</span>";
}
std::string pdo(const char* cobId, const char* position) {
    return std::string("<span class=\"pdo\"><b>") + cobId + "</b><br>" + position + "</span>";
}
std::string cell(std::initializer_list<std::string> parts) {
    std::string text = "<td>";
    for (const std::string& p : parts)
        text += p;
    return text + "</td>";
}
std::string twice(std::initializer_list<std::string> parts) {
    std::string text = "<td class=\"twice\"><span class=\"warn\">used twice</span>";
    for (const std::string& p : parts)
        text += p;
    return text + "</td>";
}
const std::string kByteHeads =
    "<tr><th scope=\"col\">Byte 1</th><th scope=\"col\">Byte 2</th><th scope=\"col\">Byte 3</th>"
    "<th scope=\"col\">Byte 4</th><th scope=\"col\">Byte 5</th><th scope=\"col\">Byte 6</th>"
    "<th scope=\"col\">Byte 7</th><th scope=\"col\">Byte 8</th></tr>";

std::vector<std::string> frame(const std::string& title, const std::string& facts,
                               std::vector<std::string> cells) {
    // Title and facts, then the picture's rows: each a block of lines with nothing between.
    std::string picture = kByteHeads + "\r\n<tr>";
    for (const std::string& c : cells)
        picture += "\r\n" + c;
    picture += "\r\n</tr>";
    return {"<h3>" + title + "</h3>\r\n<p class=\"hint\">" + facts + "</p>", picture};
}

void append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

// Worked out from the documents of examples/Demo: RInfoCob.xml row 1 maps 0x2100 (8448)
// sub-index 1 as "2 Bytes" (Dimension 1) with its MSB from frame byte 5 and its LSB from
// byte 4; TpdoJ1939.xml row 1 takes two bytes from byte 4 of frame 1 under COB-ID 0x181,
// and so on for every row. The identifiers are ((priority × 4 + data page) × 65536 + PGN)
// × 256 + source address.
// The Demo's own DbcSignals.xml is left out: without it the report is the documents' alone.
TEST(MappingReport, DemoShowsEveryByteAndTable) {
    test::TempFolder folder;
    const fs::path demo = folder / "Demo";
    fs::copy(kDemo, demo, fs::copy_options::recursive);
    fs::remove(demo / "DbcSignals.xml");
    const std::string html = reportOf(demo);
    const std::string any = "priority: any (not part of the filter)";
    std::vector<std::string> lines = {
        "<title>Mapping report: Demo</title>",
        "<h1>Mapping report: Demo</h1>",
        "<p class=\"lead\">CANopen node 5 at 250 kbit/s; J1939 at 250 kbit/s</p>",
        "<p class=\"made\">Made 2026-12-09 01:08 · 4 received frames, 3 transmitted frames, "
        "3 TPDOs, 1 RPDO</p>",
        "<p class=\"hint\">A DBC file of both buses as the converter sees them, with a signal "
        "per mapped object, is written by <code>ordane-cli dbc Demo Demo.dbc</code> (in the "
        "projects folder) or by step 7 &quot;EDS File&quot; with the file type &quot;CAN "
        "database (*.dbc)&quot;.</p>",
        "<h2>Check findings</h2>",
        "<p class=\"ok\">The project check found nothing to correct.</p>",
        "<dt>CANopen</dt><dd>node 5 at 250 kbit/s</dd>",
        "<dt>Start-up</dt><dd>after 5 s; sets the Operational state; starts the network</dd>",
        "<dt>TPDOs</dt><dd>sent on change of data</dd>",
        "<dt>J1939</dt><dd>250 kbit/s, CAN 2.0B (29-bit identifiers)</dd>",
        "<dt>J1939 data time-out</dt><dd>3 s</dd>",
        "<dt>Peer to peer</dt><dd>off</dd>",
        "<dt>Node guarding</dt><dd>off; state frames on J1939 off, every 1000 ms</dd>",
        "<dt>SDO client</dt><dd>off; time-out 10000 × 0.1 ms</dd>",
        "<h2>Received J1939 frames</h2>",
    };
    append(lines, frame("Frame 1 · PGN 0xF004 · SA 0x00 · EEC1 engine speed",
                        "PGN 0xF004, source address 0x00 (0), " + any,
                        {unused(), unused(), cell({obj("0x2100:02", "1 byte")}),
                         cell({obj("0x2100:01", "2 bytes · LSB"), pdo("0x181", "TPDO 1 · byte 1")}),
                         cell({obj("0x2100:01", "2 bytes · MSB"), pdo("0x181", "TPDO 1 · byte 2")}),
                         unused(), unused(), unused()}));
    append(lines, {"<li><span class=\"mono\">0x2100:01</span>, 2 bytes: MSB from byte 5, LSB "
                   "from byte 4</li>",
                   "<li><span class=\"mono\">0x2100:02</span>, 1 byte: from byte 3</li>"});
    append(
        lines,
        frame("Frame 2 · PGN 0xFEEE · SA 0x00 · ET1 engine temperature",
              "PGN 0xFEEE, source address 0x00 (0), " + any,
              {cell({obj("0x2101:01", "1 byte"), pdo("0x281", "TPDO 2 · byte 1")}),
               cell({obj("0x2101:02", "1 byte")}), cell({obj("0x2101:03", "2 bytes · LSB")}),
               cell({obj("0x2101:03", "2 bytes · MSB")}), unused(), unused(), unused(), unused()}));
    append(lines, frame("Frame 3 · PGN 0xFEF1 · SA 0x00 · CCVS vehicle speed",
                        "PGN 0xFEF1, source address 0x00 (0), " + any,
                        {unused(),
                         cell({obj("0x2102:01", "2 bytes · LSB"), pdo("0x381", "TPDO 3 · byte 1")}),
                         cell({obj("0x2102:01", "2 bytes · MSB"), pdo("0x381", "TPDO 3 · byte 2")}),
                         unused(), unused(), unused(), unused(), unused()}));
    // No PDO takes a byte of frame 4: its objects are read by SDO only.
    append(lines, frame("Frame 4 · PGN 0xFEEF · SA 0x00 · EFL/P1 oil pressure",
                        "PGN 0xFEEF, source address 0x00 (0), " + any,
                        {unused(), unused(), unused(), cell({obj("0x2103:01", "1 byte")}), unused(),
                         unused(), unused(), cell({obj("0x2103:02", "1 byte")})}));
    lines.push_back("<h2>Transmitted J1939 frames</h2>");
    append(lines, frame("Frame 1 · PGN 0xFF10 · SA 0x80 · Gateway status",
                        "PGN 0xFF10, source address 0x80 (128), priority 6, data page 0, 29-bit "
                        "identifier <span class=\"mono\">0x18FF1080</span>",
                        {cell({obj("0x2201:01", "1 byte")}), unused(), unused(), unused(), unused(),
                         unused(), unused(), unused()}));
    append(lines, frame("Frame 2 · PGN 0xFF11 · SA 0x80 · Setpoints",
                        "PGN 0xFF11, source address 0x80 (128), priority 6, data page 0, 29-bit "
                        "identifier <span class=\"mono\">0x18FF1180</span>",
                        {cell({obj("0x2200:01", "2 bytes · LSB"), pdo("0x201", "RPDO 1 · byte 1")}),
                         cell({obj("0x2200:01", "2 bytes · MSB"), pdo("0x201", "RPDO 1 · byte 2")}),
                         cell({obj("0x2200:02", "2 bytes · LSB"), pdo("0x201", "RPDO 1 · byte 3")}),
                         cell({obj("0x2200:02", "2 bytes · MSB"), pdo("0x201", "RPDO 1 · byte 4")}),
                         unused(), unused(), unused(), unused()}));
    append(lines, {"<li><span class=\"mono\">0x2200:01</span>, 2 bytes: MSB from byte 2, LSB "
                   "from byte 1; a write sends the frame</li>"});
    // B1 = 4, B2 = 3, B3 = 2, B4 = 1: the value's MSB comes from frame byte 4.
    append(lines, frame("Frame 3 · PGN 0xEF00 · SA 0x80 · Proprietary A commands",
                        "PGN 0xEF00, source address 0x80 (128), priority 3, data page 0, 29-bit "
                        "identifier <span class=\"mono\">0x0CEF0080</span>",
                        {cell({obj("0x2202:01", "4 bytes · LSB")}),
                         cell({obj("0x2202:01", "4 bytes · byte 3 of 4")}),
                         cell({obj("0x2202:01", "4 bytes · byte 2 of 4")}),
                         cell({obj("0x2202:01", "4 bytes · MSB")}), unused(), unused(), unused(),
                         unused()}));
    const auto pdoRow = [](const char* name, const char* cobId, const char* frame,
                           const char* bytes, const char* mnemonic, const char* objects) {
        return std::string("<tr><td class=\"nowrap\">") + name + "</td><td class=\"mono\">" +
               cobId + "</td><td>" + frame + "</td><td>" + bytes + "</td><td>" + mnemonic +
               "</td><td><span class=\"mono\">" + objects + "</span></td></tr>";
    };
    append(lines, {"<h2>PDOs</h2>",
                   pdoRow("TPDO 1", "0x181", "Frame 1 · PGN 0xF004 · EEC1 engine speed",
                          "4–5 (2 bytes)", "Engine speed", "0x1800, 0x1A00 → 0x202A:01–02"),
                   pdoRow("TPDO 2", "0x281", "Frame 2 · PGN 0xFEEE · ET1 engine temperature",
                          "1 (1 byte)", "Coolant temperature", "0x1801, 0x1A01 → 0x202B:01"),
                   pdoRow("TPDO 3", "0x381", "Frame 3 · PGN 0xFEF1 · CCVS vehicle speed",
                          "2–3 (2 bytes)", "Vehicle speed", "0x1802, 0x1A02 → 0x202C:01–02"),
                   pdoRow("RPDO 1", "0x201", "Frame 2 · PGN 0xFF11 · Setpoints", "1–4 (4 bytes)",
                          "Setpoints", "0x1400, 0x1600 → 0x2020:01–04")});
    // Records in order of first appearance (RInfoCob.xml, then TInfoCob.xml, whose first
    // row is 0x2201); each starts above sub-index 0, so the file adds sub-index 0.
    const auto entry = [](const char* index, const char* sub, const char* size,
                          const char* access) {
        return std::string("<tr><td class=\"mono\">") + index + "</td><td class=\"mono\">" + sub +
               "</td><td>" + size + "</td><td>" + access + "</td></tr>";
    };
    const char* count = "0x00 (number of entries)";
    append(lines, {"<h2>Object dictionary entries from the SDO mapping</h2>",
                   entry("0x2100", count, "1 byte", "ro"),
                   entry("0x2100", "0x01", "2 bytes", "ro"),
                   entry("0x2100", "0x02", "1 byte", "ro"),
                   entry("0x2101", count, "1 byte", "ro"),
                   entry("0x2101", "0x01", "1 byte", "ro"),
                   entry("0x2101", "0x02", "1 byte", "ro"),
                   entry("0x2101", "0x03", "2 bytes", "ro"),
                   entry("0x2102", count, "1 byte", "ro"),
                   entry("0x2102", "0x01", "2 bytes", "ro"),
                   entry("0x2103", count, "1 byte", "ro"),
                   entry("0x2103", "0x01", "1 byte", "ro"),
                   entry("0x2103", "0x02", "1 byte", "ro"),
                   entry("0x2201", count, "1 byte", "ro"),
                   entry("0x2201", "0x01", "1 byte", "rw"),
                   entry("0x2200", count, "1 byte", "ro"),
                   entry("0x2200", "0x01", "2 bytes", "rw"),
                   entry("0x2200", "0x02", "2 bytes", "rw"),
                   entry("0x2202", count, "1 byte", "ro"),
                   entry("0x2202", "0x01", "4 bytes", "rw"),
                   "</tbody>"});
    const auto j1939 = [](const char* name, const char* priority, const char* pgn, const char* sa,
                          const char* id, const char* mnemonic) {
        return std::string("<tr><td>") + name + "</td><td>" + priority +
               "</td><td>0</td><td class=\"mono\">" + pgn + "</td><td class=\"mono\">" + sa +
               "</td><td class=\"mono\">" + id + "</td><td>" + mnemonic + "</td></tr>";
    };
    append(
        lines,
        {"<h2>SDO client frames</h2>",
         j1939("Request SDO Read", "0", "0xFF50", "0xF9 (249)", "0x00FF50F9", "SDO_RD_REQ"),
         j1939("Answer SDO Read", "6", "0xFF51", "0x80 (128)", "0x18FF5180", "SDO_RD_ANS"),
         j1939("Request SDO Write (1/2)", "0", "0xFF52", "0xF9 (249)", "0x00FF52F9", "SDO_WR_REQ1"),
         j1939("Request SDO Write (2/2)", "0", "0xFF53", "0xF9 (249)", "0x00FF53F9", "SDO_WR_REQ2"),
         j1939("Answer SDO Write", "6", "0xFF54", "0x80 (128)", "0x18FF5480", "SDO_WR_ANS"),
         "<h2>Node guarding</h2>",
         "<tr><td>16</td><td>100 ms</td><td>3</td><td>Drive left</td></tr>",
         "<tr><td>17</td><td>200 ms</td><td>3</td><td>Drive right</td></tr>",
         "<tr><td>18</td><td>200 ms</td><td>3</td><td>IO module</td></tr>",
         j1939("State frame 1", "3", "0xFF60", "0x80 (128)", "0x0CFF6080", "NG_STATE_1"),
         j1939("State frame 2", "6", "0xFF61", "0x80 (128)", "0x18FF6180", "NG_STATE_2"),
         j1939("State frame 3", "6", "0xFF62", "0x80 (128)", "0x18FF6280", "NG_STATE_3"),
         j1939("State frame 4", "6", "0xFF63", "0x80 (128)", "0x18FF6380", "NG_STATE_4"),
         j1939("State frame 5", "6", "0xFF64", "0x80 (128)", "0x18FF6480", "NG_STATE_5"),
         "</html>"});
    expectLinesInOrder(html, lines);
    // Nothing of the Demo is used twice or left unused.
    EXPECT_EQ(html.find("used twice</span>"), std::string::npos);
    EXPECT_EQ(html.find("<span class=\"badge\">"), std::string::npos);
}

// One file that stands alone: the same bytes every time, CR LF lines, nothing fetched.
TEST(MappingReport, SelfContainedAndDeterministic) {
    test::TempFolder out;
    const FixedClock clock(kMade);
    writeMappingReport(kDemo, out / "a.html", {}, clock);
    writeMappingReport(kDemo, out / "b.html", {}, clock);
    const std::string html = test::readFile(out / "a.html");
    EXPECT_EQ(html, test::readFile(out / "b.html"));
    ASSERT_TRUE(html.starts_with("<!DOCTYPE html>\r\n<html lang=\"en\">\r\n<head>\r\n"
                                 "<meta charset=\"utf-8\">\r\n"));
    EXPECT_TRUE(html.ends_with("</body>\r\n</html>\r\n"));
    for (std::size_t at = html.find('\n'); at != std::string::npos; at = html.find('\n', at + 1))
        ASSERT_EQ(html[at - 1], '\r') << "bare LF at byte " << at;
    for (const char* reference : {"<script", "src=", "href=", "url(", "@import", "http", "<link"})
        EXPECT_EQ(html.find(reference), std::string::npos) << reference;
    EXPECT_NE(html.find("@media print"), std::string::npos);
    EXPECT_NE(html.find("@page { size: A4;"), std::string::npos);
}

// Two objects or two PDOs on one byte, a frame nobody uses, an object byte taken from no
// frame byte, a PDO that does not fit its frame, and names that need escaping.
TEST(MappingReport, MarksOverlapsGapsAndEscapesNames) {
    const ReportFindings findings{{"RCobDef.xml, row 1: <PGN> & \"SA\""}, {"a note 'here'"}};
    const std::string html = reportOf(kProjects / "Overlap", findings);
    const std::string any = "priority: any (not part of the filter)";
    std::vector<std::string> lines = {
        "<p class=\"lead\">CANopen node 127 at 50 kbit/s; J1939 at <span class=\"invalid\">no "
        "bit rate chosen</span></p>",
        "<p class=\"bad\">The project check found 1 problem:</p>",
        "<li>RCobDef.xml, row 1: &lt;PGN&gt; &amp; &quot;SA&quot;</li>",
        "<li>a note &#39;here&#39;</li>",
        "<dt>TPDOs</dt><dd>sent cyclically every 250 ms</dd>",
    };
    append(
        lines,
        frame("Frame 1 · PGN 0xFECA · SA 0x03 · DM1 &lt;lamp&gt; &amp; &quot;codes&quot;",
              "PGN 0xFECA, source address 0x03 (3), " + any + ", Delete: Y",
              {cell({obj("0x3000:01", "4 bytes · MSB"), pdo("0x185", "TPDO 1 · byte 1")}),
               twice({obj("0x3000:01", "4 bytes · byte 2 of 4"), obj("0x3000:02", "1 byte"),
                      pdo("0x185", "TPDO 1 · byte 2")}),
               cell({obj("0x3000:01", "4 bytes · byte 3 of 4"), pdo("0x185", "TPDO 1 · byte 3")}),
               twice({obj("0x3000:01", "4 bytes · LSB"), pdo("0x185", "TPDO 1 · byte 4"),
                      pdo("0x285", "TPDO 2 · byte 1")}),
               cell({pdo("0x285", "TPDO 2 · byte 2")}), unused(), unused(), unused()}));
    // "2 Bytes" with B1 None: the MSB comes from no byte; B3 and B4 do not count.
    append(lines, frame("Frame 2 · PGN 0xFEEF · SA 0x11 · Öltemperatur °C ✓",
                        "PGN 0xFEEF, source address 0x11 (17), " + any,
                        {unused(), unused(), unused(), unused(), unused(), unused(),
                         cell({obj("0x3001:05", "2 bytes · LSB")}), unused()}));
    append(lines, {"<li><span class=\"mono\">0x3001:05</span>, 2 bytes: MSB <span "
                   "class=\"invalid\">from no byte</span>, LSB from byte 7</li>",
                   "<div class=\"frame unused\" id=\"r3\">",
                   "<h3>Frame 3 · PGN 0xFEFC · SA 0x00 · unused frame &#39;three&#39;<span "
                   "class=\"badge\">used by no object and no PDO</span></h3>",
                   "<div class=\"frame unused\" id=\"t1\">",
                   "<h3>Frame 1 · PGN 0x1234 · SA 0xFD<span class=\"badge\">used by no object and "
                   "no PDO</span></h3>",
                   "<p class=\"hint\">PGN 0x1234, source address 0xFD (253), priority 7, data page "
                   "1, 29-bit identifier <span class=\"mono\">0x1D1234FD</span></p>",
                   "<tr><td class=\"nowrap\">TPDO 1</td><td class=\"mono\">0x185</td><td>Frame 1 · "
                   "PGN 0xFECA · DM1 &lt;lamp&gt; &amp; &quot;codes&quot;</td><td>1–4 (4 "
                   "bytes)</td><td>lamps &lt;b&gt;1&lt;/b&gt;</td><td><span class=\"mono\">0x1800, "
                   "0x1A00 → 0x202A:01–04</span></td></tr>",
                   "<tr><td class=\"nowrap\">TPDO 3</td><td class=\"mono\">0x385</td><td>Frame 2 · "
                   "PGN 0xFEEF · Öltemperatur °C ✓</td><td><span class=\"invalid\">Dimension 8, "
                   "Start Byte 2: not inside the frame</span></td><td>too long</td><td><span "
                   "class=\"mono\">0x1802, 0x1A02</span></td></tr>",
                   "<tr><td>7</td><td>150 ms</td><td>2</td><td>Antrieb &lt;links&gt;</td></tr>"});
    expectLinesInOrder(html, lines);
    for (const char* raw : {"<lamp>", "<b>1</b>", "<links>", "<PGN>"})
        EXPECT_EQ(html.find(raw), std::string::npos) << raw;
}

// What a broken document still gives, and where the report says what it could not read.
TEST(MappingReport, BrokenDocumentsShowWhatWasRead) {
    const ReportData data = readReportData(kProjects / "Broken");
    std::vector<std::string> problems;
    for (const ReportProblem& p : data.problems)
        problems.push_back(p.text);
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "pargen.xml: Start-end tags mismatch (line 3)",
                            "RCobDef.xml: Error parsing start element tag (line 3)",
                            "TpdoJ1939.xml: root element 'PDOJ1939' not found",
                            "TInfoCob.xml, row 2, Index: 'abc' is not a valid integer value",
                            "NG_J1939_Frame.xml, row 2, Priority: 'x' is not a valid integer value",
                        }));
    EXPECT_TRUE(data.received.empty());
    ASSERT_EQ(data.transmitted.size(), 2u);
    // Row 1 of TInfoCob.xml came before the bad row; row 3 came after it.
    ASSERT_EQ(data.transmitted[0].objects.size(), 1u);
    EXPECT_EQ(data.transmitted[0].objects[0].index, 0x2201u);
    EXPECT_EQ(data.transmitted[0].bytes[2].objects.size(), 1u);
    EXPECT_EQ(data.transmitted[0].bytes[2].pdos.size(), 1u);
    EXPECT_TRUE(data.transmitted[1].objects.empty());
    EXPECT_EQ(data.rpdos.size(), 1u);
    EXPECT_TRUE(data.tpdos.empty());
    EXPECT_EQ(data.edsRefusal, std::optional<std::string>("TpdoJ1939.xml: root element "
                                                          "'PDOJ1939' not found"));
    EXPECT_EQ(data.guardFrames[0].pgn, "0xFF60");

    const std::string html = buildMappingReport(data, {}, kMade);
    expectLinesInOrder(
        html,
        {"<p class=\"bad\">Documents this report could not read in full; it shows what "
         "was read before the problem:</p>",
         "<li>pargen.xml: Start-end tags mismatch (line 3)</li>",
         "<h2>Communication parameters</h2>",
         "<p class=\"bad\">Not read in full: pargen.xml: Start-end tags mismatch (line 3)</p>",
         "<h2>Received J1939 frames</h2>",
         "<p class=\"bad\">Not read in full: RCobDef.xml: Error parsing start element tag "
         "(line 3)</p>",
         "<p class=\"bad\">Not read in full: TpdoJ1939.xml: root element &#39;PDOJ1939&#39; "
         "not found</p>",
         "<p>No frames.</p>", "<h2>Transmitted J1939 frames</h2>",
         "<p class=\"bad\">Not read in full: TInfoCob.xml, row 2, Index: &#39;abc&#39; is not a "
         "valid integer value</p>",
         "<h3>Frame 1 · PGN 0xFF10 · SA 0x80 · Status</h3>",
         "<p class=\"bad\">The EDS file cannot be made from this project:</p>",
         "<h2>Node guarding</h2>",
         "<p class=\"bad\">Not read in full: NG_J1939_Frame.xml, row 2, Priority: &#39;x&#39; "
         "is not a valid integer value</p>"});
}

TEST(MappingReport, HtmlTextEscapesAndKeepsUtf8) {
    struct Case {
        const char* name;
        std::string text;
        std::string expected;
    };
    const std::string replacement = "\xEF\xBF\xBD";
    const Case cases[] = {
        {"markup", "<a href=\"x\">&'", "&lt;a href=&quot;x&quot;&gt;&amp;&#39;"},
        {"entity stays text", "&amp;", "&amp;amp;"},
        {"UTF-8 as typed", "Öl °C ✓ 😀", "Öl °C ✓ 😀"},
        {"line breaks", "a\r\nb\tc", "a  b\tc"},
        {"control", std::string("a\x01") + "b\x7F", "a" + replacement + "b" + replacement},
        {"cut sequence", "ab\xC3", "ab" + replacement},
        {"overlong", "\xC0\xAF", replacement + replacement},
        {"surrogate", "\xED\xA0\x80", replacement + replacement + replacement},
        {"stray continuation", "\x80z", replacement + "z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(htmlText(c.text), c.expected) << c.name;
    // A sequence cut by the end of the view, although the bytes beyond would complete it.
    const std::string whole = "a\xC3\xA9";
    EXPECT_EQ(htmlText(std::string_view(whole).substr(0, 2)), "a" + replacement);
}

// The Demo rebuilt from examples/Demo.dbc as the README does, then read anew. Worked out from
// the DBC: EEC1's whole-byte signals in start-bit order are DriversDemandEngPercentTorque
// (8|8, SPN 512), ActualEngPercentTorque, EngSpeed (24|16: bytes 5 and 4, 0.125 rpm/bit,
// SPN 190), ...; PropA_Commands' CommandWord (0|32) takes bytes 4 to 1 and has no SPN.
TEST(MappingReport, ShowsTheKeptSignalsOfADbcImportUntilAnEntryIsChanged) {
    test::TempFolder project;
    fs::copy(kDemo, project.path(), fs::copy_options::recursive);
    const std::string dbc = (fs::path(ORDANE_SOURCE_DIR) / "examples" / "Demo.dbc").string();
    for (const auto& [side, index] : {std::pair{"received", "0x2100"},
                                      std::pair{"transmitted", "0x2200"}}) {
        const auto run = test::runCli({"import", project.path().string(), side, dbc, "--node",
                                       "Gateway", "--map-signals", index, "--replace-mapping"});
        ASSERT_EQ(run.status, 0) << run.err;
    }
    const std::string any = "priority: any (not part of the filter)";
    const auto objectLine = [](const std::string& object, const std::string& bytes) {
        return "<li><span class=\"mono\">" + object + "</span>, " + bytes + "</li>";
    };
    const std::string html = reportOf(project.path());
    std::vector<std::string> lines;
    append(lines, {"<h3>Frame 1 · PGN 0xF004 · SA 0x00 · EEC1</h3>\r\n<p class=\"hint\">DBC "
                   "message <b>EEC1</b>, identifier <span class=\"mono\">0x0CF00400</span>; PGN "
                   "0xF004, source address 0x00 (0), " +
                   any + "</p>"});
    append(lines, {objectLine("0x2100:01", "1 byte: from byte 2 · <b>DriversDemandEngPercentTorque"
                                           "</b>, %, 1/bit, offset -125, SPN 512"),
                   objectLine("0x2100:02", "1 byte: from byte 3 · <b>ActualEngPercentTorque</b>, "
                                           "%, 1/bit, offset -125, SPN 513"),
                   objectLine("0x2100:03", "2 bytes: MSB from byte 5, LSB from byte 4 · "
                                           "<b>EngSpeed</b>, rpm, 0.125/bit, SPN 190")});
    append(lines, {objectLine("0x2101:01", "1 byte: from byte 1 · <b>EngCoolantTemp</b>, °C, "
                                           "1/bit, offset -40, SPN 110")});
    append(lines, {"<h3>Frame 3 · PGN 0xEF00 · SA 0x80 · PropA_Commands</h3>\r\n<p "
                   "class=\"hint\">DBC message <b>PropA_Commands</b>, identifier <span "
                   "class=\"mono\">0x0CEF0080</span>; PGN 0xEF00, source address 0x80 (128), "
                   "priority 3, data page 0, 29-bit identifier <span "
                   "class=\"mono\">0x0CEF0080</span></p>"});
    append(lines, {objectLine("0x2202:01", "4 bytes: MSB from byte 4, byte 2 of 4 from byte 3, "
                                           "byte 3 of 4 from byte 2, LSB from byte 1 · "
                                           "<b>CommandWord</b>, 1/bit")});
    expectLinesInOrder(html, lines);

    // EngSpeed's bytes swapped in the SDO mapping window: the object no longer claims it.
    SdoMapping mapping(SdoSide::Received);
    mapping.load(project.path());
    EXPECT_EQ(mapping.signalName({0, 2}), "EngSpeed");
    SdoMappingEntry swapped = mapping.entry({0, 2});
    swapped.bytes = {4, 5, 0, 0};
    mapping.modifyEntry({0, 2}, swapped);
    EXPECT_EQ(mapping.signalName({0, 2}), "");
    EXPECT_EQ(mapping.signalName({0, 1}), "ActualEngPercentTorque");
    mapping.save(project.path());
    const std::string changed = reportOf(project.path());
    expectLinesInOrder(changed, {objectLine("0x2100:02", "1 byte: from byte 3 · "
                                                         "<b>ActualEngPercentTorque</b>, %, 1/bit, "
                                                         "offset -125, SPN 513"),
                                 objectLine("0x2100:03", "2 bytes: MSB from byte 4, LSB from "
                                                         "byte 5")});

    // Without the file the report is the documents' alone.
    fs::remove(project / "DbcSignals.xml");
    const std::string plain = reportOf(project.path());
    EXPECT_EQ(plain.find("DBC message"), std::string::npos);
    expectLinesInOrder(plain, {objectLine("0x2100:01", "1 byte: from byte 2")});
}

// examples/Demo keeps the signals of its objects, numbered as its mapping numbers them.
TEST(MappingReport, DemoShowsItsKeptSignals) {
    expectLinesInOrder(
        reportOf(kDemo),
        {"<h3>Frame 1 · PGN 0xF004 · SA 0x00 · EEC1 engine speed</h3>\r\n<p class=\"hint\">DBC "
         "message <b>EEC1</b>, identifier <span class=\"mono\">0x0CF00400</span>; PGN 0xF004, "
         "source address 0x00 (0), priority: any (not part of the filter)</p>",
         "<li><span class=\"mono\">0x2100:01</span>, 2 bytes: MSB from byte 5, LSB from byte 4 · "
         "<b>EngSpeed</b>, rpm, 0.125/bit, SPN 190</li>",
         "<li><span class=\"mono\">0x2200:01</span>, 2 bytes: MSB from byte 2, LSB from byte 1 · "
         "<b>SpeedSetpoint</b>, rpm, 0.125/bit; a write sends the frame</li>"});
}

TEST(ReportCommand, WritesTheReportWithTheCheckFindingsFirst) {
    const test::Environment environment({{"SOURCE_DATE_EPOCH", "1796778510"}, {"TZ", "UTC0"}});
    test::TempFolder out;
    const auto run =
        test::runCli({"report", (kProjects / "Overlap").string(), (out / "report.html").string()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string html = test::readFile(out / "report.html");
    expectLinesInOrder(html, {"<p class=\"made\">Made 2026-12-09 01:08 · 3 received frames, 1 "
                              "transmitted frame, 3 TPDOs, 0 RPDOs</p>",
                              "<h2>Check findings</h2>",
                              "<li>TpdoJ1939.xml: Error row 3!! Dimension and Offset are not "
                              "correct together. </li>",
                              "<h2>Communication parameters</h2>"});
}

TEST(ReportCommand, RefusesAMissingProjectAndAnUnwritableTarget) {
    test::TempFolder out;
    auto run = test::runCli({"report", (out / "nowhere").string(), (out / "r.html").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Project folder not found: " + (out / "nowhere").string() + "\n");

    const fs::path target = out / "missing" / "r.html";
    run = test::runCli({"report", kDemo.string(), target.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Cannot write '" + target.string() + "': No such file or directory\n");
    EXPECT_TRUE(fs::is_empty(out.path()));
}

} // namespace
} // namespace ordane
