#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "core/AtomicFile.h"
#include "core/Clock.h"
#include "core/Error.h"
#include "eds/EdsWriter.h"

#include <filesystem>
#include <set>
#include <string>

// The EDS writer over a small project in which one of its four documents (the first byte
// picks which) is the rest of the input. A refused project writes no file; a written one
// has CR LF lines and declares every section once, or readers refuse it.
ORDANE_FUZZ_TARGET(eds) {
    using namespace ordane;
    static constexpr std::pair<const char*, std::string_view> documents[] = {
        {"pdoJ1939.xml", "<PDOJ1939><row COB-ID=\"0x201\" Dimension=\"8\" Offset=\"1\" "
                         "Frame_J1939=\"1\" Mnemonic=\"R1\"/></PDOJ1939>"},
        {"TpdoJ1939.xml", "<PDOJ1939><row COB-ID=\"0x181\" Dimension=\"4\" Offset=\"5\" "
                          "Frame_J1939=\"2\" Mnemonic=\"T1\"/></PDOJ1939>"},
        {"RInfoCob.xml", "<RInfoCob><row NrPdo=\"1\" Index=\"8448\" SubIndex=\"1\" Dimension=\"1\" "
                         "B1=\"5\" B2=\"4\" B3=\"0\" B4=\"0\"/></RInfoCob>"},
        {"TInfoCob.xml",
         "<TInfoCob><row NrPdo=\"1\" Index=\"0x2200\" SubIndex=\"2\" Dimension=\"0\" "
         "B1=\"1\" B2=\"2\" B3=\"3\" B4=\"4\" Send_SDO=\"1\"/></TInfoCob>"},
    };
    if (size == 0)
        return 0;
    static const fuzz::ScratchProject project("eds");
    const std::size_t chosen = data[0] % std::size(documents);
    project.clear();
    for (std::size_t d = 0; d < std::size(documents); ++d)
        project.put(documents[d].first,
                    d == chosen ? fuzz::asText(data + 1, size - 1) : documents[d].second);

    const FixedClock clock({2024, 12, 31, 0, 15, 0});
    const auto target = project / "out.eds";
    try {
        EdsWriter(clock).write(project.path(), target);
    } catch (const Error&) {
        if (std::filesystem::exists(target))
            fuzz::broken("a refused project left an EDS file");
        return 0;
    }
    const std::string text = readWholeFile(target);
    std::set<std::string> sections;
    std::set<std::string> listed; // an object belongs to one object list, once
    bool inList = false;
    for (std::size_t start = 0; start < text.size();) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos)
            fuzz::broken("an EDS line without CR LF");
        const std::string line = text.substr(start, end - start);
        start = end + 2;
        if (line.find_first_of("\r\n") != std::string::npos)
            fuzz::broken("a line break inside an EDS line");
        if (line.starts_with("[")) {
            if (!sections.insert(line).second)
                fuzz::broken("an EDS section declared twice");
            inList = line.ends_with("Objects]");
        } else if (inList && !line.empty() && !line.starts_with("SupportedObjects=") &&
                   !listed.insert(line.substr(line.find('=') + 1)).second) {
            fuzz::broken("an object listed twice");
        }
    }
    // Each object section is listed, and each listed object has its section.
    std::set<std::string> objects;
    for (const std::string& section : sections)
        if (section.size() == 6 && section.find_first_not_of("0123456789ABCDEF", 1) == 5)
            objects.insert("0x" + section.substr(1, 4));
    if (objects != listed)
        fuzz::broken("the object lists and the object sections differ");
    return 0;
}
