#include "eds/EdsLines.h"

#include "core/NumberText.h"

#include <cstdio>
#include <vector>

namespace ordane {

namespace {

std::string twoDigits(int value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", value);
    return buffer;
}

std::string hex4(std::uint32_t index) {
    return hexDigits(index, 4);
}

// Section names: "[1018]", "[1018sub4]", "[2100subFF]".
std::string section(std::uint32_t index) {
    return "[" + hex4(index) + "]";
}

std::string section(std::uint32_t index, std::uint32_t subIndex) {
    return "[" + hex4(index) + "sub" + hexDigits(subIndex, 0) + "]";
}

struct Variable {
    const char* name;
    const char* dataType;
    std::string defaultValue;
    const char* access;
    int pdoMapping;
    // What the commissioned node holds when it differs from the default.
    std::string configured = {};
};

// Builds the EDS text; given commissioning values, the DCF's as well: each DefaultValue
// line is followed by its ParameterValue, so both files come from one description. The
// lines go straight into one string, each ending in CR LF: none is kept on its own.
class Lines {
public:
    explicit Lines(const Commissioning* dcf) : m_dcf(dcf) { m_text.reserve(std::size_t(1) << 20); }

    const Commissioning* dcf() const { return m_dcf; }

    void add(std::string_view line) {
        m_text += line;
        m_text += "\r\n";
    }
    void blank() { m_text += "\r\n"; }

    void value(const std::string& defaultValue, const std::string& configured = {}) {
        m_text += "DefaultValue=";
        add(defaultValue);
        if (m_dcf) {
            m_text += "ParameterValue=";
            add(configured.empty() ? defaultValue : configured);
        }
    }

    void variable(const std::string& sectionLine, const Variable& v) {
        add(sectionLine);
        add(std::string("ParameterName=") + v.name);
        add("ObjectType=0x7");
        add(std::string("DataType=") + v.dataType);
        value(v.defaultValue, v.configured);
        add(std::string("AccessType=") + v.access);
        add("PDOMapping=" + std::to_string(v.pdoMapping));
        blank();
    }

    void header(std::uint32_t index, int subNumber, const std::string& name, const char* type) {
        add(section(index));
        add("SubNumber=" + std::to_string(subNumber));
        add("ParameterName=" + name);
        add(std::string("ObjectType=") + type);
        blank();
    }

    // A list section: its count, then "n=0xIIII" numbered from 1.
    void list(const char* name, const std::vector<std::uint32_t>& indexes) {
        add(std::string("[") + name + "]");
        add("SupportedObjects=" + std::to_string(indexes.size()));
        blank();
        for (std::size_t i = 0; i < indexes.size(); ++i)
            add(std::to_string(i + 1) + "=0x" + hex4(indexes[i]));
        blank();
    }

