// Replays every committed corpus once through its target: the fuzzers' findings stay fixed.
#include "FuzzTarget.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace ordane::fuzz {

static std::map<std::string, Target>& targets() {
    static std::map<std::string, Target> all;
    return all;
}

bool registerTarget(const char* name, Target target) {
    targets()[name] = target;
    return true;
}

} // namespace ordane::fuzz

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const fs::path corpora = argc > 1 ? fs::path(argv[1]) : fs::path(ORDANE_CORPUS_DIR);
    int inputs = 0;
    int missing = 0;
    for (const auto& [name, target] : ordane::fuzz::targets()) {
        const fs::path folder = corpora / name;
        if (!fs::is_directory(folder)) {
            std::printf("%s: no corpus\n", name.c_str());
            ++missing;
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.is_regular_file())
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const fs::path& file : files) {
            std::ifstream in(file, std::ios::binary);
            std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
            target(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
            ++inputs;
        }
        std::printf("%s: %zu inputs\n", name.c_str(), files.size());
    }
    std::printf("corpus replay: %d passed, %d failed\n", inputs, missing);
    return missing == 0 ? 0 : 1;
}
