#include "FuzzTarget.h"
#include "ScratchProject.h"

#include "cli/Commands.h"
#include "core/AtomicFile.h"

#include <sstream>
#include <string>
#include <utility>
#include <vector>

// `ordane-cli check` over the example project with one of its ten documents (the first
// byte picks which) replaced by the rest of the input: the checks across documents meet
// every kind of neighbour. Whatever the documents, it lists failures; nothing escapes it.
ORDANE_FUZZ_TARGET(check) {
    using namespace ordane;
    static const std::vector<std::pair<std::string, std::string>> demo = [] {
        std::vector<std::pair<std::string, std::string>> documents;
        for (const char* name : {"RCobDef.xml", "TCobDef.xml", "RInfoCob.xml", "TInfoCob.xml",
                                 "pdoJ1939.xml", "TpdoJ1939.xml", "NodeGuard.xml",
                                 "NG_J1939_Frame.xml", "SDOClient.xml", "pargen.xml"})
            documents.emplace_back(name,
                                   readWholeFile(std::filesystem::path(ORDANE_DEMO_DIR) / name));
        return documents;
    }();
    if (size == 0)
        return 0;
    static const fuzz::ScratchProject project("check");
    const std::size_t chosen = data[0] % demo.size();
    project.clear();
    for (std::size_t d = 0; d < demo.size(); ++d)
        project.put(demo[d].first, d == chosen ? fuzz::asText(data + 1, size - 1)
                                               : std::string_view(demo[d].second));

    std::ostringstream out;
    std::ostringstream err;
    (void)cli::checkCommand(project.path(), out, err);
    return 0;
}