    std::string take() { return std::move(m_text); }

private:
    const Commissioning* m_dcf;
    std::string m_text;
};

// Device-profile objects; CiA 306 lists them with the optional objects.
constexpr std::uint32_t kFirstProfileIndex = 0x6000;

const std::uint32_t kDataObjects[] = {0x2020, 0x2021, 0x2022, 0x2023,
                                      0x202A, 0x202B, 0x202C, 0x202D};

constexpr const char* kEdsFileName = "CANopen_to_J1939.eds";

void fileAndDeviceInfo(Lines& out, const EdsProject& project, const LocalDateTime& time) {
    const std::string date = edsDate(time);
    const std::string clock = edsTime(time);
    const Commissioning* dcf = out.dcf();
    for (const std::string& line :
         {std::string("[FileInfo]"),
          "FileName=" + (dcf ? iniValueText(dcf->fileName) : std::string(kEdsFileName)),
          std::string("FileVersion=1"), std::string("FileRevision=0"),
          std::string("EDSVersion=4.0"), std::string("Description=Gateway CANopen to J1939"),
          "CreationTime=" + clock, "CreationDate=" + date, std::string("CreatedBy=Korvane"),
          "ModificationTime=" + clock, "ModificationDate=" + date,
          std::string("ModifiedBy=Korvane")})
        out.add(line);
    // The description the DCF was made from.
    if (dcf && !dcf->lastEds.empty())
        out.add("LastEDS=" + iniValueText(dcf->lastEds));
    out.blank();

    for (const char* line : {"[DeviceInfo]",
                             "VendorName=Korvane",
                             "VendorNumber=0",
                             "ProductName=Gateway CANopen to J1939",
                             "ProductNumber=731",
                             "RevisionNumber=2",
                             "OrderCode=0731/1",
                             "BaudRate_10=1",
                             "BaudRate_20=1",
                             "BaudRate_50=1",
                             "BaudRate_125=1",
                             "BaudRate_250=1",
                             "BaudRate_500=1",
                             "BaudRate_800=0",
                             "BaudRate_1000=1",
                             "SimpleBootUpSlave=1",
                             "SimpleBootUpMaster=0",
                             "Granularity=1",
                             "DynamicChannelsSupported=0",
                             "GroupMessaging=0"})
        out.add(line);
    out.add("NrOfRXPDO=" + std::to_string(project.receive.pdos.size()));
    out.add("NrOfTXPDO=" + std::to_string(project.transmit.pdos.size()));
    out.add("LSS_Supported=0");
    out.blank();

    if (dcf) {
        out.add("[DeviceComissioning]");
        out.add("NodeID=" + std::to_string(dcf->nodeId));
        out.add("NodeName=" + iniValueText(dcf->nodeName));
        out.add("Baudrate=" + std::to_string(dcf->bitRateKbit));
        // The converter is one slave on one CANopen network, which the project does not name.
        out.add("NetNumber=1");
        out.add("NetworkName=CANopen");
        out.add("CANopenManager=0");
        // The device serial number is not in the project (its identity object says 0),
        // and the converter has no LSS.
        out.add("LSS_SerialNumber=0");
        out.blank();
    }

    out.add("[DummyUsage]");
    out.add("Dummy0001=0");
    for (int i = 2; i <= 7; ++i)
        out.add("Dummy000" + std::to_string(i) + "=1");
    out.blank();

    out.add("[Comments]");
    out.add("Lines=0x1");
    out.add("Line1=Example for CANopen Library.");
    out.blank();
}

void mandatoryObjects(Lines& out) {
    out.list("MandatoryObjects", {0x1000, 0x1001, 0x1018});
    out.variable("[1000]", {"Device Type", "0x0007", "0x00010192", "const", 0});
    out.variable("[1001]", {"Error Register", "0x0005", "0x00", "ro", 0});
    out.blank();
    out.header(0x1018, 5, "Identity Object", "0x9");
    out.variable("[1018sub0]", {"number of entries", "0x0005", "0x4", "rw", 0});
    out.variable("[1018sub1]", {"Vendor Id", "0x0004", "0x0", "rw", 0});
    out.variable("[1018sub2]", {"Product Code", "0x0004", "731", "rw", 0});
    out.variable("[1018sub3]", {"Revision number", "0x0004", "0x2", "rw", 0});
    out.variable("[1018sub4]", {"Serial number", "0x0004", "0x0", "rw", 0});
    out.blank();
}

void optionalObjects(Lines& out, const EdsProject& project) {
    std::vector<std::uint32_t> listed{0x1003, 0x1008, 0x1009, 0x100A, 0x1017, 0x1200, 0x1280};
    for (std::uint32_t base : {0x1400u, 0x1600u})
        for (std::size_t i = 0; i < project.receive.pdos.size(); ++i)
            listed.push_back(base + std::uint32_t(i));
    for (std::uint32_t base : {0x1800u, 0x1A00u})
        for (std::size_t i = 0; i < project.transmit.pdos.size(); ++i)
            listed.push_back(base + std::uint32_t(i));
    for (const SDO_Index& record : project.objects)
        if (record.index >= kFirstProfileIndex)
            listed.push_back(record.index);
    out.list("OptionalObjects", listed);

    out.header(0x1003, 2, "Pre-defined Error Field", "0x8");
    out.variable("[1003sub0]", {"Number of Errors", "0x0005", "0x00000000", "rw", 0});
    out.variable("[1003sub1]", {"Standard Error Field", "0x0007", "0x00000000", "ro", 0});
    out.variable("[1008]", {"Manufacturer Device Name", "0x0009", "0", "const", 0});
    out.variable("[1009]", {"Manufacturer Hardware Version", "0x0009", "0", "const", 0});
    out.variable("[100A]", {"Manufacturer Software Version", "0x0009", "0", "const", 0});
    out.variable("[1017]", {"p301_prod_HB_time", "0x0006", "0x03E8", "rw", 0});
    out.blank();
    out.header(0x1200, 3, "Server SDO Parameter", "0x9");
    out.variable("[1200sub0]", {"Number of Entries", "0x0005", "0x02", "ro", 0});
    // The commissioned node answers on the default SDO channel of its node ID.
    const std::uint32_t node = out.dcf() ? std::uint32_t(out.dcf()->nodeId) : 0;
    out.variable("[1200sub1]", {"COB-ID Client -> Server", "0x0007", "0x00000600", "ro", 0,
                                node ? hexText(0x600 + node, 8) : std::string()});
    out.variable("[1200sub2]", {"COB-ID Server -> Client", "0x0007", "0x000005FF", "ro", 0,
                                node ? hexText(0x580 + node, 8) : std::string()});
    out.header(0x1280, 4, "Client SDO Parameter", "0x9");
    out.variable("[1280sub0]", {"Number of Entries", "0x0005", "0x03", "ro", 0});
    out.variable("[1280sub1]", {"COB-ID Client -> Server", "0x0007", "0x800006E0", "rw", 0});
    out.variable("[1280sub2]", {"COB-ID Server -> Client", "0x0007", "0x800006E0", "rw", 0});
    out.variable("[1280sub3]", {"Node ID of the SDO Server", "0x0005", "0x00", "rw", 0});
}

void communicationObject(Lines& out, std::uint32_t index, const char* name, const PdoEntry& pdo) {
    out.header(index, 4, name, "0x9");
    out.variable(section(index, 0), {"Number of Entries", "0x0005", "0x03", "ro", 0});
    // As the document gives it: the node ID is not added.
    out.variable(section(index, 1),
                 {"COB-ID", "0x0007", hexText(std::uint32_t(pdo.cobId), 8), "rw", 0});
    out.variable(section(index, 2), {"Transmission Type", "0x0005", "0xFE", "rw", 0});
    out.variable(section(index, 3), {"Inhibit Time", "0x0006", "0x0000", "rw", 0});
}

// The device has eight mapping entries per PDO; all are declared, those past the PDO's
// Dimension as unused.
void mappingObject(Lines& out, std::uint32_t index, const char* name, const PdoEntry& pdo,
                   std::uint32_t dataObject) {
    out.header(index, 9, name, "0x9");
    out.variable(section(index, 0), {"Number of Entries", "0x0005",
                                     hexText(std::uint32_t(pdo.dimension), 2), "rw", 0});
    for (int k = 1; k <= 8; ++k) {
        const std::string value =
            k <= pdo.dimension ? "0x" + hex4(dataObject) + hexDigits(std::uint32_t(k), 2) + "08"
                               : std::string("0x00000000");
        out.variable(section(index, std::uint32_t(k)),
                     {"PDO Mapping Entry", "0x0007", value, "rw", 0});
    }
}

void pdoObjects(Lines& out, const EdsProject& project) {
    const auto& rx = project.receive.pdos;
    const auto& tx = project.transmit.pdos;
    for (std::size_t i = 0; i < rx.size(); ++i)
        communicationObject(out, 0x1400 + std::uint32_t(i), "Receive PDO Communication Parameter",
                            rx[i]);
    for (std::size_t i = 0; i < rx.size(); ++i)
        mappingObject(out, 0x1600 + std::uint32_t(i), "Receive PDO Mapping Parameter", rx[i],
                      0x2020 + std::uint32_t(i));
    for (std::size_t i = 0; i < tx.size(); ++i)
        communicationObject(out, 0x1800 + std::uint32_t(i), "Transmit PDO Communication Parameter",
                            tx[i]);
    for (std::size_t i = 0; i < tx.size(); ++i)
        mappingObject(out, 0x1A00 + std::uint32_t(i), "Transmit PDO Mapping Parameter", tx[i],
                      0x202A + std::uint32_t(i));
}

void manufacturerObjects(Lines& out, const EdsProject& project) {
    std::vector<std::uint32_t> listed{0x2010};
    listed.insert(listed.end(), std::begin(kDataObjects), std::end(kDataObjects));
    for (const SDO_Index& record : project.objects)
        if (record.index < kFirstProfileIndex)
            listed.push_back(record.index);
    out.list("ManufacturerObjects", listed);

    out.variable("[2010]", {"7th Application Variable", "0x0007", "0x00000000", "rw", 0});
    // Receive data objects 1..4 (letters a..d), then transmit ones (m..p).
    for (int n = 0; n < 8; ++n) {
        const bool receive = n < 4;
        const std::string number = std::to_string(n % 4 + 1);
        const std::string direction = receive ? "rpdo" : "tpdo";
        const char letter = receive ? char('a' + n) : char('m' + n - 4);
        const std::uint32_t index = kDataObjects[n];
        out.header(index, 9, "data_" + direction + number, "0x8");
        const std::string sub0Name = "num_entry_" + direction + number;
        out.variable(section(index, 0), {sub0Name.c_str(), "0x0005", "0x8", "ro", 0});
        for (int k = 1; k <= 8; ++k) {
            const std::string name = letter + std::to_string(k);
            out.variable(section(index, std::uint32_t(k)),
                         {name.c_str(), "0x0005", "0x0", receive ? "rww" : "rwr", 1});
        }
    }
}

void projectObjects(Lines& out, const EdsProject& project) {
    for (const SDO_Index& record : project.objects) {
        const auto& subs = record.subEntries;
        const bool generatedSub0 = subs.front().subIndex != 0;
        out.header(record.index, int(subs.size()) + (generatedSub0 ? 1 : 0), "App Vars", "0x9");
        if (generatedSub0) {
            out.add(section(record.index, 0));
            out.add("ParameterName=Largest Sub-Index supported");
            out.add("ObjectType=0x7");
            out.add("DataType=0x0005");
            out.add("AccessType=ro");
            out.value(hexText(subs.back().subIndex, 2));
            out.add("PDOMapping=0");
            out.blank();
        }
        for (const SDO_Sub_Type& sub : subs) {
            out.add(section(record.index, sub.subIndex));
            out.add("ParameterName=Application Variable");
            out.add("ObjectType=0x7");
            switch (sub.dimension) {
            case 2: // "1 Byte"
                out.add("DataType=0x0005");
                out.add("LowLimit=0x00");
                out.add("HighLimit=0xFF");
                out.value("0x00");
                break;
            case 1: // "2 Bytes"
                out.add("DataType=0x0006");
                out.add("LowLimit=0x0000");
                out.add("HighLimit=0xFFFF");
                out.value("0x0000");
                break;
            default: // "4 Bytes" and anything else
                out.add("DataType=0x0007");
                out.add("LowLimit=0x00000000");
                out.add("HighLimit=0xFFFFFFFF");
                out.value("0x00000000");
                break;
            }
            out.add(sub.readOnly == 1 ? "AccessType=ro" : "AccessType=rw");
            out.add("PDOMapping=0");
            out.blank();
        }
    }
}

} // namespace

std::string edsDate(const LocalDateTime& time) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%02d-%02d-%04d", time.month, time.day, time.year);
    return buffer;
}

std::string edsTime(const LocalDateTime& time) {
    const int hour = time.hour % 12 == 0 ? 12 : time.hour % 12;
    return twoDigits(hour) + ":" + twoDigits(time.minute) + (time.hour < 12 ? "AM" : "PM");
}

std::string iniValueText(std::string_view text) {
    std::string value(text);
    for (char& c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '_';
    return value;
}

namespace {

std::string buildText(const EdsProject& project, const LocalDateTime& time,
                      const Commissioning* dcf) {
    Lines out(dcf);
    fileAndDeviceInfo(out, project, time);
    mandatoryObjects(out);
    optionalObjects(out, project);
    pdoObjects(out, project);
    out.blank();
    out.blank();
    manufacturerObjects(out, project);
    projectObjects(out, project);
    out.blank();
    return out.take();
}

} // namespace

std::string buildEdsText(const EdsProject& project, const LocalDateTime& time) {
    return buildText(project, time, nullptr);
}

std::string buildDcfText(const EdsProject& project, const LocalDateTime& time,
                         const Commissioning& commissioning) {
    return buildText(project, time, &commissioning);
}

} // namespace ordane
